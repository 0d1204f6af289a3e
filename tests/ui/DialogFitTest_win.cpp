// Every text of every dialog of the DLL fits its control in the dialog's
// own font: each template is created under Wine and each static text, check
// box and radio button is measured with DrawText in the width the control
// gives its text; plain, and with the language pack's "[T]" marking, which
// makes every text longer.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "SendIds.h"
#include "StandIn.h"
#include "resource.h"
#include "send/SendJob.h"
#include "ui/SendDialogLogic.h"

namespace {

HMODULE Plugin() {
    static HMODULE module = [] {
        const char* path = std::getenv("PARLET_DLL");
        if (!path) return HMODULE{};
        HMODULE m = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (!m && path[0] == '/')
            m = LoadLibraryExA((std::string("Z:") + path).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        return m;
    }();
    return module;
}

INT_PTR CALLBACK QuietProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

struct Measured {
    bool checked = false;  // a control whose text is measured
    RECT need{};           // what the text takes
    int oneLine = 0;       // its width on one line
    int width = 0;         // what the control gives it
    int height = 0;
    std::string text;
};

bool IsCheckOrRadio(LONG style) {
    switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE: return true;
    default: return false;
    }
}

// The box of a check box or radio button and the gap after it come off the
// width (13 pixels at 96 DPI, and half the width of a digit); a text that is
// not multi-line stays on one line.
Measured Measure(HWND control) {
    Measured m;
    char name[32] = "";
    GetClassNameA(control, name, sizeof name);
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    char text[1024] = "";
    GetWindowTextA(control, text, sizeof text);
    m.text = text;
    UINT format = DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS;
    RECT client{};
    GetClientRect(control, &client);
    m.width = client.right;
    m.height = client.bottom;
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    if (lstrcmpiA(name, "Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        m.checked = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_LEFTNOWORDWRAP;
        if (type == SS_LEFTNOWORDWRAP) format = DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS;
        if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    } else if (lstrcmpiA(name, "Button") == 0 && IsCheckOrRadio(style)) {
        m.checked = true;
        INT digit = 0;
        GetCharWidth32A(dc, '0', '0', &digit);
        m.width -= 13 * GetDeviceCaps(dc, LOGPIXELSX) / 96 + digit / 2;
        if (!(style & BS_MULTILINE)) format = DT_CALCRECT | DT_SINGLELINE;
    }
    if (m.checked && !m.text.empty()) {
        m.need = RECT{0, 0, m.width, 0};
        DrawTextA(dc, text, -1, &m.need, format);
        RECT line{};
        DrawTextA(dc, text, -1, &line, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS | (format & DT_NOPREFIX));
        m.oneLine = line.right;
    }
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    m.checked = m.checked && !m.text.empty();
    return m;
}

struct Fit {
    HWND dialog;
    int id;
    int measured = 0;
};

BOOL CALLBACK CheckChild(HWND control, LPARAM param) {
    auto* fit = reinterpret_cast<Fit*>(param);
    Measured m = Measure(control);
    if (!m.checked) return TRUE;
    ++fit->measured;
    EXPECT_TRUE(m.need.right <= m.width && m.need.bottom <= m.height)
        << "dialog " << fit->id << ", control " << GetDlgCtrlID(control) << " \"" << m.text << "\" needs "
        << m.need.right << " x " << m.need.bottom << " pixels (" << m.oneLine << " on one line), has " << m.width
        << " x " << m.height;
    return TRUE;
}

// Texts the program writes into a dialog: the longest a control shows.
const struct {
    int dialog;
    int control;
    const char* text;
} kRunTimeTexts[] = {
    {IDD_SEND, IDC_SMS_STATUS, senddialog::kAborting},
    {IDD_SEND, IDC_SMS_STATUS, sendtext::kAllFailed},
    {IDD_SEND, IDC_SMS_STATUS, sendtext::kNeedNumber},
};

// Gives how many texts were measured.
int CheckDialog(HWND dialog, int id) {
    Fit fit{dialog, id};
    EnumChildWindows(dialog, CheckChild, reinterpret_cast<LPARAM>(&fit));
    for (const auto& t : kRunTimeTexts) {
        if (t.dialog != id) continue;
        SetDlgItemTextA(dialog, t.control, t.text);
        CheckChild(GetDlgItem(dialog, t.control), reinterpret_cast<LPARAM>(&fit));
    }
    // The counter's sunken edge takes the descent of its line: digits have
    // none, so only its width counts.
    if (id == IDD_SEND) {
        SetDlgItemTextA(dialog, IDC_SMS_COUNTER, "1023");
        Measured m = Measure(GetDlgItem(dialog, IDC_SMS_COUNTER));
        EXPECT_LE(m.oneLine, m.width) << "the counter";
    }
    return fit.measured;
}

TEST(DialogFit, EveryTextFitsItsControl) {
    ASSERT_TRUE(Plugin()) << "PARLET_DLL names no loadable DLL";
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    standin::Reset();
    // Option pages are child dialogs: they need a parent.
    HWND parent = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    const int templates[] = {IDD_SEND, IDD_OPT_GENERAL, IDD_ADDRESSBOOK, IDD_PHONE_EDITOR, IDD_OPT_ORDER};
    int measured = 0;
    for (bool marked : {false, true}) {
        standin::SetTranslationMarking(marked);
        for (int id : templates) {
            SCOPED_TRACE(marked ? "with [T] marking" : "plain");
            HWND dialog = CreateDialogParamA(Plugin(), MAKEINTRESOURCEA(id), parent, QuietProc, 0);
            ASSERT_TRUE(dialog) << "template " << id;
            host::TranslateDialogRequest translate{sizeof translate, 0, dialog, nullptr};
            standin::Link()->CallService("LangPack/TranslateDialog", 0, reinterpret_cast<host::Word>(&translate));
            measured += CheckDialog(dialog, id);
            DestroyWindow(dialog);
        }
    }
    DestroyWindow(parent);
    EXPECT_GE(measured, 2 * 28) << "the texts of the five dialogs, and the status line's";
}

}  // namespace
