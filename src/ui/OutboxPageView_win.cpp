// The Outbox options page (dialog 113): a thin view over OutboxPage.h. The
// settings are saved as the General page saves; the list shows the outbox
// file as it stands and follows it on a timer; Retry now and Delete act at
// once.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <new>

#include "OptionsIds.h"
#include "send/OutboxRetry.h"
#include "shell/Clock.h"
#include "shell/Guard.h"
#include "shell/HostLink.h"
#include "shell/UserMessage.h"
#include "ui/OutboxPage.h"
#include "ui/PageHelpers_win.h"

namespace ui {
namespace {

constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMs = 2000;

struct PageState {
    std::vector<OutboxRow> shown;
    bool filling = false;  // the page's own writes report no change
};

PageState* StateOf(HWND page) { return reinterpret_cast<PageState*>(GetWindowLongPtrA(page, DWLP_USER)); }
HWND ListOf(HWND page) { return GetDlgItem(page, IDC_OUTBOX_LIST); }

bool SameRows(const std::vector<OutboxRow>& a, const std::vector<OutboxRow>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].id != b[i].id || a[i].number != b[i].number || a[i].words != b[i].words || a[i].tries != b[i].tries ||
            a[i].nextTry != b[i].nextTry || a[i].state != b[i].state)
            return false;
    }
    return true;
}

uint32_t SelectedId(HWND page) {
    HWND list = ListOf(page);
    int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    if (row < 0) return 0;
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return static_cast<uint32_t>(item.lParam);
}

void SetCell(HWND list, int row, int column, const std::string& text) {
    LVITEMA cell{};
    cell.iSubItem = column;
    cell.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
}

// The rows of the outbox file; the selected message stays selected.
void Refresh(HWND page, PageState& state) {
    std::vector<OutboxRow> rows = OutboxRows(outbox::OutboxFile(outbox::PluginOutboxPath()).Read(), forward::Now());
    if (SameRows(rows, state.shown)) return;
    HWND list = ListOf(page);
    const uint32_t selected = SelectedId(page);
    ListView_DeleteAllItems(list);
    for (size_t i = 0; i < rows.size(); ++i) {
        const OutboxRow& row = rows[i];
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(row.number.c_str());
        item.lParam = static_cast<LPARAM>(row.id);
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        const int at = static_cast<int>(i);
        SetCell(list, at, 1, row.words);
        SetCell(list, at, 2, row.tries);
        SetCell(list, at, 3, row.nextTry);
        SetCell(list, at, 4, row.state);
        if (row.id == selected)
            ListView_SetItemState(list, at, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    state.shown = std::move(rows);
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

void Create(HWND page, PageState& state) {
    HWND list = ListOf(page);
    RECT client{};
    GetClientRect(list, &client);
    const int unit = (client.right - client.left - GetSystemMetrics(SM_CXVSCROLL)) / 20;
    AddColumn(list, 0, LPGEN("Number"), unit * 5);
    AddColumn(list, 1, LPGEN("Message"), unit * 6);
    AddColumn(list, 2, LPGEN("Tries"), unit * 2);
    AddColumn(list, 3, LPGEN("Next try"), unit * 3);
    AddColumn(list, 4, LPGEN("State"), unit * 4);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    TranslateDialog(page);

    state.filling = true;
    OutboxFields f = LoadOutboxFields();
    SetChecked(page, IDC_QUEUE_FAILED, f.queueFailed);
    SetDlgItemTextA(page, IDC_RETRY_MINUTES, f.retryMinutes.c_str());
    SetDlgItemTextA(page, IDC_MAX_TRIES, f.maxTries.c_str());
    SetDlgItemTextA(page, IDC_QUEUED_MSG, f.queuedMsg.c_str());
    SetChecked(page, IDC_LOG_HISTORY, f.logHistory);
    state.filling = false;
    Refresh(page, state);
    SetTimer(page, kRefreshTimer, kRefreshMs, nullptr);
}

void Save(HWND page) {
    OutboxFields f;
    f.queueFailed = IsChecked(page, IDC_QUEUE_FAILED);
    f.retryMinutes = ItemText(page, IDC_RETRY_MINUTES);
    f.maxTries = ItemText(page, IDC_MAX_TRIES);
    f.queuedMsg = ItemText(page, IDC_QUEUED_MSG);
    f.logHistory = IsChecked(page, IDC_LOG_HISTORY);
    SaveOutboxFields(f);
}

void Act(HWND page, PageState& state, int id) {
    const uint32_t message = SelectedId(page);
    if (message == 0) return;
    if (id == IDC_DELETE_MESSAGE) {
        std::string question = host::TranslateString("Delete the selected message? It will not be sent.");
        if (MessageBoxA(page, question.c_str(), usermsg::kCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
        outbox::Delete(message);
    } else {
        outbox::RetryNow(message);
    }
    Refresh(page, state);
}

void Command(HWND page, PageState& state, int id, int code) {
    switch (id) {
    case IDC_RETRY_NOW:
    case IDC_DELETE_MESSAGE:
        if (code == BN_CLICKED) Act(page, state, id);
        break;
    case IDC_QUEUE_FAILED:
    case IDC_LOG_HISTORY:
        if (code == BN_CLICKED && !state.filling) ReportPageChanged(page);
        break;
    default:
        if (code == EN_CHANGE && !state.filling) ReportPageChanged(page);
        break;
    }
}

INT_PTR Handle(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        auto* state = new (std::nothrow) PageState;
        if (!state) return FALSE;
        SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
        Create(page, *state);
        return TRUE;
    }
    case WM_TIMER:
        if (PageState* state = StateOf(page)) Refresh(page, *state);
        return TRUE;
    case WM_COMMAND:
        if (PageState* state = StateOf(page)) Command(page, *state, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<const NMHDR*>(lParam);
        PageState* state = StateOf(page);
        if (!header || !state) return FALSE;
        if (header->code == PSN_SETACTIVE) Refresh(page, *state);
        if (header->code == PSN_APPLY || header->code == PSN_KILLACTIVE) {
            Save(page);
            SetWindowLongPtrA(page, DWLP_MSGRESULT, header->code == PSN_APPLY ? PSNRET_NOERROR : FALSE);
            return TRUE;
        }
        return FALSE;
    }
    case WM_DESTROY:
        KillTimer(page, kRefreshTimer);
        if (PageState* state = StateOf(page)) {
            SetWindowLongPtrA(page, DWLP_USER, 0);
            delete state;
        }
        return FALSE;
    default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK OutboxPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded<INT_PTR>(FALSE, [&]() -> INT_PTR { return Handle(page, message, wParam, lParam); });
}

}  // namespace ui
