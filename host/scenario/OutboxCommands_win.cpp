// Commands for what a send leaves behind: the contact's history (the events
// the plug-in added) and the tooltip of a control (the send dialog's counter).
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "Scenario.h"
#include "StandIn.h"

namespace scenario {
namespace {

constexpr size_t kTipSize = 4096;

// events CONTACT [COUNT] [~PART]...: the history events added to the
// contact, each as "MODULE flags F type T: TEXT"; checks as "outbox" does.
Result Events(const Args& args) {
    host::Contact contact;
    if (!ParseContact(args[0], &contact)) return Result::Fail("unknown contact " + args[0]);
    std::vector<std::string> texts;
    for (const standin::EventRecord& e : standin::Events()) {
        if (e.contact == contact)
            texts.push_back(e.module + " flags " + std::to_string(e.flags) + " type " + std::to_string(e.type) + ": " +
                            e.Text());
    }
    return CheckTexts(texts, Args(args.begin() + 1, args.end()),
                      std::to_string(texts.size()) + " event(s) in the history of " + args[0]);
}

struct TipSearch {
    HWND owner;
    std::vector<HWND> tips;
};

BOOL CALLBACK CollectTips(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<TipSearch*>(lParam);
    if (ClassOf(window) == TOOLTIPS_CLASSA && GetWindow(window, GW_OWNER) == search->owner)
        search->tips.push_back(window);
    return TRUE;
}

// tooltip ID [TEXT]: the text of the tooltip the current dialog shows for
// control ID; checks it (exactly, or ~PART).
Result Tooltip(const Args& args) {
    long id = 0;
    if (!ParseInt(args[0], &id)) return Result::Fail("not a control id: " + args[0]);
    HWND dialog = CurrentDialog();
    if (!dialog) return Result::Fail("no dialog is open");
    std::string text;
    bool found = false;
    OnMainThread([&] {
        TipSearch search{dialog, {}};
        EnumThreadWindows(GetCurrentThreadId(), CollectTips, reinterpret_cast<LPARAM>(&search));
        for (HWND tip : search.tips) {
            std::vector<char> buffer(kTipSize, '\0');
            TOOLINFOA tool{};
            tool.cbSize = TTTOOLINFOA_V2_SIZE;
            tool.hwnd = dialog;
            tool.uId = static_cast<UINT_PTR>(id);
            tool.lpszText = buffer.data();
            if (!SendMessageA(tip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool))) continue;
            tool.lpszText = buffer.data();
            SendMessageA(tip, TTM_GETTEXTA, buffer.size(), reinterpret_cast<LPARAM>(&tool));
            text = buffer.data();
            found = true;
        }
    });
    if (!found) return Result::Fail("no tooltip for control " + args[0]);
    Echo("  %s", Shown(text).c_str());
    if (args.size() == 2 && !Matches(text, args[1])) return Result::Fail("the tooltip is not " + Shown(args[1]));
    return Result::Ok();
}

CommandRegistrar g_commands{
    {"events", "events CONTACT [COUNT] [~PART]...", 1, 8, Events},
    {"tooltip", "tooltip ID [TEXT]", 1, 2, Tooltip},
};

}  // namespace
}  // namespace scenario
