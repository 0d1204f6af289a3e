// Commands that work the open dialog the way a user would.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdio>

#include "Scenario.h"
#include "ScenarioLine.h"

namespace scenario {
namespace {

void Notify(HWND control, int code) {
    SendMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
}

Result Dialogs(const Args&) {
    std::vector<HWND> open = OpenDialogs();
    HWND current = CurrentDialog();
    for (size_t i = 0; i < open.size(); ++i)
        Echo("  %u: %s%s", static_cast<unsigned>(i + 1), Shown(WindowText(open[i])).c_str(),
             open[i] == current ? " (current)" : "");
    return Result{true, std::to_string(open.size()) + " dialog(s) open"};
}

Result Use(const Args& args) {
    long n = 0;
    std::vector<HWND> open = OpenDialogs();
    if (!ParseInt(args[0], &n) || n < 1 || static_cast<size_t>(n) > open.size())
        return Result::Fail("no dialog " + args[0]);
    SetCurrentDialog(open[static_cast<size_t>(n - 1)]);
    return Result{true, "using " + Shown(WindowText(open[static_cast<size_t>(n - 1)]))};
}

BOOL CALLBACK PrintControl(HWND control, LPARAM dialog) {
    if (GetParent(control) != reinterpret_cast<HWND>(dialog)) return TRUE;  // a combo box's own edit
    std::string extra = IsWindowEnabled(control) ? "" : " (disabled)";
    if (!IsWindowVisible(control)) extra += " (hidden)";
    std::string cls = ClassOf(control);
    std::string text = WindowText(control);
    if (cls == "msctls_progress32") text = std::to_string(SendMessageA(control, PBM_GETPOS, 0, 0));
    Echo("  %d %s %s%s", GetDlgCtrlID(control), cls.c_str(), Shown(text).c_str(), extra.c_str());
    if (cls == "ComboBox") {
        int count = static_cast<int>(SendMessageA(control, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char item[512] = "";
            if (SendMessageA(control, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof item))
                SendMessageA(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            Echo("      item %s%s", Shown(item).c_str(),
                 SendMessageA(control, CB_GETCURSEL, 0, 0) == i ? " (selected)" : "");
        }
    }
    return TRUE;
}

Result Texts(const Args&) {
    HWND dialog = CurrentDialog();
    if (!dialog) return Result::Fail("no dialog is open");
    OnMainThread([&] {
        Echo("  dialog %s", Shown(WindowText(dialog)).c_str());
        EnumChildWindows(dialog, PrintControl, reinterpret_cast<LPARAM>(dialog));
        // A property sheet: the controls of the page it shows, too.
        HWND page = IsPropertySheet(dialog) ? reinterpret_cast<HWND>(SendMessageA(dialog, PSM_GETCURRENTPAGEHWND, 0, 0))
                                            : nullptr;
        if (page) {
            Echo("  page %s", Shown(WindowText(page)).c_str());
            EnumChildWindows(page, PrintControl, reinterpret_cast<LPARAM>(page));
        }
    });
    return Result::Ok();
}

Result SetText(const Args& args) {
    HWND control;
    Result r = FindControl(args[0], &control);
    if (!r.ok) return r;
    OnMainThread([&] { SetWindowTextA(control, args[1].c_str()); });
    return Result{true, args[0] + " = " + Shown(args[1])};
}

// TEXT as UTF-8, set as Unicode: characters the ANSI code page lacks too.
Result SetWideText(const Args& args) {
    HWND control;
    Result r = FindControl(args[0], &control);
    if (!r.ok) return r;
    const std::string& utf8 = args[1];
    std::wstring wide(utf8.size() + 1, L'\0');
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    if (units <= 0) return Result::Fail("the text is not UTF-8");
    OnMainThread([&] { SetWindowTextW(control, wide.c_str()); });
    return Result{true, args[0] + " = " + Shown(args[1]) + " (Unicode)"};
}

// Picks the item whose text equals TEXT, else the first that begins with it,
// and tells the dialog as a user's choice would.
Result Select(const Args& args) {
    HWND control;
    Result r = FindControl(args[0], &control);
    if (!r.ok) return r;
    LRESULT index = CB_ERR;
    OnMainThread([&] {
        index = SendMessageA(control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                             reinterpret_cast<LPARAM>(args[1].c_str()));
        if (index == CB_ERR)
            index = SendMessageA(control, CB_FINDSTRING, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(args[1].c_str()));
        if (index == CB_ERR) return;
        SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        Notify(control, CBN_SELCHANGE);
    });
    if (index == CB_ERR) return Result::Fail("no item " + Shown(args[1]));
    return Result{true, "selected item " + std::to_string(index) + " " + Shown(WindowText(control))};
}

// item ID TEXT [present|absent]: tells (and checks) whether a combo box
// holds an item whose text is TEXT (or holds ~PART).
Result Item(const Args& args) {
    HWND control;
    Result r = FindControl(args[0], &control);
    if (!r.ok) return r;
    if (args.size() == 3 && args[2] != "present" && args[2] != "absent")
        return Result::Fail("usage: item ID TEXT [present|absent]");
    int found = -1;
    OnMainThread([&] {
        int count = static_cast<int>(SendMessageA(control, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count && found < 0; ++i) {
            LRESULT length = SendMessageA(control, CB_GETLBTEXTLEN, i, 0);
            std::string text(length > 0 ? static_cast<size_t>(length) + 1 : 1, '\0');
            if (length > 0) SendMessageA(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
            if (Matches(text.c_str(), args[1])) found = i;
        }
    });
    std::string state = found >= 0 ? "present" : "absent";
    std::string shown = "item " + Shown(args[1]) + " of " + args[0] + " " + state;
    if (args.size() == 3 && args[2] != state) return Result::Fail(shown + ", expected " + args[2]);
    return Result{true, shown};
}

BOOL CALLBACK CollectTooltip(HWND window, LPARAM list) {
    if (ClassOf(window) == TOOLTIPS_CLASSA) reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// tip ID [TEXT]: the tooltip the control shows; fails unless it is TEXT.
Result Tip(const Args& args) {
    HWND control;
    Result r = FindControl(args[0], &control);
    if (!r.ok) return r;
    std::string text;
    OnMainThread([&] {
        std::vector<HWND> tips;
        EnumThreadWindows(GetCurrentThreadId(), CollectTooltip, reinterpret_cast<LPARAM>(&tips));
        for (HWND tip : tips) {
            char buffer[512] = "";
            TTTOOLINFOA tool{};
            tool.cbSize = TTTOOLINFOA_V2_SIZE;
            tool.hwnd = GetParent(control);
            tool.uId = reinterpret_cast<UINT_PTR>(control);
            tool.lpszText = buffer;
            SendMessageA(tip, TTM_GETTEXTA, sizeof buffer, reinterpret_cast<LPARAM>(&tool));
            if (buffer[0]) text = buffer;
        }
    });
    std::string shown = args[0] + " tooltip " + Shown(text);
    if (args.size() == 2 && !Matches(text, args[1])) return Result::Fail(shown + ", expected " + Shown(args[1]));
    return Result{true, shown};
}

// Presses a button: its command goes to the dialog as a click's would; a
// disabled button takes no press. Returns once the press has begun, since
// it may open a modal dialog of its own.
Result Press(const Args& args) {
    HWND control;
    Result r = FindControl(args[0], &control);
    if (!r.ok) return r;
    if (!IsWindowEnabled(control)) return Result{true, "press " + args[0] + ": disabled, nothing happens"};
    std::string outcome = "pressed " + args[0] + " " + Shown(WindowText(control));
    std::vector<HWND> before = OpenDialogs();
    auto finished = StartOnMainThread([control] { Notify(control, BN_CLICKED); });
    // A modal dialog opened by the press becomes the current one: the press
    // has either returned or it runs that dialog, however busy the machine.
    HWND opened = WaitForNewDialog(before, kDefaultWaitMs, finished.get());
    if (opened) {
        SetCurrentDialog(opened);
        outcome += ", dialog " + Shown(WindowText(opened)) + " opened";
    }
    return Result{true, outcome};
}

}  // namespace

Result SendKeys(const Args& args, bool keyStrokes, const std::string& verb, const std::string& onto) {
    HWND control;
    Result r = FindControl(args[0], &control);
    if (!r.ok) return r;
    std::vector<TypedKey> keys;
    std::string error;
    if (!ParseKeys(args[1], &keys, &error)) return Result::Fail(error);
    OnMainThread([&] {
        SetFocus(control);
        for (const TypedKey& key : keys) {
            BYTE state[256];
            GetKeyboardState(state);
            BYTE saved = state[VK_CONTROL];
            if (key.control) {
                state[VK_CONTROL] |= 0x80;
                SetKeyboardState(state);
            }
            SHORT scan = keyStrokes ? VkKeyScanA(key.character) : -1;
            WPARAM vk = scan == -1 ? 0 : static_cast<WPARAM>(scan & 0xFF);
            if (vk) SendMessageA(control, WM_KEYDOWN, vk, 1);
            SendMessageA(control, WM_CHAR, static_cast<unsigned char>(key.character), 1);
            if (vk) SendMessageA(control, WM_KEYUP, vk, 0xC0000001);
            if (key.control) {
                state[VK_CONTROL] = saved;
                SetKeyboardState(state);
            }
        }
    });
    return Result{true, verb + " " + std::to_string(keys.size()) + " key(s) " + onto + " " + args[0]};
}

namespace {

// type ID KEYS: characters only (WM_CHAR), so a subclass sees them.
Result Type(const Args& args) { return SendKeys(args, false, "typed", "into"); }

// What "wait" and "expect" compare: a control's text, or a progress bar's
// position.
std::string ShownValue(HWND control) {
    if (ClassOf(control) == PROGRESS_CLASSA) return std::to_string(SendMessageA(control, PBM_GETPOS, 0, 0));
    return WindowText(control);
}

Result WaitText(const Args& args, int limitMs) {
    HWND control;
    Result r = FindControl(args[0], &control);
    if (!r.ok) return r;
    std::string text;
    for (int waited = 0;; waited += 20) {
        text = ShownValue(control);
        if (Matches(text, args[1])) return Result{true, args[0] + " shows " + Shown(text)};
        if (waited >= limitMs) break;
        Sleep(20);
    }
    return Result::Fail(args[0] + " shows " + Shown(text) + ", expected " + Shown(args[1]));
}

Result Wait(const Args& args) {
    long ms = kDefaultWaitMs;
    if (args.size() == 3 && !ParseInt(args[2], &ms)) return Result::Fail("not a time: " + args[2]);
    return WaitText(args, static_cast<int>(ms));
}

Result Expect(const Args& args) { return WaitText(args, 0); }

Result State(const Args& args) {
    HWND control;
    Result r = FindControl(args[0], &control);
    if (!r.ok) return r;
    std::string state = IsWindowEnabled(control) ? "enabled" : "disabled";
    if (args.size() == 2 && args[1] != state) return Result::Fail(args[0] + " is " + state + ", expected " + args[1]);
    return Result{true, args[0] + " is " + state};
}

// selection ID [all|none|START-END]: the selected characters of an edit.
Result Selection(const Args& args) {
    HWND control;
    Result r = FindControl(args[0], &control);
    if (!r.ok) return r;
    DWORD start = 0, end = 0;
    SendMessageA(control, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    size_t length = WindowText(control).size();
    std::string shown = std::to_string(start) + "-" + std::to_string(end);
    std::string name = start == end ? "none" : (start == 0 && end == length ? "all" : shown);
    std::string outcome = args[0] + " selection " + shown + " of " + std::to_string(length) + " (" + name + ")";
    if (args.size() == 2 && args[1] != name && args[1] != shown) return Result::Fail(outcome + ", expected " + args[1]);
    return Result{true, outcome};
}

// Waits until the dialog last worked on has closed.
Result WaitClosed(const Args& args) {
    HWND dialog = LastDialog();
    if (!dialog) return Result::Fail("no dialog was opened");
    long ms = kDefaultWaitMs;
    if (args.size() == 1 && !ParseInt(args[0], &ms)) return Result::Fail("not a time: " + args[0]);
    // Its menu command returns too, unless another dialog still runs a modal
    // loop inside it.
    auto opener = OpenerOf(dialog);
    auto openerRuns = [&] { return opener && !opener->load() && OpenDialogs().empty(); };
    for (int waited = 0; (IsWindow(dialog) && IsWindowVisible(dialog)) || openerRuns(); waited += 20) {
        if (waited >= ms) return Result::Fail("the dialog is still open");
        Sleep(20);
    }
    SetCurrentDialog(nullptr);
    return Result{true, "the dialog has closed"};
}

const CommandRegistrar kCommands{
    {"dialogs", "dialogs", 0, 0, Dialogs},
    {"use", "use N", 1, 1, Use},
    {"texts", "texts", 0, 0, Texts},
    {"text", "text ID TEXT", 2, 2, SetText},
    {"textw", "textw ID TEXT (UTF-8, set as Unicode)", 2, 2, SetWideText},
    {"select", "select ID TEXT", 2, 2, Select},
    {"item", "item ID TEXT [present|absent]", 2, 3, Item},
    {"tip", "tip ID [TEXT]", 1, 2, Tip},
    {"press", "press ID", 1, 1, Press},
    {"type", "type ID KEYS", 2, 2, Type},
    {"wait", "wait ID TEXT|~PART [MS]", 2, 3, Wait},
    {"expect", "expect ID TEXT|~PART", 2, 2, Expect},
    {"state", "state ID [enabled|disabled]", 1, 2, State},
    {"selection", "selection ID [all|none|START-END]", 1, 2, Selection},
    {"wait-closed", "wait-closed [MS]", 0, 1, WaitClosed},
};

}  // namespace
}  // namespace scenario
