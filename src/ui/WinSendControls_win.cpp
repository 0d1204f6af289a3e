#include "ui/WinSendControls.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <commctrl.h>

#include "SendIds.h"
#include "resource.h"

namespace {

constexpr int kFieldSize = 1024;        // message and number: at most 1023 bytes
constexpr int kWideMessageSize = 2049;  // the message as wide text: at most 2048 units

std::string ReadText(HWND control, int size) {
    std::string text(static_cast<size_t>(size), '\0');
    LRESULT got = SendMessageA(control, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

// The ANSI code page of the keyboard layout active for the dialog's thread.
UINT KeyboardCodePage(HWND dialog) {
    HKL layout = GetKeyboardLayout(GetWindowThreadProcessId(dialog, nullptr));
    LCID locale = MAKELCID(LOWORD(reinterpret_cast<uintptr_t>(layout)), SORT_DEFAULT);
    char digits[8] = "";
    if (!GetLocaleInfoA(locale, LOCALE_IDEFAULTANSICODEPAGE, digits, sizeof digits)) return CP_ACP;
    return static_cast<UINT>(std::strtoul(digits, nullptr, 10));
}

charset::Charset MessageCharsetOf(HWND dialog) {
    UINT codePage = KeyboardCodePage(dialog);
    if (codePage == CP_ACP || codePage == 0) codePage = GetACP();
    if (codePage == CP_UTF8) return charset::Charset::Utf8();
    std::optional<charset::Charset> found = charset::Charset::Find("CP" + std::to_string(codePage));
    return found ? *found : charset::Charset::Default();
}

}  // namespace

void WinProgress::SetRange(int low, int high) { SendMessageA(bar_, PBM_SETRANGE32, low, high); }
void WinProgress::SetPosition(int position) { SendMessageA(bar_, PBM_SETPOS, position, 0); }
void WinProgress::Step() { SendMessageA(bar_, PBM_DELTAPOS, script::kProgressStep, 0); }

namespace {

// The message field read as wide text, in `codePage`; false when it is empty.
bool WideMessageIn(HWND edit, UINT codePage, std::string* text) {
    // A vector, not std::wstring, which would bring the library's whole wide string in.
    std::vector<wchar_t> wide(kWideMessageSize, L'\0');
    LRESULT units = SendMessageW(edit, WM_GETTEXT, kWideMessageSize, reinterpret_cast<LPARAM>(wide.data()));
    if (units <= 0) return false;
    int bytes = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(units), nullptr, 0, nullptr, nullptr);
    text->assign(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(units), &(*text)[0], bytes, nullptr, nullptr);
    return true;
}

}  // namespace

std::string MessageAsSent(HWND dialog) {
    HWND edit = GetDlgItem(dialog, IDC_SMS_MESSAGE);
    std::string text;
    if (!WideMessageIn(edit, KeyboardCodePage(dialog), &text)) return ReadText(edit, kFieldSize);
    // Cut to the field's size between characters, never inside one.
    text.resize(MessageCharsetOf(dialog).CutPoint(text, kFieldSize - 1));
    return text;
}

WinSendControls::WinSendControls(HWND dialog) : dialog_(dialog), progress_(GetDlgItem(dialog, IDC_SMS_PROGRESS)) {}

const char* SelectedPrefixOf(HWND dialog) {
    HWND box = GetDlgItem(dialog, IDC_SMS_PREFIX);
    LRESULT index = SendMessageA(box, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return nullptr;
    LRESULT data = SendMessageA(box, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    return data == CB_ERR ? nullptr : reinterpret_cast<const char*>(data);
}

const char* WinSendControls::SelectedPrefix() { return SelectedPrefixOf(dialog_); }

std::string WinSendControls::ReadMessage() { return ReadText(Control(IDC_SMS_MESSAGE), kFieldSize); }

std::string WinSendControls::ReadMessageForSend() { return MessageAsSent(dialog_); }

charset::Charset WinSendControls::MessageCharset() { return MessageCharsetOf(dialog_); }

std::string WinSendControls::ReadMessageUtf8() {
    std::string text;
    WideMessageIn(Control(IDC_SMS_MESSAGE), CP_UTF8, &text);
    text.resize(charset::Charset::Utf8().CutPoint(text, kFieldSize - 1));
    return text;
}

void WinSendControls::WriteMessageUtf8(const std::string& text) {
    HWND edit = Control(IDC_SMS_MESSAGE);
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::vector<wchar_t> wide(static_cast<size_t>(units > 0 ? units : 0) + 1, L'\0');
    if (units > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.data()));
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDC_SMS_MESSAGE, EN_CHANGE), reinterpret_cast<LPARAM>(edit));
}

// A multi-line edit reports no change for a text set from outside, so the
// dialog is told, and its counter follows the rest.
void WinSendControls::WriteMessage(const std::string& text) {
    HWND edit = Control(IDC_SMS_MESSAGE);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDC_SMS_MESSAGE, EN_CHANGE), reinterpret_cast<LPARAM>(edit));
}

std::string WinSendControls::ReadNumber() { return ReadText(Control(IDC_SMS_NUMBER), kFieldSize); }

void WinSendControls::SetStatus(const std::string& text) {
    SendMessageA(Control(IDC_SMS_STATUS), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void WinSendControls::EnableSend(bool enabled) { EnableWindow(Control(IDC_SMS_SEND), enabled ? TRUE : FALSE); }

// The dialog moves the focus on its own thread; SetFocus would not work
// from the job's.
void WinSendControls::Focus(int id) {
    SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(id)), TRUE);
}
void WinSendControls::FocusMessage() { Focus(IDC_SMS_MESSAGE); }
void WinSendControls::FocusNumber() { Focus(IDC_SMS_NUMBER); }

void WinSendControls::Close() { SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }
