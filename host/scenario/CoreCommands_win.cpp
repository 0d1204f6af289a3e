// Commands for the host itself: settings, contacts, the plug-in, menus.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Scenario.h"
#include "StandIn.h"

namespace scenario {
namespace {

std::string Describe(const std::optional<standin::Setting>& s) {
    if (!s) return "absent";
    switch (s->type) {
    case host::kDbByte: return "byte " + std::to_string(s->number);
    case host::kDbWord: return "word " + std::to_string(s->number);
    case host::kDbDword: return "dword " + std::to_string(s->number);
    default: return "text \"" + s->text + "\"";
    }
}

Result Contact(const std::string& word, host::Contact* contact) {
    return ParseContact(word, contact) ? Result::Ok() : Result::Fail("unknown contact " + word);
}

Result Help(const Args&) {
    for (const Command& c : AllCommands()) Echo("  %s", c.usage);
    return Result::Ok();
}

Result EchoCommand(const Args& args) {
    std::string text;
    for (const std::string& a : args) text += (text.empty() ? "" : " ") + a;
    return Result{true, text};
}

Result SleepCommand(const Args& args) {
    long ms = 0;
    if (!ParseInt(args[0], &ms) || ms < 0) return Result::Fail("not a time: " + args[0]);
    Sleep(static_cast<DWORD>(ms));
    return Result::Ok();
}

Result SetSetting(const Args& args) {
    host::Contact contact;
    Result r = Contact(args[0], &contact);
    if (!r.ok) return r;
    const char* module = args[1].c_str();
    const char* name = args[2].c_str();
    const std::string& type = args[3];
    long n = 0;
    if (type == "text") {
        standin::SetText(contact, module, name, args[4]);
    } else if (!ParseInt(args[4], &n)) {
        return Result::Fail("not a number: " + args[4]);
    } else if (type == "byte") {
        standin::SetByte(contact, module, name, static_cast<uint8_t>(n));
    } else if (type == "word") {
        standin::SetWord(contact, module, name, static_cast<uint16_t>(n));
    } else if (type == "dword") {
        standin::SetDword(contact, module, name, static_cast<uint32_t>(n));
    } else {
        return Result::Fail("type is byte, word, dword or text");
    }
    return Result{true, args[1] + "/" + args[2] + " = " + Describe(standin::GetSetting(contact, module, name))};
}

Result DeleteSettingCommand(const Args& args) {
    host::Contact contact;
    Result r = Contact(args[0], &contact);
    if (!r.ok) return r;
    standin::DeleteSetting(contact, args[1].c_str(), args[2].c_str());
    return Result{true, args[1] + "/" + args[2] + " deleted"};
}

// get CONTACT MODULE NAME [EXPECTED]: EXPECTED is "absent", the value as
// printed ("byte 1", or the text alone for a text), "TYPE *" for any value
// of that type ("dword *", "text *"), or ~PART for a text that holds PART.
Result GetSetting(const Args& args) {
    host::Contact contact;
    Result r = Contact(args[0], &contact);
    if (!r.ok) return r;
    auto s = standin::GetSetting(contact, args[1].c_str(), args[2].c_str());
    std::string shown = args[1] + "/" + args[2] + " = " + Describe(s);
    if (args.size() == 4) {
        const std::string& want = args[3];
        bool text = s && s->type == host::kDbText;
        const std::string type = Describe(s).substr(0, Describe(s).find(' '));
        bool match = want == "absent"                          ? !s
                     : s && want == type + " *"                ? true
                     : text && !want.empty() && want[0] == '~' ? s->text.find(want.substr(1)) != std::string::npos
                     : text                                    ? s->text == want
                                                               : Describe(s) == want;
        if (!match) return Result::Fail(shown + ", expected " + args[3]);
    }
    return Result{true, shown};
}

Result AddContactCommand(const Args& args) {
    host::Contact contact = standin::AddContact();
    NameContact(args[0], contact);
    if (args.size() == 2) {
        standin::AddAccount(args[1]);
        standin::SetText(contact, "Protocol", "p", args[1]);
    }
    char text[64];
    std::snprintf(text, sizeof text, "contact @%s = %ld", args[0].c_str(),
                  static_cast<long>(reinterpret_cast<intptr_t>(contact)));
    return Result{true, text};
}

// Prints the whole database in the stand-in's file form.
Result Database(const Args&) {
    char folder[MAX_PATH], file[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    GetTempFileNameA(folder, "pdb", 0, file);
    bool saved = standin::SaveDatabase(file);
    if (saved) {
        if (FILE* f = std::fopen(file, "rb")) {
            char line[2048];
            while (std::fgets(line, sizeof line, f)) {
                std::string l = line;
                while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
                Echo("  %s", l.c_str());
            }
            std::fclose(f);
        }
    }
    DeleteFileA(file);
    return saved ? Result::Ok() : Result::Fail("cannot save the database");
}

// popups [on|off]: lists the popups shown so far, or offers the popup
// service (on, the host program's default) or not (notices then come as
// message boxes, which "dialogs" lists and "press 1" closes). "popups mark"
// remembers how many were shown; "popups since COUNT" checks how many came
// after that.
size_t g_popupMark = 0;

Result Popups(const Args& args) {
    auto popups = standin::Popups();
    if (args.empty()) {
        for (const auto& p : popups) Echo("  popup \"%s\": %s", p.title.c_str(), p.text.c_str());
        return Result{true, std::to_string(popups.size()) + " popup(s)"};
    }
    if (args[0] == "mark") {
        g_popupMark = popups.size();
        return Result{true, "marked after " + std::to_string(g_popupMark) + " popup(s)"};
    }
    if (args[0] == "since") {
        long expected = 0;
        if (args.size() != 2 || !ParseInt(args[1], &expected)) return Result::Fail("usage: popups since COUNT");
        for (size_t i = g_popupMark; i < popups.size(); ++i)
            Echo("  popup \"%s\": %s", popups[i].title.c_str(), popups[i].text.c_str());
        std::string shown = std::to_string(popups.size() - g_popupMark) + " popup(s) since the mark";
        if (popups.size() - g_popupMark != static_cast<size_t>(expected))
            return Result::Fail(shown + ", expected " + args[1]);
        return Result{true, shown};
    }
    if (args[0] != "on" && args[0] != "off") return Result::Fail("usage: popups [on|off|mark|since COUNT]");
    standin::SetPopupService(args[0] == "on");
    return Result{true, "popup service " + args[0]};
}

// translation on|off: while on, every translated text comes back with "[T]"
// in front, dialogs included, so a scenario sees what went through the
// language pack.
Result Translation(const Args& args) {
    if (args[0] != "on" && args[0] != "off") return Result::Fail("usage: translation on|off");
    standin::SetTranslationMarking(args[0] == "on");
    return Result{true, "translation marking " + args[0]};
}

Result Load(const Args&) { return LoadPlugin(); }
Result Unload(const Args&) { return UnloadPlugin(); }

// menu main | menu contact @NAME [PRESET]: runs the command as the host
// does, on the interface thread, and waits until its dialog is open or it
// returned. A preset message is handed to the command on the C library's
// heap, which the plug-in shares and frees it from.
Result Menu(const Args& args) {
    std::string service;
    host::Contact contact = nullptr;
    char* preset = nullptr;
    if (args[0] == "main" && args.size() == 1) {
        service = "Parlet/Send";
    } else if (args[0] == "contact" && (args.size() == 2 || args.size() == 3)) {
        Result r = Contact(args[1], &contact);
        if (!r.ok) return r;
        service = "RodaDID/MenuCommand";
        if (args.size() == 3) preset = _strdup(args[2].c_str());
    } else {
        return Result::Fail("usage: menu main | menu contact @NAME [PRESET]");
    }
    std::vector<HWND> before = OpenDialogs();
    auto finished = StartOnMainThread([service, contact, preset] {
        host::Word result = standin::Link()->CallService(service.c_str(), reinterpret_cast<host::Word>(contact),
                                                         reinterpret_cast<host::Word>(preset));
        Echo("%s returned %ld", service.c_str(), static_cast<long>(result));
    });
    HWND dialog = WaitForNewDialog(before, kDefaultWaitMs, finished.get());
    if (!dialog) {
        if (finished->load()) return Result::Ok();
        return Result::Fail("no dialog opened");
    }
    SetCurrentDialog(dialog);
    NoteOpener(dialog, finished);
    return Result{true, "dialog \"" + WindowText(dialog) + "\" opened"};
}

// menu-shown @NAME [shown|hidden]: what the contact menu shows for it.
Result MenuShown(const Args& args) {
    host::Contact contact;
    Result r = Contact(args[0], &contact);
    if (!r.ok) return r;
    std::string state = "no contact menu item";
    OnMainThread([&] {
        standin::NotifyEvent("CList/PreBuildContactMenu", reinterpret_cast<host::Word>(contact), 0);
        for (const auto& item : standin::MenuItems())
            if (item.contactMenu) state = (item.flags & host::kMenuFlagHidden) ? "hidden" : "shown";
    });
    std::string shown = "contact menu item for " + args[0] + ": " + state;
    if (args.size() == 2 && args[1] != state) return Result::Fail(shown + ", expected " + args[1]);
    return Result{true, shown};
}

// outbox [COUNT] [~PART]...: the provider's outbox (the file
// ${PARLET_OUTBOX}), one JSON line a message; checks how many there are and
// that the last holds each PART (as written in the JSON line).
Result Outbox(const Args& args) {
    const char* path = std::getenv("PARLET_OUTBOX");
    if (!path) return Result::Fail("PARLET_OUTBOX is not set");
    std::vector<std::string> lines;
    if (FILE* f = std::fopen(path, "rb")) {
        char line[8192];
        while (std::fgets(line, sizeof line, f)) {
            std::string l = line;
            while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
            if (!l.empty()) lines.push_back(l);
        }
        std::fclose(f);
    }
    for (const std::string& l : lines) Echo("  %s", l.c_str());
    std::string shown = std::to_string(lines.size()) + " message(s) in the outbox";
    for (const std::string& a : args) {
        long count = 0;
        if (!a.empty() && a[0] == '~') {
            if (lines.empty() || lines.back().find(a.substr(1)) == std::string::npos)
                return Result::Fail(shown + "; the last does not hold " + a.substr(1));
        } else if (!ParseInt(a, &count) || static_cast<size_t>(count) != lines.size()) {
            return Result::Fail(shown + ", expected " + a);
        }
    }
    return Result{true, shown};
}

// write-file PATH TEXT: writes TEXT (escapes allowed) to PATH, e.g. a
// gateway file the scenario needs.
Result WriteFile(const Args& args) {
    size_t slash = args[0].find_last_of("\\/");
    if (slash != std::string::npos) CreateDirectoryA(args[0].substr(0, slash).c_str(), nullptr);
    FILE* f = std::fopen(args[0].c_str(), "wb");
    if (!f) return Result::Fail("cannot write " + args[0]);
    bool ok = std::fwrite(args[1].data(), 1, args[1].size(), f) == args[1].size();
    ok = std::fclose(f) == 0 && ok;
    return ok ? Result{true, "wrote " + std::to_string(args[1].size()) + " bytes to " + args[0]}
              : Result::Fail("cannot write " + args[0]);
}

const CommandRegistrar kCommands{
    {"write-file", "write-file PATH TEXT", 2, 2, WriteFile},
    {"outbox", "outbox [COUNT] [~PART]...", 0, 8, Outbox},
    {"help", "help", 0, 0, Help},
    {"echo", "echo TEXT...", 0, 64, EchoCommand},
    {"sleep", "sleep MS", 1, 1, SleepCommand},
    {"set", "set CONTACT MODULE NAME byte|word|dword|text VALUE", 5, 5, SetSetting},
    {"delete", "delete CONTACT MODULE NAME", 3, 3, DeleteSettingCommand},
    {"get", "get CONTACT MODULE NAME [EXPECTED|absent]", 3, 4, GetSetting},
    {"contact", "contact NAME [PROTOCOL]", 1, 2, AddContactCommand},
    {"database", "database", 0, 0, Database},
    {"popups", "popups [on|off|mark|since COUNT]", 0, 2, Popups},
    {"translation", "translation on|off", 1, 1, Translation},
    {"load", "load", 0, 0, Load},
    {"unload", "unload", 0, 0, Unload},
    {"menu", "menu main | menu contact @NAME [PRESET]", 1, 3, Menu},
    {"menu-shown", "menu-shown @NAME [shown|hidden]", 1, 2, MenuShown},
};

}  // namespace
}  // namespace scenario
