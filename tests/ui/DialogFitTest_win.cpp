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
#include "send/Credit.h"
#include "send/SendJob.h"
#include "ui/SendDialogLogic.h"

namespace {

INT_PTR CALLBACK QuietProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

struct Measured {
    bool text = false;  // a control whose text is measured, and has one
    RECT need{};        // what the text takes
    int oneLine = 0;    // its width on one line
    RECT has{};         // what the control gives it
};

// A check box's or radio button's box and the gap after it (13 pixels at
// 96 DPI, and half a digit) come off the width; a text that is not
// multi-line stays on one line.
Measured Measure(HWND control) {
    Measured m;
    char name[32] = "", text[1024] = "";
    GetClassNameA(control, name, sizeof name);
    GetWindowTextA(control, text, sizeof text);
    const LONG style = GetWindowLongA(control, GWL_STYLE), type = style & SS_TYPEMASK, button = style & BS_TYPEMASK;
    GetClientRect(control, &m.has);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    UINT format = DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS;
    if (lstrcmpiA(name, "Static") == 0) {
        m.text = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_LEFTNOWORDWRAP;
        if (type == SS_LEFTNOWORDWRAP) format = DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS;
        if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    } else if (lstrcmpiA(name, "Button") == 0 && button != BS_PUSHBUTTON && button != BS_DEFPUSHBUTTON &&
               button != BS_GROUPBOX && button != BS_OWNERDRAW && button != BS_USERBUTTON) {
        m.text = true;
        INT digit = 0;
        GetCharWidth32A(dc, '0', '0', &digit);
        m.has.right -= 13 * GetDeviceCaps(dc, LOGPIXELSX) / 96 + digit / 2;
        if (!(style & BS_MULTILINE)) format = DT_CALCRECT | DT_SINGLELINE;
    }
    m.text = m.text && text[0];
    if (m.text) {
        m.need = RECT{0, 0, m.has.right, 0};
        DrawTextA(dc, text, -1, &m.need, format);
        RECT line{};
        DrawTextA(dc, text, -1, &line, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS | (format & DT_NOPREFIX));
        m.oneLine = line.right;
    }
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return m;
}

struct Fit {
    int id;
    int measured = 0;
};

BOOL CALLBACK CheckChild(HWND control, LPARAM param) {
    auto* fit = reinterpret_cast<Fit*>(param);
    Measured m = Measure(control);
    if (!m.text) return TRUE;
    ++fit->measured;
    char text[1024] = "";
    GetWindowTextA(control, text, sizeof text);
    EXPECT_TRUE(m.need.right <= m.has.right && m.need.bottom <= m.has.bottom)
        << "dialog " << fit->id << ", control " << GetDlgCtrlID(control) << " \"" << text << "\" needs " << m.need.right
        << " x " << m.need.bottom << " pixels (" << m.oneLine << " on one line), has " << m.has.right << " x "
        << m.has.bottom;
    return TRUE;
}

// The send dialog's status line with the longest texts the job writes; the
// counter's sunken edge takes the descent of its line, and its digits have
// none: only its width counts. Gives how many texts were measured.
int CheckDialog(HWND dialog, int id) {
    Fit fit{id};
    EnumChildWindows(dialog, CheckChild, reinterpret_cast<LPARAM>(&fit));
    if (id != IDD_SEND) return fit.measured;
    script::Credit credit;
    credit.known = true;
    credit.value = "12345.67";
    credit.unit = "EUR";
    const std::string sent = credit::SentStatus(credit);
    for (const char* status :
         {senddialog::kAborting, sendtext::kAllFailed, sendtext::kNeedNumber, sendtext::kQueued, sent.c_str()}) {
        SetDlgItemTextA(dialog, IDC_SMS_STATUS, status);
        CheckChild(GetDlgItem(dialog, IDC_SMS_STATUS), reinterpret_cast<LPARAM>(&fit));
    }
    SetDlgItemTextA(dialog, IDC_SMS_COUNTER, "1023");
    Measured counter = Measure(GetDlgItem(dialog, IDC_SMS_COUNTER));
    EXPECT_LE(counter.oneLine, counter.has.right) << "the counter";
    return fit.measured;
}

TEST(DialogFit, EveryTextFitsItsControl) {
    const char* path = std::getenv("PARLET_DLL");
    ASSERT_TRUE(path) << "PARLET_DLL names the DLL";
    HMODULE plugin =
        LoadLibraryExA((std::string(path[0] == '/' ? "Z:" : "") + path).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(plugin) << path;
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    standin::Reset();
    // Option pages are child dialogs: they need a parent.
    HWND parent = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    int measured = 0;
    for (bool marked : {false, true}) {
        SCOPED_TRACE(marked ? "with [T] marking" : "plain");
        standin::SetTranslationMarking(marked);
        for (int id : {IDD_SEND, IDD_OPT_GENERAL, IDD_ADDRESSBOOK, IDD_PHONE_EDITOR, IDD_OPT_ORDER, IDD_OPT_OUTBOX,
                       IDD_OPT_CREDIT}) {
            HWND dialog = CreateDialogParamA(plugin, MAKEINTRESOURCEA(id), parent, QuietProc, 0);
            ASSERT_TRUE(dialog) << "template " << id;
            host::TranslateDialogRequest translate{sizeof translate, 0, dialog, nullptr};
            standin::Link()->CallService("LangPack/TranslateDialog", 0, reinterpret_cast<host::Word>(&translate));
            measured += CheckDialog(dialog, id);
            DestroyWindow(dialog);
        }
    }
    DestroyWindow(parent);
    FreeLibrary(plugin);
    EXPECT_GE(measured, 2 * 36) << "the texts of the seven dialogs, and the status line's";
}

}  // namespace
