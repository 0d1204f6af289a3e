// The Credit options page (dialog 114): a thin view over CreditPage.h. Read
// again reads every gateway's credit on a thread of its own; the page hears
// of its end by a message and never waits for it.
#include <windows.h>
#include <commctrl.h>

#include <new>

#include "OptionsIds.h"
#include "send/Credit.h"
#include "shell/Guard.h"
#include "shell/HostLink.h"
#include "ui/CreditPage.h"
#include "ui/PageHelpers_win.h"

namespace ui {
namespace {

constexpr UINT kReadEnded = WM_APP + 1;

HWND ListOf(HWND page) { return GetDlgItem(page, IDC_CREDIT_LIST); }

void SetCell(HWND list, int row, int column, const std::string& text) {
    LVITEMA cell{};
    cell.iSubItem = column;
    cell.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
}

void Refresh(HWND page) {
    HWND list = ListOf(page);
    ListView_DeleteAllItems(list);
    std::vector<CreditRow> rows = CreditRows();
    for (size_t i = 0; i < rows.size(); ++i) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(rows[i].gateway.c_str());
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        SetCell(list, static_cast<int>(i), 1, rows[i].credit);
        SetCell(list, static_cast<int>(i), 2, rows[i].readAt);
    }
}

void ShowReading(HWND page, bool reading) {
    EnableWindow(GetDlgItem(page, IDC_READ_CREDIT), reading ? FALSE : TRUE);
    std::string state = reading ? host::TranslateString("Reading the credit...") : std::string();
    SetDlgItemTextA(page, IDC_CREDIT_STATE, state.c_str());
}

void AddColumn(HWND list, int index, const char* title, int width) {
    std::string text = host::TranslateString(title);
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(text.c_str());
    column.cx = width;
    column.iSubItem = index;
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void Create(HWND page) {
    HWND list = ListOf(page);
    RECT client{};
    GetClientRect(list, &client);
    const int unit = (client.right - client.left - GetSystemMetrics(SM_CXVSCROLL)) / 10;
    AddColumn(list, 0, LPGEN("Gateway"), unit * 4);
    AddColumn(list, 1, LPGEN("Credit"), unit * 3);
    AddColumn(list, 2, LPGEN("Read at"), unit * 3);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    TranslateDialog(page);
    Refresh(page);
    ShowReading(page, credit::ReadingInBackground());
}

void PostReadEnded(void* page) { PostMessageA(static_cast<HWND>(page), kReadEnded, 0, 0); }

void ReadAgain(HWND page) {
    // The page may be gone when the reading ends: a message to a window
    // that no longer exists is dropped.
    if (credit::ReadAllInBackground(PostReadEnded, page)) ShowReading(page, true);
}

INT_PTR Handle(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: Create(page); return TRUE;
    case kReadEnded:
        Refresh(page);
        ShowReading(page, false);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_READ_CREDIT && HIWORD(wParam) == BN_CLICKED) ReadAgain(page);
        return TRUE;
    default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK CreditPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded<INT_PTR>(FALSE, [&]() -> INT_PTR { return Handle(page, message, wParam, lParam); });
}

}  // namespace ui
