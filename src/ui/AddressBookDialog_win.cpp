// The address book's window: a report-mode list over addressbook::Row
// records (each item's parameter is its row), and buttons that hand the
// selected row to the row logic.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AddressBookIds.h"
#include "SendIds.h"
#include "resource.h"
#include "shell/DllInstance_win.h"
#include "shell/HostLink.h"
#include "shell/Guard.h"
#include "shell/Settings.h"
#include "ui/AddressBookRows.h"
#include "ui/DialogHost_win.h"
#include "ui/Dialogs.h"

namespace ui {
namespace {

constexpr const char* kPositionPrefix = "ADDRBOOKdlg";
constexpr int kOwnerPrefixBox = IDC_SMS_PREFIX;  // the send dialog's, which owns this one
constexpr int kOwnerNumberBox = IDC_SMS_NUMBER;

using addressbook::Row;

struct AddressBook {
    HWND dialog = nullptr;
    HWND list = nullptr;
    addressbook::RowList rows;
    std::unique_ptr<wab::Source> wab;  // held while open: Edit of an entry needs it
};

std::vector<std::string> OwnerPrefixItems(HWND dialog) {
    HWND box = GetDlgItem(GetParent(dialog), kOwnerPrefixBox);
    std::vector<std::string> items;
    int count = static_cast<int>(SendMessageA(box, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        LRESULT length = SendMessageA(box, CB_GETLBTEXTLEN, i, 0);
        std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
        if (length > 0) SendMessageA(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        items.push_back(text.c_str());
    }
    return items;
}

void SetCell(HWND list, int item, int column, const std::string* text) {
    ListView_SetItemText(list, item, column, const_cast<char*>(text ? text->c_str() : ""));
}

int ItemOf(HWND list, const Row* row) {
    LVFINDINFOA find{};
    find.flags = LVFI_PARAM;
    find.lParam = reinterpret_cast<LPARAM>(row);
    return static_cast<int>(
        SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

void WriteCells(HWND list, const Row& row) {
    int item = ItemOf(list, &row);
    for (int column = 0; item >= 0 && column < addressbook::kColumnCount; ++column)
        SetCell(list, item, column, addressbook::CellText(row, column));
}

// Inserts the row under its first name (the list keeps them in order) and
// hands it to the list; false when the list refused it.
bool Insert(AddressBook& book, std::unique_ptr<Row> row) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = ListView_GetItemCount(book.list);
    item.pszText = const_cast<char*>(row->firstName ? row->firstName->c_str() : "");
    item.lParam = reinterpret_cast<LPARAM>(row.get());
    if (SendMessageA(book.list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) < 0) return false;
    WriteCells(book.list, *row);
    book.rows.push_back(std::move(row));
    return true;
}

Row* Selected(const AddressBook& book) {
    if (ListView_GetSelectedCount(book.list) != 1) return nullptr;
    int item = ListView_GetNextItem(book.list, -1, LVNI_SELECTED);
    LVITEMA query{};
    query.mask = LVIF_PARAM;
    query.iItem = item;
    if (item < 0 || !SendMessageA(book.list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query))) return nullptr;
    return reinterpret_cast<Row*>(query.lParam);
}

void SelectFirst(HWND list) {
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

// A button that is disabled while it has the focus takes the focus with it,
// and the keyboard (Escape, Tab) would no longer reach the dialog: the focus
// goes to the list.
void UpdateButtons(AddressBook& book) {
    Row* row = Selected(book);
    HWND focus = GetFocus();
    EnableWindow(GetDlgItem(book.dialog, IDOK), row && addressbook::CanTake(*row, OwnerPrefixItems(book.dialog)));
    EnableWindow(GetDlgItem(book.dialog, IDC_AB_REMOVE), row && addressbook::CanRemove(*row));
    if (focus && IsChild(book.dialog, focus) && !IsWindowEnabled(focus))
        SendMessageA(book.dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(book.list), TRUE);
}

void CreateColumns(HWND list) {
    RECT client{};
    GetClientRect(list, &client);
    int width = (client.right - client.left - GetSystemMetrics(SM_CXVSCROLL)) / 4;
    for (int i = 0; i < addressbook::kColumnCount; ++i) {
        std::string title = host::TranslateString(addressbook::kColumnTitles[i]);
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.cx = width;
        column.pszText = &title[0];
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

void Fill(AddressBook& book) {
    for (auto& row : addressbook::ContactRows()) Insert(book, std::move(row));
    if (settings::UseWab()) {
        book.wab = wab::OpenAddressBook();
        if (book.wab)
            for (auto& row : addressbook::WabRows(*book.wab)) Insert(book, std::move(row));
    }
    ListView_SetColumnWidth(book.list, addressbook::kPrefixColumn, LVSCW_AUTOSIZE);
    ListView_SetColumnWidth(book.list, addressbook::kNumberColumn, LVSCW_AUTOSIZE);
    SelectFirst(book.list);
    UpdateButtons(book);
}

struct SortOrder {
    int column;
    int direction;
};

int CALLBACK CompareItems(LPARAM a, LPARAM b, LPARAM order) {
    const auto* o = reinterpret_cast<const SortOrder*>(order);
    return addressbook::CompareRows(*reinterpret_cast<const Row*>(a), *reinterpret_cast<const Row*>(b), o->column,
                                    o->direction);
}

void Add(AddressBook& book) {
    phone_editor::EditRecord record = addressbook::NewEntryRecord();
    if (OpenPhoneEditor(book.dialog, record) != 1) return;
    auto row = std::make_unique<Row>();
    if (addressbook::StoreNewEntry(record, *row)) Insert(book, std::move(row));
}

void Edit(AddressBook& book, Row& row) {
    if (!row.wabEntryId.empty()) {
        if (book.wab && book.wab->ShowDetails(book.dialog, row.wabEntryId)) addressbook::ReadWabEntry(*book.wab, row);
    } else {
        phone_editor::EditRecord record = addressbook::EditRecordFor(row);
        if (OpenPhoneEditor(book.dialog, record) != 1) return;
        addressbook::ApplyEdit(record, row);
    }
    WriteCells(book.list, row);
}

void Remove(AddressBook& book, Row& row) {
    if (!addressbook::CanRemove(row)) return;
    addressbook::RemoveContactEntry(row);
    ListView_DeleteItem(book.list, ItemOf(book.list, &row));
    book.rows.erase(std::find_if(book.rows.begin(), book.rows.end(), [&](const auto& r) { return r.get() == &row; }));
    SelectFirst(book.list);
    UpdateButtons(book);
}

void Take(AddressBook& book, const Row& row) {
    HWND owner = GetParent(book.dialog);
    int item = addressbook::FindPrefixItem(OwnerPrefixItems(book.dialog), row.prefix);
    if (item >= 0) SendDlgItemMessageA(owner, kOwnerPrefixBox, CB_SETCURSEL, item, 0);
    SetDlgItemTextA(owner, kOwnerNumberBox, row.number.c_str());
    EndDialog(book.dialog, 0);
}

void Command(AddressBook& book, int id) {
    Row* row = Selected(book);
    switch (id) {
    case IDC_AB_ADD: Add(book); break;
    case IDC_AB_EDIT:
        if (row) Edit(book, *row);
        break;
    case IDC_AB_REMOVE:
        if (row) Remove(book, *row);
        break;
    case IDOK:
        if (row) Take(book, *row);
        break;
    case IDCANCEL: EndDialog(book.dialog, 0); break;
    }
}

void Notify(AddressBook& book, const NMHDR& header) {
    if (header.idFrom != IDC_AB_LIST) return;
    if (header.code == LVN_ITEMCHANGED) {
        UpdateButtons(book);
    } else if (header.code == LVN_COLUMNCLICK) {
        SortOrder order{reinterpret_cast<const NMLISTVIEW&>(header).iSubItem, addressbook::FlipSortDirection()};
        ListView_SortItems(book.list, CompareItems, reinterpret_cast<LPARAM>(&order));
    }
}

INT_PTR CALLBACK AddressBookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded<INT_PTR>(FALSE, [&]() -> INT_PTR {
        if (message == WM_INITDIALOG) {
            auto* book = reinterpret_cast<AddressBook*>(lParam);
            book->dialog = dialog;
            book->list = GetDlgItem(dialog, IDC_AB_LIST);
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            dialoghost::Translate(dialog);
            dialoghost::RestorePosition(dialog, kPositionPrefix);
            CreateColumns(book->list);
            Fill(*book);
            return TRUE;
        }
        auto* book = reinterpret_cast<AddressBook*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (!book) return FALSE;
        switch (message) {
        case WM_COMMAND: Command(*book, LOWORD(wParam)); return TRUE;
        case WM_NOTIFY: Notify(*book, *reinterpret_cast<const NMHDR*>(lParam)); return TRUE;
        case WM_DESTROY:
            ListView_DeleteAllItems(book->list);
            book->rows.clear();
            book->wab.reset();  // releases both objects and unloads the library
            dialoghost::SavePosition(dialog, kPositionPrefix);
            return TRUE;
        }
        return FALSE;
    });
}

}  // namespace

void OpenAddressBook(void* owner) {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    AddressBook book;
    DialogBoxParamA(dll::Instance(), MAKEINTRESOURCEA(IDD_ADDRESSBOOK), static_cast<HWND>(owner), AddressBookProc,
                    reinterpret_cast<LPARAM>(&book));
}

}  // namespace ui
