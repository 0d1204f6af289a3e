// Commands for the forwarding relay: incoming messages through the filter
// chain, the global status, what a contact got back, and the plug-in's
// clock.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>

#include "Scenario.h"
#include "StandIn.h"

namespace scenario {

Result CheckTexts(const std::vector<std::string>& texts, const Args& checks, const std::string& shown) {
    for (const std::string& text : texts) Echo("  %s", Shown(text).c_str());
    for (const std::string& a : checks) {
        long count = 0;
        if (!a.empty() && a[0] == '~') {
            if (texts.empty() || texts.back().find(a.substr(1)) == std::string::npos)
                return Result::Fail(shown + "; the last does not hold " + a.substr(1));
        } else if (!ParseInt(a, &count) || static_cast<size_t>(count) != texts.size()) {
            return Result::Fail(shown + ", expected " + a);
        }
    }
    return Result{true, shown};
}

namespace {

constexpr int kForwardWaitMs = 60000;  // a forward runs a whole send

Result Contact(const std::string& word, host::Contact* contact) {
    return ParseContact(word, contact) ? Result::Ok() : Result::Fail("unknown contact " + word);
}

// The chain of the last "receive ... open", for "wait-chain".
std::shared_ptr<std::atomic<bool>> g_lastChain;

bool WaitFinished(const std::atomic<bool>& finished, int ms) {
    for (int waited = 0; !finished.load(); waited += 10) {
        if (waited >= ms) return false;
        Sleep(10);
    }
    return true;
}

// receive @NAME TEXT [open]: the contact's message goes through its filter
// chain on the interface thread, as the host delivers it. Waits until the
// chain has returned (a forward's whole send included); with "open" it
// returns once the forward's dialog is open, which becomes the current one.
Result Receive(const Args& args) {
    host::Contact contact;
    Result r = Contact(args[0], &contact);
    if (!r.ok) return r;
    const bool open = args.size() == 3;
    if (open && args[2] != "open") return Result::Fail("usage: receive @NAME TEXT [open]");
    const std::string text = args[1], name = args[0];
    const std::vector<HWND> before = OpenDialogs();
    auto finished = StartOnMainThread([contact, text, name] {
        host::Word result = standin::DeliverMessage(contact, text.c_str());
        Echo("message from %s passed on: %ld", name.c_str(), static_cast<long>(result));
    });
    if (open) {
        HWND dialog = WaitForNewDialog(before, kDefaultWaitMs, finished.get());
        if (!dialog) return Result::Fail("no forward dialog opened");
        SetCurrentDialog(dialog);
        NoteOpener(dialog, finished);
        g_lastChain = finished;
        return Result{true, "forward dialog \"" + WindowText(dialog) + "\" opened"};
    }
    if (!WaitFinished(*finished, kForwardWaitMs)) return Result::Fail("the chain did not return");
    return Result::Ok();
}

// wait-chain: waits until the message of the last "receive ... open" has
// passed the chain, its forward's whole send included.
Result WaitChain(const Args&) {
    if (!g_lastChain) return Result::Fail("no \"receive ... open\" before");
    if (!WaitFinished(*g_lastChain, kForwardWaitMs)) return Result::Fail("the chain did not return");
    return Result::Ok();
}

// received @NAME [COUNT] [~PART]...: messages of the contact that reached
// the end of the chain (past every filter).
Result Received(const Args& args) {
    host::Contact contact;
    Result r = Contact(args[0], &contact);
    if (!r.ok) return r;
    std::vector<std::string> texts;
    for (const auto& m : standin::ReceivedMessages())
        if (m.contact == contact) texts.push_back(m.text);
    return CheckTexts(texts, Args(args.begin() + 1, args.end()),
                      std::to_string(texts.size()) + " message(s) from " + args[0] + " delivered");
}

// im @NAME [COUNT] [~PART]...: instant messages the plug-in sent the contact.
Result InstantMessages(const Args& args) {
    host::Contact contact;
    Result r = Contact(args[0], &contact);
    if (!r.ok) return r;
    std::vector<std::string> texts;
    for (const auto& m : standin::SentMessages())
        if (m.contact == contact) texts.push_back(m.text);
    return CheckTexts(texts, Args(args.begin() + 1, args.end()),
                      std::to_string(texts.size()) + " message(s) sent to " + args[0]);
}

// status na|away|online|offline|NUMBER: the global status changes, as the
// contact list tells its modules.
Result Status(const Args& args) {
    static const struct {
        const char* name;
        long value;
    } kNames[] = {{"offline", 40070}, {"online", 40071}, {"away", 40072}, {"na", 40075}};
    long status = -1;
    for (const auto& n : kNames)
        if (args[0] == n.name) status = n.value;
    if (status < 0 && !ParseInt(args[0], &status)) return Result::Fail("not a status: " + args[0]);
    OnMainThread([status] { standin::NotifyEvent("CList/StatusModeChange", static_cast<host::Word>(status), 0); });
    return Result{true, "status " + std::to_string(status)};
}

// last-send @NAME SECONDS: the contact's "LastSendTime" is at most SECONDS
// before the plug-in's clock.
uint32_t PluginNow();

Result LastSend(const Args& args) {
    host::Contact contact;
    Result r = Contact(args[0], &contact);
    if (!r.ok) return r;
    long limit = 0;
    if (!ParseInt(args[1], &limit)) return Result::Fail("not a number: " + args[1]);
    auto last = standin::GetSetting(contact, "Parlet-Plugin", "LastSendTime");
    if (!last || last->type != host::kDbDword) return Result::Fail("no LastSendTime for " + args[0]);
    const uint32_t now = PluginNow();
    const std::string shown =
        "LastSendTime of " + args[0] + " = " + std::to_string(last->number) + ", the clock " + std::to_string(now);
    if (now - last->number > static_cast<uint32_t>(limit)) return Result::Fail(shown);
    return Result{true, shown};
}

// --- the plug-in's clock ----------------------------------------------------------
// The plug-in reads the time with GetSystemTimeAsFileTime; its import of
// that function is pointed at a clock shifted by a number of seconds.
std::atomic<long long> g_shift{0};

void WINAPI ShiftedSystemTime(FILETIME* time) {
    GetSystemTimeAsFileTime(time);
    ULARGE_INTEGER ticks;
    ticks.LowPart = time->dwLowDateTime;
    ticks.HighPart = time->dwHighDateTime;
    ticks.QuadPart += static_cast<ULONGLONG>(g_shift.load() * 10000000LL);
    time->dwLowDateTime = ticks.LowPart;
    time->dwHighDateTime = ticks.HighPart;
}

uint32_t PluginNow() {
    FILETIME now;
    ShiftedSystemTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    return static_cast<uint32_t>((ticks.QuadPart - 116444736000000000ULL) / 10000000ULL);
}

// clock +SECONDS | -SECONDS | EPOCH | system: moves the plug-in's clock on
// or back, sets it to EPOCH (seconds since 1970; it goes on ticking from
// there), or gives it the system's time again. Run it after "load".
Result Clock(const Args& args) {
    HMODULE plugin = GetModuleHandleA("parlet.dll");
    if (!plugin) return Result::Fail("the plug-in is not loaded");
    if (!PatchImport(plugin, "kernel32.dll", "GetSystemTimeAsFileTime", reinterpret_cast<void*>(&ShiftedSystemTime)))
        return Result::Fail("the plug-in does not read GetSystemTimeAsFileTime");
    const std::string& a = args[0];
    long value = 0;
    if (a == "system") {
        g_shift.store(0);
    } else if (!ParseInt(a[0] == '+' ? a.substr(1) : a, &value)) {
        return Result::Fail("usage: clock +SECONDS | -SECONDS | EPOCH | system");
    } else if (a[0] == '+' || a[0] == '-') {
        g_shift.fetch_add(value);
    } else {
        g_shift.fetch_add(static_cast<long long>(value) - PluginNow());
    }
    return Result{true, "the plug-in's clock reads " + std::to_string(PluginNow())};
}

const CommandRegistrar kCommands{
    {"receive", "receive @NAME TEXT [open]", 2, 3, Receive},
    {"wait-chain", "wait-chain", 0, 0, WaitChain},
    {"received", "received @NAME [COUNT] [~PART]...", 1, 8, Received},
    {"im", "im @NAME [COUNT] [~PART]...", 1, 8, InstantMessages},
    {"status", "status na|away|online|offline|NUMBER", 1, 1, Status},
    {"last-send", "last-send @NAME SECONDS", 2, 2, LastSend},
    {"clock", "clock +SECONDS | -SECONDS | EPOCH | system", 1, 1, Clock},
};

}  // namespace
}  // namespace scenario
