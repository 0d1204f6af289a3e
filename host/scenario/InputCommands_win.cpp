// Commands for real keyboard input and for the place of a dialog: keys go
// through SendInput into the interface thread's input queue, so the dialog
// manager sees them as it sees a user's (Escape, Return on the default
// button, Tab, Alt+letter, Alt+F4), and the focus moves as it really does.
#include <windows.h>

#include <string>
#include <vector>

#include "Scenario.h"
#include "ScenarioLine.h"

namespace scenario {
namespace {

constexpr int kInputWaitMs = 5000;

void Stroke(std::vector<INPUT>* inputs, WORD virtualKey, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs->push_back(input);
}

// One key with its modifiers held: the presses, then the releases in reverse.
void Press(std::vector<INPUT>* inputs, const KeyStroke& key) {
    WORD virtualKey = static_cast<WORD>(key.virtualKey);
    bool shift = key.shift, ctrl = key.ctrl, alt = key.alt;
    if (!virtualKey) {
        SHORT scan = VkKeyScanA(key.character);
        virtualKey = static_cast<WORD>(scan & 0xFF);
        shift = shift || (scan & 0x100);
        ctrl = ctrl || (scan & 0x200);
        alt = alt || (scan & 0x400);
    }
    std::vector<WORD> held;
    if (ctrl) held.push_back(VK_CONTROL);
    if (alt) held.push_back(VK_MENU);
    if (shift) held.push_back(VK_SHIFT);
    for (WORD k : held) Stroke(inputs, k, false);
    Stroke(inputs, virtualKey, false);
    Stroke(inputs, virtualKey, true);
    for (auto k = held.rbegin(); k != held.rend(); ++k) Stroke(inputs, *k, true);
}

// Whether keyboard input still waits in the interface thread's queue.
bool InputPending() {
    bool pending = false;
    OnMainThread([&] { pending = (HIWORD(GetQueueStatus(QS_INPUT)) & QS_INPUT) != 0; });
    return pending;
}

int FocusedId(HWND dialog) {
    int id = 0;
    OnMainThread([&] {
        HWND focus = GetFocus();
        // The edit inside a combo box stands for the combo box.
        while (focus && GetParent(focus) && GetParent(focus) != dialog && IsChild(dialog, focus))
            focus = GetParent(focus);
        id = focus && IsChild(dialog, focus) ? GetDlgCtrlID(focus) : 0;
    });
    return id;
}

// key KEYS: presses the keys on the current dialog, where its focus is.
// Returns once the dialog has taken them; a dialog they open becomes the
// current one.
Result Key(const Args& args) {
    HWND dialog = CurrentDialog();
    if (!dialog) return Result::Fail("no dialog is open");
    std::vector<KeyStroke> keys;
    std::string error;
    if (!ParseKeyStrokes(args[0], &keys, &error)) return Result::Fail(error);
    std::vector<INPUT> inputs;
    for (const KeyStroke& key : keys) Press(&inputs, key);
    std::vector<HWND> before = OpenDialogs();
    bool foreground = false;
    OnMainThread([&] {
        SetForegroundWindow(dialog);
        foreground = GetForegroundWindow() == dialog;
    });
    if (!foreground) return Result::Fail("the dialog cannot take the keyboard");
    UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size()) return Result::Fail("SendInput took " + std::to_string(sent) + " input(s)");
    for (int waited = 0; InputPending(); waited += 20) {
        if (waited >= kInputWaitMs) return Result::Fail("the keys were not taken");
        Sleep(20);
    }
    std::string outcome = "pressed " + std::to_string(keys.size()) + " key(s)";
    if (HWND opened = WaitForNewDialog(before, 200, nullptr)) {
        SetCurrentDialog(opened);
        outcome += ", dialog " + Shown(WindowText(opened)) + " opened";
    }
    return Result{true, outcome};
}

// focus [ID]: tells (and checks) which control of the current dialog has
// the keyboard focus.
Result Focus(const Args& args) {
    HWND dialog = CurrentDialog();
    if (!dialog) return Result::Fail("no dialog is open");
    std::string id = std::to_string(FocusedId(dialog));
    if (args.size() == 1 && args[0] != id) return Result::Fail("the focus is on " + id + ", expected " + args[0]);
    return Result{true, "the focus is on " + id};
}

// focus-on ID: puts the focus on a control as a click into it would.
Result FocusOn(const Args& args) {
    HWND control;
    Result r = FindControl(args[0], &control);
    if (!r.ok) return r;
    HWND dialog = CurrentDialog();
    OnMainThread([&] { SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE); });
    return Result{true, "focus put on " + args[0]};
}

// place [X Y]: the current dialog's place on the screen (its top-left
// corner); fails unless it is X, Y.
Result Place(const Args& args) {
    HWND dialog = CurrentDialog();
    if (!dialog) return Result::Fail("no dialog is open");
    if (args.size() == 1) return Result::Fail("usage: place [X Y]");
    RECT rect{};
    GetWindowRect(dialog, &rect);
    std::string shown = std::to_string(rect.left) + " " + std::to_string(rect.top);
    if (args.size() == 2 && args[0] + " " + args[1] != shown)
        return Result::Fail("the dialog is at " + shown + ", expected " + args[0] + " " + args[1]);
    return Result{true, "the dialog is at " + shown};
}

// move X Y: moves the current dialog as a drag of its caption would.
Result Move(const Args& args) {
    HWND dialog = CurrentDialog();
    if (!dialog) return Result::Fail("no dialog is open");
    long x = 0, y = 0;
    if (!ParseInt(args[0], &x) || !ParseInt(args[1], &y))
        return Result::Fail("not a place: " + args[0] + " " + args[1]);
    OnMainThread([&] { SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE); });
    return Place({});
}

const CommandRegistrar kCommands{
    {"key", "key KEYS", 1, 1, Key},
    {"focus", "focus [ID]", 0, 1, Focus},
    {"focus-on", "focus-on ID", 1, 1, FocusOn},
    {"place", "place [X Y]", 0, 2, Place},
    {"move", "move X Y", 2, 2, Move},
};

}  // namespace
}  // namespace scenario
