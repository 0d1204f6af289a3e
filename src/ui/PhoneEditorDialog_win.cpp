// The phone number editor's window: a thin view over phone_editor::Editor.
#include <windows.h>

#include <vector>

#include "AddressBookIds.h"
#include "resource.h"
#include "shell/DllInstance_win.h"
#include "shell/Guard.h"
#include "ui/DialogHost_win.h"
#include "ui/Dialogs.h"

namespace ui {
namespace {

using phone_editor::Field;

int ControlOf(Field field) {
    switch (field) {
    case Field::FirstName: return IDC_PE_FIRSTNAME;
    case Field::LastName: return IDC_PE_LASTNAME;
    case Field::Area: return IDC_PE_AREA;
    case Field::Number: return IDC_PE_NUMBER;
    case Field::Full: return IDC_PE_FULL;
    }
    return 0;
}

class EditorWindow : public phone_editor::View {
public:
    explicit EditorWindow(phone_editor::EditRecord& record) : editor(*this, record) {}
    phone_editor::Editor editor;
    HWND dialog = nullptr;

    std::string Text(Field field, size_t limit) override {
        std::vector<char> buffer(limit + 1, '\0');
        GetDlgItemTextA(dialog, ControlOf(field), buffer.data(), static_cast<int>(buffer.size()));
        return buffer.data();
    }
    void SetText(Field field, const std::string& text) override {
        SetDlgItemTextA(dialog, ControlOf(field), text.c_str());
    }
    void SetLimit(Field field, size_t limit) override {
        SendDlgItemMessageA(dialog, ControlOf(field), EM_LIMITTEXT, limit, 0);
    }
    void EnableField(Field field, bool on) override { EnableWindow(GetDlgItem(dialog, ControlOf(field)), on); }
    void EnableOk(bool on) override { EnableWindow(GetDlgItem(dialog, IDOK), on); }
    void AddCountry(const phone_editor::Country& country) override {
        LRESULT index = Combo(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(country.name.c_str()));
        if (index >= 0) Combo(CB_SETITEMDATA, index, country.code);
    }
    int CountryCount() override { return static_cast<int>(Combo(CB_GETCOUNT, 0, 0)); }
    uint32_t CountryCodeAt(int index) override { return static_cast<uint32_t>(Combo(CB_GETITEMDATA, index, 0)); }
    int SelectedCountry() override { return static_cast<int>(Combo(CB_GETCURSEL, 0, 0)); }
    void SelectCountry(int index) override { Combo(CB_SETCURSEL, index, 0); }
    void ShowMessage(const std::string& caption, const std::string& text) override {
        MessageBoxA(dialog, text.c_str(), caption.c_str(), MB_OK);
    }

private:
    LRESULT Combo(UINT message, WPARAM w, LPARAM l) {
        return SendDlgItemMessageA(dialog, IDC_PE_COUNTRY, message, w, l);
    }
};

void Command(EditorWindow& window, int id, int code) {
    switch (id) {
    case IDC_PE_FULL:
        if (code == EN_UPDATE) window.editor.FullNumberChanging();
        break;
    case IDC_PE_COUNTRY:
        if (code == CBN_SELCHANGE) window.editor.PartsChanged();
        break;
    case IDC_PE_AREA:
    case IDC_PE_NUMBER:
        if (code == EN_CHANGE) window.editor.PartsChanged();
        break;
    case IDOK:
        if (window.editor.Accept()) EndDialog(window.dialog, 1);
        break;
    case IDCANCEL: EndDialog(window.dialog, 2); break;
    }
}

INT_PTR CALLBACK EditorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded<INT_PTR>(FALSE, [&]() -> INT_PTR {
        if (message == WM_INITDIALOG) {
            auto* window = reinterpret_cast<EditorWindow*>(lParam);
            window->dialog = dialog;
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            dialoghost::Translate(dialog);
            window->editor.Open(phone_editor::HostCountries());
            return TRUE;
        }
        auto* window = reinterpret_cast<EditorWindow*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (!window) return FALSE;
        if (message == WM_COMMAND) {
            Command(*window, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        }
        return FALSE;
    });
}

}  // namespace

int OpenPhoneEditor(void* owner, phone_editor::EditRecord& record) {
    EditorWindow window(record);
    INT_PTR result = DialogBoxParamA(dll::Instance(), MAKEINTRESOURCEA(IDD_PHONE_EDITOR), static_cast<HWND>(owner),
                                     EditorProc, reinterpret_cast<LPARAM>(&window));
    return result == 1 ? 1 : 2;
}

}  // namespace ui
