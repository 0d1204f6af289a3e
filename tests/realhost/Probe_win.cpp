// A plug-in of the real-host tests, loaded beside Parlet. It reports what a
// user of the host would see, through the host's own services, in files
// beside miranda32.exe that tests/realhost/run.sh reads:
// - probe-windows.txt, rewritten every 300 ms: each visible window of the
//   process with its title, place and class, and its controls' texts;
// - probe-db.txt at "Miranda/System/PShutdown": the settings of the modules
//   probe.ini names, and for each contact its name, protocol, "CList/Hidden",
//   whether the contact list shows it
//   and its history events as the host gives their text back; "Parlet-Probe"
//   "Starts" counts the starts.
// probe-cmd.txt, when the test writes one, is done and removed:
// "status N" sets every account's status, "history N" opens the history of
// the N-th contact, "db" writes probe-db.txt now, "event N MODULE TEXT" adds
// a sent message event to it (for experiments), "menu N TEXT" builds the N-th
// contact's menu as the contact list does (its items into probe-menu.txt)
// and chooses the item named TEXT as a click would.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "shell/HostRecords.h"

namespace {

const host::PluginLink* g_link = nullptr;
std::vector<host::Handle> g_hooks;
std::string g_folder;  // the host's folder, with its backslash

// The host's records the probe reads that Parlet has no use for.
struct EventGetText {
    host::DbEventInfo* event;
    int dataType;  // DBVT_ASCIIZ: the text in the ANSI code page
    int codePage;
};
struct EnumSettings {
    int (*proc)(const char* name, host::Word param);
    host::Word param;
    const char* module;
    uint32_t offset;
};

const host::PluginInfoEx kInfo = {static_cast<int>(sizeof(host::PluginInfoEx)),
                                  "Parlet-Probe",
                                  0x00000001,
                                  "reports what the host shows, for Parlet's real-host tests",
                                  "Parlet",
                                  "",
                                  "",
                                  "",
                                  0,
                                  0,
                                  {0x5a3e10c7, 0x41d2, 0x4b8e, {0x9f, 0x21, 0x6c, 0x0d, 0x88, 0x3a, 0x52, 0x17}}};
const host::Uuid kInterfaces[] = {{0x5a3e10c8, 0x41d2, 0x4b8e, {0x9f, 0x21, 0x6c, 0x0d, 0x88, 0x3a, 0x52, 0x17}},
                                  {0, 0, 0, {0}}};

host::Word Call(const char* service, host::Word w, host::Word l) { return g_link->CallService(service, w, l); }

// Written whole, then moved into place, so the test never reads half a file.
void WriteWhole(const char* name, const std::string& text) {
    std::string path = g_folder + name, temporary = path + ".tmp";
    FILE* f = std::fopen(temporary.c_str(), "wb");
    if (!f) return;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

std::string Text(HWND window) {
    char buffer[1024] = "";
    GetWindowTextA(window, buffer, sizeof buffer);
    std::string text = buffer;
    for (char& c : text)
        if (c == '\r' || c == '\n') c = '|';
    return text;
}

// The visible items of a tree (the options dialog's pages), each with the
// middle of its text.
void AddTreeItems(HWND tree, std::string& out) {
    auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
    for (int n = 0; item && n < 200; ++n) {
        char text[128] = "", line[200];
        TVITEMA request{};
        request.mask = TVIF_TEXT;
        request.hItem = item;
        request.pszText = text;
        request.cchTextMax = sizeof text;
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&request));
        RECT r{};
        std::memcpy(&r, &item, sizeof item);  // TVM_GETITEMRECT takes the item in the rectangle
        if (SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r))) {
            POINT middle{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            ClientToScreen(tree, &middle);
            std::snprintf(line, sizeof line, "    item \"%s\" middle %ld,%ld\n", text, middle.x, middle.y);
            out += line;
        }
        item = reinterpret_cast<HTREEITEM>(
            SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(item)));
    }
}

BOOL CALLBACK AddControl(HWND control, LPARAM param) {
    if (!IsWindowVisible(control)) return TRUE;
    char name[64] = "", place[80];
    GetClassNameA(control, name, sizeof name);
    RECT r{};
    GetWindowRect(control, &r);
    bool checked = std::strcmp(name, "Button") == 0 && SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    std::snprintf(place, sizeof place, " middle %ld,%ld%s\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2,
                  checked ? " checked" : "");
    *reinterpret_cast<std::string*>(param) +=
        "  " + std::to_string(GetDlgCtrlID(control)) + " " + name + " \"" + Text(control) + "\"" + place;
    if (std::strcmp(name, "SysTreeView32") == 0) AddTreeItems(control, *reinterpret_cast<std::string*>(param));
    return TRUE;
}

BOOL CALLBACK AddWindow(HWND window, LPARAM param) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    RECT r{};
    GetWindowRect(window, &r);
    auto& out = *reinterpret_cast<std::string*>(param);
    char name[64] = "", place[128];
    GetClassNameA(window, name, sizeof name);
    std::snprintf(place, sizeof place, " at %ld,%ld (%s)\n", r.left, r.top, name);
    out += "window \"" + Text(window) + "\"" + place;
    EnumChildWindows(window, AddControl, param);
    return TRUE;
}

host::Word NthContact(long n) {
    host::Word c = Call("DB/Contact/FindFirst", 0, 0);
    while (c && --n > 0) c = Call("DB/Contact/FindNext", c, 0);
    return c;
}

void DumpDatabase();

// An experiment's sent message event.
void AddEvent(host::Word contact, const char* module, const char* text) {
    host::DbEventInfo event{};
    event.cbSize = sizeof event;
    event.module = module;
    event.timestamp = static_cast<uint32_t>(time(nullptr));
    event.flags = host::kEventSent;
    event.blobSize = static_cast<uint32_t>(std::strlen(text) + 1);
    event.blob = reinterpret_cast<uint8_t*>(const_cast<char*>(text));
    Call("DB/Event/Add", contact, reinterpret_cast<host::Word>(&event));
}

void ChooseFromContactMenu(host::Word contact, const char* wanted) {
    auto menu = reinterpret_cast<HMENU>(Call("CList/MenuBuildContact", contact, 0));
    std::string out;
    UINT chosen = 0;
    for (int i = 0; menu && i < GetMenuItemCount(menu); ++i) {
        char text[128] = "";
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        out += std::string(text) + "\n";
        if (std::strcmp(text, wanted) == 0) chosen = GetMenuItemID(menu, i);
    }
    WriteWhole("probe-menu.txt", out);
    const host::Word kContactMenu = 1;  // MPCF_CONTACTMENU
    if (chosen) Call("CList/MenuProcessCommand", MAKEWPARAM(chosen, kContactMenu), contact);
    if (menu) DestroyMenu(menu);
}

void DoCommands() {
    // Taken away whole first, so that a line the test appends meanwhile
    // goes into a new file rather than being lost.
    std::string path = g_folder + "probe-cmd.txt", taken = path + ".taken";
    if (!MoveFileExA(path.c_str(), taken.c_str(), MOVEFILE_REPLACE_EXISTING)) return;
    FILE* f = std::fopen(taken.c_str(), "rb");
    if (!f) return;
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
        long n = 0;
        if (std::sscanf(line, "status %ld", &n) == 1) Call("CList/SetStatusMode", n, 0);
        if (std::sscanf(line, "history %ld", &n) == 1) Call("History/ShowContactHistory", NthContact(n), 0);
        if (std::strncmp(line, "db", 2) == 0) DumpDatabase();
        char module[64], text[128];
        if (std::sscanf(line, "event %ld %63s %127[^\n]", &n, module, text) == 3) AddEvent(NthContact(n), module, text);
        if (std::sscanf(line, "menu %ld %127[^\n]", &n, text) == 2) ChooseFromContactMenu(NthContact(n), text);
    }
    std::fclose(f);
    DeleteFileA(taken.c_str());
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    DoCommands();
    std::string out;
    EnumWindows(AddWindow, reinterpret_cast<LPARAM>(&out));
    WriteWhole("probe-windows.txt", out);
}

std::string Setting(host::Contact contact, const char* module, const char* name) {
    host::DbVariant value{};
    host::DbGetSetting request{module, name, &value};
    if (Call("DB/Contact/GetSetting", reinterpret_cast<host::Word>(contact), reinterpret_cast<host::Word>(&request)))
        return "(none)";
    std::string text;
    switch (value.type) {
        case host::kDbByte: text = "b" + std::to_string(value.bVal); break;
        case host::kDbWord: text = "w" + std::to_string(value.wVal); break;
        case host::kDbDword: text = "d" + std::to_string(value.dVal); break;
        case host::kDbText: text = std::string("s") + (value.pszVal ? value.pszVal : ""); break;
        default: text = "type" + std::to_string(value.type);
    }
    Call("DB/Contact/FreeVariant", 0, reinterpret_cast<host::Word>(&value));
    return text;
}

int AddName(const char* name, host::Word param) {
    reinterpret_cast<std::vector<std::string>*>(param)->push_back(name);
    return 0;
}

void AddSettings(std::string& out, int index, host::Contact contact, const std::string& module) {
    std::vector<std::string> names;
    EnumSettings request{AddName, reinterpret_cast<host::Word>(&names), module.c_str(), 0};
    Call("DB/Contact/EnumSettings", reinterpret_cast<host::Word>(contact), reinterpret_cast<host::Word>(&request));
    for (const auto& name : names)
        out += "setting " + std::to_string(index) + " " + module + "/" + name + " = " +
               Setting(contact, module.c_str(), name.c_str()) + "\n";
}

void AddEvents(std::string& out, int index, host::Contact contact) {
    for (host::Word e = Call("DB/Event/FindFirst", reinterpret_cast<host::Word>(contact), 0); e;
         e = Call("DB/Event/FindNext", e, 0)) {
        host::Word size = Call("DB/Event/GetBlobSize", e, 0);
        std::vector<uint8_t> blob(size > 0 ? static_cast<size_t>(size) : 1);
        host::DbEventInfo event{};
        event.cbSize = sizeof event;
        event.blobSize = static_cast<uint32_t>(blob.size());
        event.blob = blob.data();
        if (Call("DB/Event/Get", e, reinterpret_cast<host::Word>(&event))) continue;
        EventGetText request{&event, host::kDbText, CP_ACP};
        auto text = reinterpret_cast<const char*>(Call("DB/Event/GetText", 0, reinterpret_cast<host::Word>(&request)));
        host::Word type = Call("DB/EventType/Get", reinterpret_cast<host::Word>(event.module), event.eventType);
        char head[160];
        std::snprintf(head, sizeof head, "event %d module=%s type=%u sent=%s registered=%d text=", index,
                      event.module ? event.module : "(null)", event.eventType,
                      (event.flags & host::kEventSent) ? "yes" : "no", type != 0 && type != host::kServiceNotFound);
        std::string body = text ? text : "(null)";
        for (char& c : body)
            if (c == '\r' || c == '\n') c = '|';
        out += head + body + "\n";
    }
}

// Whether the contact list's tree holds the contact (CLM_FINDCONTACT).
bool Listed(host::Word contact) {
    auto tree = reinterpret_cast<HWND>(Call("CLUI/GetHwndTree", 0, 0));
    return tree && SendMessageA(tree, 0x1000 + 12, static_cast<WPARAM>(contact), 0) != 0;
}

void DumpDatabase() {
    std::vector<std::string> modules;
    char list[512] = "";
    GetPrivateProfileStringA("Probe", "Modules", "", list, sizeof list, (g_folder + "probe.ini").c_str());
    for (char* m = std::strtok(list, ","); m; m = std::strtok(nullptr, ",")) modules.push_back(m);
    std::vector<host::Word> contacts{0};  // the user's own settings first
    for (host::Word c = Call("DB/Contact/FindFirst", 0, 0); c; c = Call("DB/Contact/FindNext", c, 0))
        contacts.push_back(c);
    std::string out;
    for (size_t index = 0; index < contacts.size(); ++index) {
        host::Word c = contacts[index];
        auto contact = reinterpret_cast<host::Contact>(c);
        int i = static_cast<int>(index);
        if (c) {
            auto proto = reinterpret_cast<const char*>(Call("Proto/GetContactBaseProto", c, 0));
            auto name = reinterpret_cast<const char*>(Call("CList/GetContactDisplayName", c, 0));
            out += "contact " + std::to_string(i) + " proto=" + (proto ? proto : "(null)") +
                   " name=" + (name ? name : "(null)") + " hidden=" + Setting(contact, "CList", "Hidden") +
                   " listed=" + (Listed(c) ? "yes" : "no") + "\n";
        }
        for (const auto& module : modules) AddSettings(out, i, contact, module);
        if (c) AddEvents(out, i, contact);
    }
    WriteWhole("probe-db.txt", out);
}

// What the host knows when it shuts down, before the database closes.
host::Word OnPreShutdown(host::Word, host::Word) {
    DumpDatabase();
    return 0;
}

// Counts the starts in the database: a start that sees the last one's count
// knows the host wrote its database out at the last exit.
void CountStart() {
    std::string last = Setting(nullptr, "Parlet-Probe", "Starts");
    host::DbWriteSetting write{"Parlet-Probe", "Starts", {}};
    write.value.type = host::kDbDword;
    write.value.dVal = last[0] == 'd' ? static_cast<uint32_t>(std::stoul(last.substr(1))) + 1 : 1;
    Call("DB/Contact/WriteSetting", 0, reinterpret_cast<host::Word>(&write));
}

host::Word OnModulesLoaded(host::Word, host::Word) {
    CountStart();
    SetTimer(nullptr, 0, 300, OnTimer);
    return 0;
}

}  // namespace

extern "C" {

__declspec(dllexport) const host::PluginInfoEx* MirandaPluginInfoEx(DWORD) { return &kInfo; }
__declspec(dllexport) const host::Uuid* MirandaPluginInterfaces() { return kInterfaces; }

__declspec(dllexport) int Load(const host::PluginLink* link) {
    g_link = link;
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    g_folder = path;
    g_folder.erase(g_folder.find_last_of('\\') + 1);
    g_hooks.push_back(link->HookEvent("Miranda/System/ModulesLoaded", OnModulesLoaded));
    g_hooks.push_back(link->HookEvent("Miranda/System/PShutdown", OnPreShutdown));
    return 0;
}

__declspec(dllexport) int Unload() {
    for (auto hook : g_hooks) g_link->UnhookEvent(hook);
    return 0;
}

}  // extern "C"
