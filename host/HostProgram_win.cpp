// parlet-host: loads a plug-in DLL into the stand-in the way Miranda IM
// does at start-up and shut-down, and tells what it saw.
//
//   parlet-host [--db FILE] [--scenario FILE] [--langpack FILE] PLUGIN.dll
//
// With --db the database is loaded from FILE first (when it exists) and
// saved back after Unload; FILE's folder is the profile's folder. With --scenario the commands of FILE run after
// start-up (see docs/host-standin.md). With --langpack every text the
// plug-in had translated must be listed in the language pack FILE. Exit code 0 when every step went as
// the host expects, 1 otherwise.
#include <windows.h>
#include <winver.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "StandIn.h"
#include "scenario/ScenarioRun.h"

namespace {

using InfoProc = const host::PluginInfo* (*)(DWORD);
using InterfacesProc = const host::Uuid* (*)();
using LoadProc = int (*)(const host::PluginLink*);
using UnloadProc = int (*)();

constexpr int kMaxInterfaces = 64;

// Through the generic function pointer type, which converts to any other.
template <typename Proc>
Proc Entry(HMODULE module, const char* name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

std::string Version(uint32_t v) {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", (v >> 24) & 255, (v >> 16) & 255, (v >> 8) & 255, v & 255);
    return text;
}

bool ShowInfo(const char* entry, const host::PluginInfo* info, int expectedSize) {
    if (!info) {
        std::printf("%s: no record\n", entry);
        return false;
    }
    std::printf("%s: size %d, name \"%s\", version %s\n", entry, info->cbSize,
                info->shortName ? info->shortName : "(none)", Version(info->version).c_str());
    if (info->cbSize != expectedSize) {
        std::printf("%s: the host expects size %d\n", entry, expectedSize);
        return false;
    }
    return info->shortName != nullptr;
}

// The DLL's version resource against the version its record reports: both
// come from one header, so they must agree. A DLL without one is no error.
void ShowVersionResource(HMODULE module, uint32_t recordVersion) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(module, path, sizeof path);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    std::vector<char> data(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoA(path, 0, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || length < sizeof *fixed) {
        std::printf("version resource: none\n");
        return;
    }
    const uint32_t v = (HIWORD(fixed->dwFileVersionMS) & 255) << 24 | (LOWORD(fixed->dwFileVersionMS) & 255) << 16 |
                       (HIWORD(fixed->dwFileVersionLS) & 255) << 8 | (LOWORD(fixed->dwFileVersionLS) & 255);
    std::printf("version resource: %s, %s\n", Version(v).c_str(),
                v == recordVersion ? "the record's" : "not the record's");
}

bool IsZero(const host::Uuid& u) {
    static const host::Uuid zero{};
    return std::memcmp(&u, &zero, sizeof u) == 0;
}

HMODULE LoadPlugin(const std::string& path) {
    HMODULE module = LoadLibraryA(path.c_str());
    // Under Wine a Unix path names a file of the Z: drive.
    if (!module && !path.empty() && path[0] == '/') module = LoadLibraryA(("Z:" + path).c_str());
    return module;
}

void ShowWhatItRegistered() {
    const char* events[] = {"Miranda/System/ModulesLoaded", "Opt/Initialise", "CList/StatusModeChange",
                            "CList/PreBuildContactMenu"};
    for (const char* e : events) std::printf("hooks on %s: %d\n", e, standin::HookCount(e));
    for (const std::string& m : standin::RegisteredModules()) std::printf("protocol module: %s\n", m.c_str());
    for (const auto& item : standin::MenuItems())
        std::printf("%s menu item: \"%s\" -> %s\n", item.contactMenu ? "contact" : "main", item.name.c_str(),
                    item.service.c_str());
}

// While start-up and shut-down run outside a scenario, this answers the
// plug-in's message boxes (a missing gateway folder, say) the way a user
// would, with OK, and prints them, so that the program never waits for a
// click nobody will give.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer() : thread_(GetCurrentThreadId()), worker_([this] { Run(); }) {}
    ~MessageBoxAnswerer() {
        stop_ = true;
        worker_.join();
    }

private:
    static BOOL CALLBACK Answer(HWND window, LPARAM) {
        char cls[16] = "";
        GetClassNameA(window, cls, sizeof cls);
        if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
        char caption[256] = "", text[2048] = "";
        GetWindowTextA(window, caption, sizeof caption);
        GetDlgItemTextA(window, 0xFFFF, text, sizeof text);  // a message box's text
        std::printf("message box \"%s\": %s (answered OK)\n", caption, text);
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    void Run() {
        for (; !stop_; Sleep(50)) EnumThreadWindows(thread_, Answer, 0);
    }
    DWORD thread_;
    std::atomic<bool> stop_{false};
    std::thread worker_;
};

struct HostArguments {
    std::string db, plugin, scenarioFile, langpack;
};

bool ReadArguments(int argc, char** argv, HostArguments* args) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--db") == 0 && i + 1 < argc)
            args->db = argv[++i];
        else if (std::strcmp(argv[i], "--scenario") == 0 && i + 1 < argc)
            args->scenarioFile = argv[++i];
        else if (std::strcmp(argv[i], "--langpack") == 0 && i + 1 < argc)
            args->langpack = argv[++i];
        else
            args->plugin = argv[i];
    }
    if (args->plugin.empty()) {
        std::fprintf(stderr, "usage: parlet-host [--db FILE] [--scenario FILE] [--langpack FILE] PLUGIN.dll\n");
        return false;
    }
    return true;
}

// The stand-in as the plug-in will find it, with the database of --db when
// that file exists.
bool StartStandIn(const std::string& db) {
    standin::Reset();
    // As in a Miranda with the popup plug-in: notices become popups (listed
    // by the scenario command "popups") rather than message boxes that
    // nobody would close. "popups off" brings the message boxes back.
    standin::SetPopupService(true);
    // The database file is the profile, named as the file, in a folder of
    // profiles: a host whose profiles lie side by side.
    if (!db.empty()) {
        char full[MAX_PATH];
        char* name = nullptr;
        DWORD length = GetFullPathNameA(db.c_str(), MAX_PATH, full, &name);
        if (length > 0 && length < MAX_PATH && name && name > full) {
            standin::SetProfileName(name);
            name[-1] = '\0';
            standin::SetProfileFolder(full);
        }
    }
    if (!db.empty() && GetFileAttributesA(db.c_str()) != INVALID_FILE_ATTRIBUTES && !standin::LoadDatabase(db)) {
        std::printf("database %s: unreadable\n", db.c_str());
        return false;
    }
    std::printf("link record: %u bytes, plugin information: %u / %u bytes\n",
                static_cast<unsigned>(sizeof(host::PluginLink)), static_cast<unsigned>(sizeof(host::PluginInfo)),
                static_cast<unsigned>(sizeof(host::PluginInfoEx)));
    return true;
}

struct PluginEntries {
    InfoProc infoEx, info;
    InterfacesProc interfaces;
    LoadProc load;
    UnloadProc unload;
};

PluginEntries FindEntries(HMODULE module) {
    return {Entry<InfoProc>(module, "MirandaPluginInfoEx"), Entry<InfoProc>(module, "MirandaPluginInfo"),
            Entry<InterfacesProc>(module, "MirandaPluginInterfaces"), Entry<LoadProc>(module, "Load"),
            Entry<UnloadProc>(module, "Unload")};
}

// The information records and the interface list, checked the way the host
// checks them before it calls Load.
bool CheckRecords(HMODULE module, const PluginEntries& entries) {
    bool ok = true;
    if (!entries.infoEx && !entries.info) {
        std::printf("no MirandaPluginInfoEx or MirandaPluginInfo\n");
        ok = false;
    }
    if (entries.infoEx) ok = ShowInfo("MirandaPluginInfoEx", entries.infoEx(standin::kHostVersion), 56) && ok;
    if (entries.infoEx && entries.infoEx(standin::kHostVersion))
        ShowVersionResource(module, entries.infoEx(standin::kHostVersion)->version);
    if (entries.info) ok = ShowInfo("MirandaPluginInfo", entries.info(standin::kHostVersion), 40) && ok;
    if (entries.interfaces) {
        const host::Uuid* list = entries.interfaces();
        int n = 0;
        while (list && n < kMaxInterfaces && !IsZero(list[n])) ++n;
        std::printf("MirandaPluginInterfaces: %d interface(s)\n", n);
        if (!list || n == kMaxInterfaces) ok = false;
    } else if (entries.infoEx) {
        std::printf("MirandaPluginInterfaces: missing, which the extended record needs\n");
        ok = false;
    }
    return ok;
}

// Load, then the event that tells plug-ins that every module is up.
bool StartPlugin(const PluginEntries& entries) {
    MessageBoxAnswerer answerer;
    int loaded = entries.load(standin::Link());
    std::printf("Load: %d\n", loaded);
    if (loaded != 0) return false;
    int called = standin::NotifyEvent("Miranda/System/ModulesLoaded", 0, 0);
    std::printf("Miranda/System/ModulesLoaded: %d hook(s) called\n", called);
    // Windows messages the plug-in posted to itself get their turn.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    ShowWhatItRegistered();
    return true;
}

// Runs the scenario (when there is one and start-up went well), else
// unloads the plug-in at once.
bool RunScenarioOrUnload(const HostArguments& args, HMODULE module, const PluginEntries& entries, bool ok) {
    if (ok && !args.scenarioFile.empty()) {
        // The scenario may unload and load the plug-in again itself.
        scenario::SetPlugin(args.plugin, module);
        ok = scenario::RunScenario(args.scenarioFile);
        if (scenario::PluginLoaded()) ok = scenario::UnloadPluginAtEnd() && ok;
        return ok;
    }
    MessageBoxAnswerer answerer;
    int unloaded = entries.unload();
    std::printf("Unload: %d\n", unloaded);
    if (unloaded != 0) ok = false;
    FreeLibrary(module);
    return ok;
}

// The English texts of a language pack: each "[text]" line, with "\n",
// "\r" and "\t" read as the characters they stand for.
bool ReadLanguagePack(const std::string& path, std::set<std::string>* texts) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::string line;
    for (int c = 0; c != EOF;) {
        c = std::fgetc(file);
        if (c != '\n' && c != EOF) {
            line += static_cast<char>(c);
            continue;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t close = line.rfind(']');
        if (!line.empty() && line[0] == '[' && close != std::string::npos) {
            std::string text;
            for (size_t i = 1; i < close; ++i) {
                const char next = i + 1 < close ? line[i + 1] : '\0';
                if (line[i] == '\\' && (next == 'n' || next == 'r' || next == 't')) {
                    text += next == 'n' ? '\n' : next == 'r' ? '\r' : '\t';
                    ++i;
                } else {
                    text += line[i];
                }
            }
            texts->insert(text);
        }
        line.clear();
    }
    std::fclose(file);
    return true;
}

// Every text the plug-in had translated must be in the language pack.
bool CheckLanguagePack(const std::string& path) {
    std::set<std::string> listed;
    if (!ReadLanguagePack(path, &listed)) {
        std::printf("language pack %s: unreadable\n", path.c_str());
        return false;
    }
    const std::set<std::string> translated = standin::TranslatedTexts();
    int missing = 0;
    for (const std::string& text : translated) {
        // A text translated again in marking mode carries the mark already.
        if (listed.count(text) || text.compare(0, 3, "[T]") == 0) continue;
        std::printf("language pack: not listed: [%s]\n", text.c_str());
        ++missing;
    }
    std::printf("language pack: %u texts translated, %d not listed\n", static_cast<unsigned>(translated.size()),
                missing);
    return missing == 0;
}

}  // namespace

int main(int argc, char** argv) {
    HostArguments args;
    if (!ReadArguments(argc, argv, &args)) return 1;
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (!StartStandIn(args.db)) return 1;

    HMODULE module = LoadPlugin(args.plugin);
    if (!module) {
        std::printf("%s: cannot load (error %lu)\n", args.plugin.c_str(), GetLastError());
        return 1;
    }
    const PluginEntries entries = FindEntries(module);
    const bool recordsOk = CheckRecords(module, entries);
    if (!entries.load || !entries.unload) {
        std::printf("Load or Unload missing\n");
        FreeLibrary(module);
        return 1;
    }
    if (!recordsOk) {
        FreeLibrary(module);
        return 1;
    }

    bool ok = StartPlugin(entries);
    ok = RunScenarioOrUnload(args, module, entries, ok);
    if (!args.db.empty() && !standin::SaveDatabase(args.db)) {
        std::printf("database %s: cannot save\n", args.db.c_str());
        ok = false;
    }
    if (!args.langpack.empty()) ok = CheckLanguagePack(args.langpack) && ok;
    std::printf("host: %s\n", ok ? "ok" : "failed");
    return ok ? 0 : 1;
}
