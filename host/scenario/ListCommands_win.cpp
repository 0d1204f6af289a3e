// Commands for list views (rows, a row's selection, a header click) and
// for the Windows Address Book library a scenario points the plug-in at.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "Scenario.h"

namespace scenario {
namespace {

constexpr const char* kWabPathKey = "Software\\Microsoft\\WAB\\DLLPath";

// A path the scenario wrote in Unix form becomes one Wine can load.
std::string WindowsPath(std::string path) {
    if (path.empty() || path[0] != '/') return path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return "Z:" + path;
}

std::string Cell(HWND list, int item, int column) {
    char text[512] = "";
    LVITEMA query{};
    query.iSubItem = column;
    query.pszText = text;
    query.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&query));
    return text;
}

int Columns(HWND list) { return Header_GetItemCount(ListView_GetHeader(list)); }

// The row's cells joined by " | ".
std::string RowText(HWND list, int item) {
    std::string text;
    for (int column = 0; column < Columns(list); ++column) text += (column ? " | " : "") + Cell(list, item, column);
    return text;
}

Result FindList(const std::string& id, HWND* list) {
    Result r = FindControl(id, list);
    if (r.ok && ClassOf(*list) != WC_LISTVIEWA) return Result::Fail(id + " is no list view");
    return r;
}

// rows ID [COUNT]: prints every row; fails when there are not COUNT.
Result Rows(const Args& args) {
    HWND list;
    Result r = FindList(args[0], &list);
    if (!r.ok) return r;
    int count = 0;
    OnMainThread([&] {
        count = ListView_GetItemCount(list);
        for (int i = 0; i < count; ++i) {
            bool selected = ListView_GetItemState(list, i, LVIS_SELECTED) != 0;
            Echo("  %d: %s%s", i + 1, RowText(list, i).c_str(), selected ? " (selected)" : "");
        }
    });
    long expected = 0;
    if (args.size() == 2 && (!ParseInt(args[1], &expected) || expected != count))
        return Result::Fail(std::to_string(count) + " row(s), expected " + args[1]);
    return Result{true, std::to_string(count) + " row(s)"};
}

// expect-row ID N "a | b | ...": row N (from 1) shows exactly these cells (or, as
// "~PART", cells holding that text).
Result ExpectRow(const Args& args) {
    HWND list;
    Result r = FindList(args[0], &list);
    if (!r.ok) return r;
    long n = 0;
    if (!ParseInt(args[1], &n)) return Result::Fail("not a row: " + args[1]);
    std::string text;
    bool exists = false;
    OnMainThread([&] {
        exists = n >= 1 && n <= ListView_GetItemCount(list);
        if (exists) text = RowText(list, static_cast<int>(n - 1));
    });
    if (!exists) return Result::Fail("no row " + args[1]);
    if (!Matches(text, args[2]))
        return Result::Fail("row " + args[1] + " is \"" + text + "\", expected \"" + args[2] + "\"");
    return Result{true, "row " + args[1] + " is \"" + text + "\""};
}

// row ID TEXT: selects and focuses the first row with a cell equal to TEXT,
// as a click would (the dialog hears of the change).
Result SelectRow(const Args& args) {
    HWND list;
    Result r = FindList(args[0], &list);
    if (!r.ok) return r;
    int found = -1;
    OnMainThread([&] {
        for (int i = 0; found < 0 && i < ListView_GetItemCount(list); ++i)
            for (int column = 0; column < Columns(list); ++column)
                if (Cell(list, i, column) == args[1]) found = i;
        if (found < 0) return;
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(list, found, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    });
    if (found < 0) return Result::Fail("no row with a cell \"" + args[1] + "\"");
    return Result{true, "selected row " + std::to_string(found + 1)};
}

// header ID COLUMN: clicks the column's header (from 0) with the mouse.
Result Header(const Args& args) {
    HWND list;
    Result r = FindList(args[0], &list);
    if (!r.ok) return r;
    long column = 0;
    if (!ParseInt(args[1], &column)) return Result::Fail("not a column: " + args[1]);
    bool clicked = false;
    OnMainThread([&] {
        HWND header = ListView_GetHeader(list);
        RECT item{};
        if (column < 0 || column >= Columns(list) || !Header_GetItemRect(header, column, &item)) return;
        LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(header, WM_LBUTTONUP, 0, at);
        clicked = true;
    });
    if (!clicked) return Result::Fail("no column " + args[1]);
    return Result{true, "clicked the header of column " + args[1]};
}

// wab-library DLL ENTRIES: the registry names DLL as the Windows Address
// Book's library; a test library reads its entries from ENTRIES.
// wab-library none: the registry names none again.
Result WabLibrary(const Args& args) {
    if (args[0] == "none") {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kWabPathKey);
        SetEnvironmentVariableA("PARLET_WAB_FILE", nullptr);
        return Result{true, "no address book library named"};
    }
    if (args.size() != 2) return Result::Fail("wab-library DLL ENTRIES | wab-library none");
    std::string library = WindowsPath(args[0]);
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kWabPathKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return Result::Fail("cannot write the registry");
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(library.c_str()),
                   static_cast<DWORD>(library.size() + 1));
    RegCloseKey(key);
    SetEnvironmentVariableA("PARLET_WAB_FILE", WindowsPath(args[1]).c_str());
    return Result{true, "address book library " + library};
}

// library LIBRARY loaded|unloaded: whether the process holds the library,
// asked on the interface thread once it has finished what it was doing
// (a dialog that has just closed has then been destroyed).
Result Library(const Args& args) {
    bool loaded = false;
    OnMainThread([&] { loaded = GetModuleHandleA(WindowsPath(args[0]).c_str()) != nullptr; });
    std::string state = loaded ? "loaded" : "unloaded";
    if (args.size() == 2 && args[1] != state) return Result::Fail(args[0] + " is " + state + ", expected " + args[1]);
    return Result{true, args[0] + " is " + state};
}

const CommandRegistrar kCommands{
    {"rows", "rows ID [COUNT]", 1, 2, Rows},
    {"expect-row", "expect-row ID N \"CELL | CELL | ...\"|~PART", 3, 3, ExpectRow},
    {"row", "row ID TEXT", 2, 2, SelectRow},
    {"header", "header ID COLUMN", 2, 2, Header},
    {"wab-library", "wab-library DLL ENTRIES | wab-library none", 1, 2, WabLibrary},
    {"library", "library DLL [loaded|unloaded]", 1, 2, Library},
};

}  // namespace
}  // namespace scenario
