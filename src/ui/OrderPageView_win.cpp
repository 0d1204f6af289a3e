// The Gateway order page (dialog 112): a thin view over OrderList.h and
// OrderPage.h. The list view mirrors the page's OrderList; a move reads the
// check boxes and selection from the list view, moves in the OrderList and
// writes the rows back.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <new>

#include "OptionsIds.h"
#include "shell/Guard.h"
#include "shell/HostLink.h"
#include "ui/OrderList.h"
#include "ui/OrderPage.h"
#include "ui/PageHelpers_win.h"

namespace ui {
namespace {

struct PageState {
    OrderList list;
    FillMark mark;
    WNDPROC listProc = nullptr;  // the list's own procedure, while subclassed
};

PageState* StateOf(HWND page) { return reinterpret_cast<PageState*>(GetWindowLongPtrA(page, DWLP_USER)); }
HWND ListOf(HWND page) { return GetDlgItem(page, IDC_GATEWAY_LIST); }

// Check boxes (the user may have clicked them), selection and focus.
void ReadView(HWND list, OrderList& model) {
    for (int i = 0; i < model.Count(); ++i) {
        UINT state = ListView_GetItemState(list, i, LVIS_STATEIMAGEMASK | LVIS_SELECTED | LVIS_FOCUSED);
        model.rows[static_cast<size_t>(i)].checked = ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
        model.selected[static_cast<size_t>(i)] = (state & LVIS_SELECTED) ? 1 : 0;
        if (state & LVIS_FOCUSED) model.focus = i;
    }
}

void WriteRow(HWND list, int i, const OrderRow& row, bool insert) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = i;
    item.pszText = const_cast<char*>(row.title.c_str());
    item.lParam = reinterpret_cast<LPARAM>(row.gateway.get());
    if (insert)
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    else
        SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    LVITEMA file{};
    file.iSubItem = 1;
    file.pszText = const_cast<char*>(row.file.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&file));
    ListView_SetCheckState(list, i, row.checked ? TRUE : FALSE);
}

void WriteSelection(HWND list, const OrderList& model) {
    for (int i = 0; i < model.Count(); ++i) {
        UINT state =
            (model.selected[static_cast<size_t>(i)] ? LVIS_SELECTED : 0) | (model.focus == i ? LVIS_FOCUSED : 0);
        ListView_SetItemState(list, i, state, LVIS_SELECTED | LVIS_FOCUSED);
    }
}

void WriteView(HWND list, const OrderList& model) {
    for (int i = 0; i < model.Count(); ++i) WriteRow(list, i, model.rows[static_cast<size_t>(i)], false);
    WriteSelection(list, model);
}

void Fill(HWND page, PageState& state) {
    HWND list = ListOf(page);
    state.list.Assign(CatalogueRows());
    ListView_DeleteAllItems(list);
    for (int i = 0; i < state.list.Count(); ++i) WriteRow(list, i, state.list.rows[static_cast<size_t>(i)], true);
    TranslateDialog(page);
    state.list.SetSelected(0, true);
    state.list.SetFocus(0);
    WriteSelection(list, state.list);
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

// Characters typed into the list: space reports the change the list is
// about to make; "-", "+" and "R" move rows. The list sees every character.
LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND page = GetParent(list);
    PageState* state = StateOf(page);
    WNDPROC previous = state ? state->listProc : nullptr;
    if (!previous) return DefWindowProcA(list, message, wParam, lParam);
    if (message == WM_CHAR) {
        switch (ListKeyOf(static_cast<char>(wParam))) {
        case ListKey::kReportChanged: ReportPageChanged(page); break;
        case ListKey::kUp: SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_UP, BN_CLICKED), 0); break;
        case ListKey::kDown: SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_DOWN, BN_CLICKED), 0); break;
        case ListKey::kRotate: SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_ROTATE, BN_CLICKED), 0); break;
        case ListKey::kNone: break;
        }
    }
    return CallWindowProcA(previous, list, message, wParam, lParam);
}

void Create(HWND page, PageState& state) {
    HWND list = ListOf(page);
    state.mark.Forget();
    state.listProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc)));
    RECT client{};
    GetClientRect(list, &client);
    int width = (client.right - client.left - GetSystemMetrics(SM_CXVSCROLL)) / 2;
    AddColumn(list, 0, LPGEN("Gateway"), width);
    AddColumn(list, 1, LPGEN("File"), width);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
}

void Move(HWND page, PageState& state, int (OrderList::*move)()) {
    HWND list = ListOf(page);
    SetFocus(list);
    ReadView(list, state.list);
    int changes = (state.list.*move)();
    WriteView(list, state.list);
    for (int i = 0; i < changes; ++i) ReportPageChanged(page);
}

void Save(HWND page, PageState& state) {
    ReadView(ListOf(page), state.list);
    std::string path;
    if (SaveOrder(state.list, &path) != 0) {
        MessageBoxA(page, CannotWriteText(path).c_str(), nullptr, MB_OK | MB_ICONERROR);
        return;
    }
    MessageBoxA(page, SavedText().c_str(), InformationCaption().c_str(), MB_OK | MB_ICONINFORMATION);
}

void Command(HWND page, PageState& state, int id) {
    switch (id) {
    case IDC_UP: Move(page, state, &OrderList::MoveUp); break;
    case IDC_DOWN: Move(page, state, &OrderList::MoveDown); break;
    case IDC_ROTATE: Move(page, state, &OrderList::Rotate); break;
    case IDC_LOAD:
        ReloadCatalogue();
        state.mark.Forget();
        state.mark.TakeFill();
        Fill(page, state);
        break;
    case IDC_SAVE: Save(page, state); break;
    default: break;
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
    case WM_SHOWWINDOW:
        if (PageState* state = StateOf(page)) {
            if (state->mark.TakeFill()) Fill(page, *state);
        }
        return FALSE;
    case WM_COMMAND:
        if (PageState* state = StateOf(page)) Command(page, *state, LOWORD(wParam));
        return TRUE;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<const NMHDR*>(lParam);
        PageState* state = StateOf(page);
        if (!header || !state) return FALSE;
        if (header->code == PSN_APPLY || header->code == PSN_KILLACTIVE) {
            ReadView(ListOf(page), state->list);
            ApplyOrder(state->list);
            SetWindowLongPtrA(page, DWLP_MSGRESULT, header->code == PSN_APPLY ? PSNRET_NOERROR : FALSE);
            return TRUE;
        }
        return FALSE;
    }
    case WM_DESTROY:
        if (PageState* state = StateOf(page)) {
            // The list outlives this message: give it its own procedure back first.
            if (state->listProc)
                SetWindowLongPtrA(ListOf(page), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(state->listProc));
            SetWindowLongPtrA(page, DWLP_USER, 0);
            delete state;
        }
        return FALSE;
    default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK OrderPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded<INT_PTR>(FALSE, [&]() -> INT_PTR { return Handle(page, message, wParam, lParam); });
}

}  // namespace ui
