#include "ui/PageHelpers_win.h"

#include <prsht.h>

#include "shell/HostLink.h"

namespace ui {

void TranslateDialog(HWND dialog) {
    host::TranslateDialogRequest request{};
    request.cbSize = sizeof request;
    request.window = dialog;
    host::CallService("LangPack/TranslateDialog", 0, reinterpret_cast<host::Word>(&request));
}

std::string ItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    int length = item ? GetWindowTextLengthA(item) : 0;
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int got = GetWindowTextA(item, &text[0], length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void SetChecked(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

void ReportPageChanged(HWND page) { SendMessageA(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0); }

}  // namespace ui
