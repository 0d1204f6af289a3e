// Commands for the host's options dialog and its pages: open it, switch
// pages, click check boxes, and work a list view with mouse and keys. The
// dialog's own OK, Apply and Cancel are pressed with "press 1", "press 12321"
// and "press 2"; controls of the current page are found by their ids.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include "OptionsDialog_win.h"
#include "Scenario.h"
#include "ScenarioLine.h"

namespace scenario {
namespace {

constexpr int kWaitForSheetMs = 5000;

Result Options(const Args&) {
    std::vector<HWND> before = OpenDialogs();
    auto finished = StartOnMainThread([] {
        int result = standin::RunOptionsDialog(nullptr);
        Echo("(the options dialog closed: %d)", result);
    });
    HWND sheet = WaitForNewDialog(before, kWaitForSheetMs, finished.get());
    if (!sheet) return Result::Fail("the options dialog did not open");
    SetCurrentDialog(sheet);
    NoteOpener(sheet, finished);
    return Result{true, "options dialog open"};
}

HWND TabOf(HWND sheet) { return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0)); }

std::string TabText(HWND tab, int index) {
    char text[256] = "";
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(tab, TCM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return text;
}

// page TITLE: switches to the page as a click on its tab does (the page
// being left gets PSN_KILLACTIVE from the sheet).
Result Page(const Args& args) {
    HWND sheet = CurrentDialog();
    if (!sheet || !IsPropertySheet(sheet)) return Result::Fail("no options dialog is current");
    bool found = false;
    std::string shown;
    OnMainThread([&] {
        HWND tab = TabOf(sheet);
        int count = static_cast<int>(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count && !found; ++i) {
            if (TabText(tab, i) != args[0]) continue;
            found = SendMessageA(sheet, PSM_SETCURSEL, static_cast<WPARAM>(i), 0) != 0;
            shown = TabText(tab, static_cast<int>(SendMessageA(tab, TCM_GETCURSEL, 0, 0)));
        }
    });
    if (!found) return Result::Fail("cannot switch to page \"" + args[0] + "\"");
    return Result{true, "page \"" + shown + "\""};
}

const char* CheckName(LRESULT state) { return state == BST_CHECKED ? "checked" : "unchecked"; }

// check ID [checked|unchecked]: tells a check box's or radio button's
// state; fails when it is not the one given.
Result Check(const Args& args) {
    HWND control;
    Result r = FindControl(args[0], &control);
    if (!r.ok) return r;
    LRESULT state = 0;
    OnMainThread([&] { state = SendMessageA(control, BM_GETCHECK, 0, 0); });
    std::string outcome = args[0] + " " + CheckName(state);
    if (args.size() == 2 && args[1] != CheckName(state)) return Result::Fail(outcome + ", expected " + args[1]);
    return Result{true, outcome};
}

// click ID: a mouse click on a button: a check box toggles and tells its
// dialog, as BM_CLICK makes it.
Result Click(const Args& args) {
    HWND control;
    Result r = FindControl(args[0], &control);
    if (!r.ok) return r;
    std::vector<HWND> before = OpenDialogs();
    auto finished = StartOnMainThread([control] { SendMessageA(control, BM_CLICK, 0, 0); });
    HWND opened = WaitForNewDialog(before, kDefaultWaitMs, finished.get());
    if (opened) SetCurrentDialog(opened);
    LRESULT state = SendMessageA(control, BM_GETCHECK, 0, 0);
    return Result{true, "clicked " + args[0] + " (" + CheckName(state) + ")"};
}

// checks ID [EXPECTED]: the rows of a list view, one a line: "[x] Name | file
// (selected, focused)". EXPECTED lists the rows' checks and last columns,
// as in "x:a.ini,-:b.ini*" (* for selected).
std::string RowLine(HWND list, int row, std::string* summary) {
    char name[256] = "", file[256] = "";
    LVITEMA item{};
    item.cchTextMax = sizeof name;
    item.pszText = name;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = file;
    item.cchTextMax = sizeof file;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    UINT state = ListView_GetItemState(list, row, LVIS_STATEIMAGEMASK | LVIS_SELECTED | LVIS_FOCUSED);
    bool checked = ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
    if (!summary->empty()) *summary += ",";
    *summary += std::string(checked ? "x:" : "-:") + file + ((state & LVIS_SELECTED) ? "*" : "");
    std::string line =
        std::string("  ") + std::to_string(row) + " [" + (checked ? "x" : " ") + "] \"" + name + "\" " + file;
    if (state & LVIS_SELECTED) line += " (selected)";
    if (state & LVIS_FOCUSED) line += " (focused)";
    return line;
}

Result Checks(const Args& args) {
    HWND list;
    Result r = FindControl(args[0], &list);
    if (!r.ok) return r;
    std::string summary;
    OnMainThread([&] {
        int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) Echo("%s", RowLine(list, i, &summary).c_str());
    });
    if (args.size() == 2 && args[1] != summary) return Result::Fail("checks " + summary + ", expected " + args[1]);
    return Result{true, "checks " + summary};
}

// pick ID ROW...: selects exactly these rows of a list view, the first
// with the focus; "pick ID none" selects none.
Result Pick(const Args& args) {
    HWND list;
    Result r = FindControl(args[0], &list);
    if (!r.ok) return r;
    std::vector<int> rows;
    for (size_t i = 1; i < args.size(); ++i) {
        long row = 0;
        if (args[i] == "none") continue;
        if (!ParseInt(args[i], &row) || row < 0) return Result::Fail("not a row: " + args[i]);
        rows.push_back(static_cast<int>(row));
    }
    OnMainThread([&] {
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        for (size_t i = 0; i < rows.size(); ++i) {
            UINT state = LVIS_SELECTED | (i == 0 ? LVIS_FOCUSED : 0);
            ListView_SetItemState(list, rows[i], state, state);
        }
    });
    return Result{true, "picked " + std::to_string(rows.size()) + " row(s)"};
}

// tick ID ROW: a mouse click on a row's check box.
Result Tick(const Args& args) {
    HWND list;
    Result r = FindControl(args[0], &list);
    if (!r.ok) return r;
    long row = 0;
    if (!ParseInt(args[1], &row) || row < 0) return Result::Fail("not a row: " + args[1]);
    bool clicked = false;
    OnMainThread([&] {
        RECT bounds{};
        bounds.left = LVIR_BOUNDS;
        if (!SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds))) return;
        LVHITTESTINFO hit{};
        for (int x = bounds.left; x < bounds.left + 24 && !clicked; ++x) {
            hit.pt = POINT{x, (bounds.top + bounds.bottom) / 2};
            SendMessageA(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            if (hit.iItem != row || !(hit.flags & LVHT_ONITEMSTATEICON)) continue;
            LPARAM at = MAKELPARAM(hit.pt.x, hit.pt.y);
            SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
            SendMessageA(list, WM_LBUTTONUP, 0, at);
            clicked = true;
        }
    });
    if (!clicked) return Result::Fail("row " + args[1] + " has no check box to click");
    return Result{true, "clicked the check box of row " + args[1]};
}

// keys ID KEYS: presses keys on a control as the keyboard does: key down,
// the character, key up, so both the control and its subclass see them.
Result Keys(const Args& args) { return SendKeys(args, true, "pressed", "on"); }

// box TEXT|~PART [MS]: waits until a message box shows TEXT and makes it
// the current dialog (to be closed with "press 1").
Result Box(const Args& args) {
    constexpr int kMessageBoxText = 0xFFFF;
    long ms = kDefaultWaitMs;
    if (args.size() == 2 && !ParseInt(args[1], &ms)) return Result::Fail("not a time: " + args[1]);
    std::string seen;
    for (int waited = 0;; waited += 20) {
        for (HWND dialog : OpenDialogs()) {
            HWND text = GetDlgItem(dialog, kMessageBoxText);
            if (!text) continue;
            seen = WindowText(text);
            if (!Matches(seen, args[0])) continue;
            SetCurrentDialog(dialog);
            return Result{true, "box " + Shown(WindowText(dialog)) + ": " + Shown(seen)};
        }
        if (waited >= ms) break;
        Sleep(20);
    }
    return Result::Fail("no message box shows " + Shown(args[0]) + (seen.empty() ? "" : "; one shows " + Shown(seen)));
}

std::string ReadWhole(const std::string& path, bool* ok) {
    std::string bytes;
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    *ok = file != INVALID_HANDLE_VALUE;
    if (!*ok) return bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

// file PATH [EXPECTED]: the whole file (escaped as "texts" shows texts);
// EXPECTED is compared with the whole content ("absent": no such file).
Result File(const Args& args) {
    bool ok = false;
    std::string bytes = ReadWhole(args[0], &ok);
    std::string shown = ok ? Shown(bytes) : "absent";
    if (args.size() == 2 && (args[1] == "absent" ? ok : (!ok || bytes != args[1])))
        return Result::Fail(args[0] + " is " + shown + ", expected " + Shown(args[1]));
    return Result{true, args[0] + " is " + shown};
}

// The lines of `bytes` that contain `text`.
std::vector<std::string> LinesWith(const std::string& bytes, const std::string& text) {
    std::vector<std::string> found;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find(text) != std::string::npos) found.push_back(line);
        start = end + 1;
    }
    return found;
}

// lines PATH TEXT [COUNT [MS]]: the lines of the file that contain TEXT;
// fails unless there are COUNT of them, waiting up to MS for them (a log
// that a running job writes).
Result Lines(const Args& args) {
    long expected = -1, ms = 0;
    if (args.size() >= 3 && (!ParseInt(args[2], &expected) || expected < 0))
        return Result::Fail("not a count: " + args[2]);
    if (args.size() == 4 && (!ParseInt(args[3], &ms) || ms < 0)) return Result::Fail("not a time: " + args[3]);
    std::vector<std::string> found;
    for (long waited = 0;; waited += 20) {
        bool ok = false;
        std::string bytes = ReadWhole(args[0], &ok);
        if (!ok && waited >= ms) return Result::Fail("cannot read " + args[0]);
        found = LinesWith(bytes, args[1]);
        if (expected < 0 || static_cast<long>(found.size()) == expected || waited >= ms) break;
        Sleep(20);
    }
    for (const std::string& line : found) Echo("  %s", line.c_str());
    std::string outcome = std::to_string(found.size()) + " line(s) with " + Shown(args[1]);
    if (expected >= 0 && static_cast<long>(found.size()) != expected)
        return Result::Fail(outcome + ", expected " + args[2]);
    return Result{true, outcome};
}

// read-only PATH on|off: sets or clears the file's read-only attribute.
Result ReadOnly(const Args& args) {
    DWORD attributes = GetFileAttributesA(args[0].c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Result::Fail("no file " + args[0]);
    if (args[1] == "on")
        attributes |= FILE_ATTRIBUTE_READONLY;
    else if (args[1] == "off")
        attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    else
        return Result::Fail("on or off, not " + args[1]);
    if (!SetFileAttributesA(args[0].c_str(), attributes)) return Result::Fail("cannot change " + args[0]);
    return Result{true, args[0] + " read-only " + args[1]};
}

const CommandRegistrar kCommands{
    {"box", "box TEXT|~PART [MS]", 1, 2, Box},
    {"file", "file PATH [EXPECTED|absent]", 1, 2, File},
    {"lines", "lines PATH TEXT [COUNT [MS]]", 2, 4, Lines},
    {"read-only", "read-only PATH on|off", 2, 2, ReadOnly},
    {"options", "options", 0, 0, Options},
    {"page", "page TITLE", 1, 1, Page},
    {"check", "check ID [checked|unchecked]", 1, 2, Check},
    {"click", "click ID", 1, 1, Click},
    {"checks", "checks ID [EXPECTED]", 1, 2, Checks},
    {"pick", "pick ID ROW...|none", 2, 64, Pick},
    {"tick", "tick ID ROW", 2, 2, Tick},
    {"keys", "keys ID KEYS", 2, 2, Keys},
};

}  // namespace
}  // namespace scenario
