// The General options page (dialog 103): a thin view over GeneralPage.h.
#include <windows.h>
#include <prsht.h>

#include <new>

#include "OptionsIds.h"
#include "resource.h"
#include "shell/DllInstance_win.h"
#include "shell/Guard.h"
#include "shell/HostLink.h"
#include "shell/UserMessage.h"
#include "ui/GeneralPage.h"
#include "ui/PageHelpers_win.h"
#include "ui/Tooltip_win.h"

namespace ui {
namespace {

struct PageState {
    uint32_t onTooLong = 0;  // the chosen radio button
    HICON folderIcon = nullptr;
};

PageState* StateOf(HWND page) { return reinterpret_cast<PageState*>(GetWindowLongPtrA(page, DWLP_USER)); }

void SetText(HWND page, int id, const std::string& text) { SetDlgItemTextA(page, id, text.c_str()); }

void Fill(HWND page, PageState& state) {
    state.folderIcon =
        static_cast<HICON>(LoadImageA(dll::Instance(), MAKEINTRESOURCEA(IDI_FOLDER), IMAGE_ICON, 16, 16, 0));
    TranslateDialog(page);
    GeneralFields f = LoadGeneralFields();
    SetText(page, IDC_GATEWAY_PATH, f.gatewayFolder);
    if (!f.senderNumber.empty()) SetText(page, IDC_SENDER_NUMBER, f.senderNumber);
    SetText(page, IDC_SPLIT_NUMBER, f.splitNumber);
    // As if the stored button had been clicked: that checks it.
    state.onTooLong = f.onTooLong;
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(f.onTooLong & 0xFFFF, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, static_cast<int>(f.onTooLong & 0xFFFF))));
    SetChecked(page, IDC_ACTIVATE_ON_NA, f.activateOnNA);
    SetText(page, IDC_TRIGGER, f.trigger);
    SetText(page, IDC_USER_MSG_INTERVAL, f.userMsgInterval);
    SetChecked(page, IDC_ACTIVE, f.forwardingActive);
    SetChecked(page, IDC_DO_LOG, f.doLog);
    SetText(page, IDC_LOGFILE, f.logfile);
    SetChecked(page, IDC_VERBOSE, f.verbose);
    SetChecked(page, IDC_USE_WAB, f.useWab);
    if (!f.successMsg.empty()) SetText(page, IDC_SUCCESS_MSG, f.successMsg);
    if (!f.failureMsg.empty()) SetText(page, IDC_FAILURE_MSG, f.failureMsg);
    if (!f.floodMsg.empty()) SetText(page, IDC_FLOOD_MSG, f.floodMsg);
    SetChecked(page, IDC_NUMBER_MSGS, f.numberMsgs);
    SendDlgItemMessageA(page, IDC_BROWSE, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(state.folderIcon));
    AddTooltip(page, IDC_BROWSE, host::TranslateString("Browse for the gateway folder"));
}

void Save(HWND page, const PageState& state) {
    GeneralFields f;
    f.gatewayFolder = ItemText(page, IDC_GATEWAY_PATH);
    f.senderNumber = ItemText(page, IDC_SENDER_NUMBER);
    f.splitNumber = ItemText(page, IDC_SPLIT_NUMBER);
    f.onTooLong = state.onTooLong;
    f.activateOnNA = IsChecked(page, IDC_ACTIVATE_ON_NA);
    f.trigger = ItemText(page, IDC_TRIGGER);
    f.userMsgInterval = ItemText(page, IDC_USER_MSG_INTERVAL);
    f.forwardingActive = IsChecked(page, IDC_ACTIVE);
    f.doLog = IsChecked(page, IDC_DO_LOG);
    f.logfile = ItemText(page, IDC_LOGFILE);
    f.verbose = IsChecked(page, IDC_VERBOSE);
    f.useWab = IsChecked(page, IDC_USE_WAB);
    f.successMsg = ItemText(page, IDC_SUCCESS_MSG);
    f.failureMsg = ItemText(page, IDC_FAILURE_MSG);
    f.floodMsg = ItemText(page, IDC_FLOOD_MSG);
    f.numberMsgs = IsChecked(page, IDC_NUMBER_MSGS);
    SaveGeneralFields(f);
}

void Rescan(HWND page) {
    int count = RescanGatewayFolder(ItemText(page, IDC_GATEWAY_PATH));
    MessageBoxA(nullptr, GatewaysFoundText(count).c_str(), usermsg::kCaption, MB_OK | MB_ICONINFORMATION);
    ReportPageChanged(page);
}

void Browse(HWND page) {
    std::string folder = ItemText(page, IDC_GATEWAY_PATH).substr(0, kMaxFolderField);
    if (!BrowseForFolder(page, host::TranslateString("Please select the Gateway-path"), folder)) {
        ReportPageChanged(page);
        return;
    }
    SetText(page, IDC_GATEWAY_PATH, folder);
    Rescan(page);
}

void Command(HWND page, PageState& state, int id) {
    switch (id) {
    case IDC_CUT:
    case IDC_SPLIT:
        CheckRadioButton(page, IDC_CUT, IDC_SPLIT, id);
        state.onTooLong = static_cast<uint32_t>(id);
        ReportPageChanged(page);
        break;
    case IDC_RESCAN: Rescan(page); break;
    case IDC_BROWSE: Browse(page); break;
    default: ReportPageChanged(page); break;
    }
}

INT_PTR Handle(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        auto* state = new (std::nothrow) PageState;
        if (!state) return FALSE;
        SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
        Fill(page, *state);
        return TRUE;
    }
    case WM_COMMAND:
        if (PageState* state = StateOf(page)) Command(page, *state, LOWORD(wParam));
        return TRUE;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<const NMHDR*>(lParam);
        PageState* state = StateOf(page);
        if (!header || !state) return FALSE;
        if (header->code == PSN_APPLY || header->code == PSN_KILLACTIVE) {
            Save(page, *state);
            // Apply succeeded; leaving the page is allowed.
            SetWindowLongPtrA(page, DWLP_MSGRESULT, header->code == PSN_APPLY ? PSNRET_NOERROR : FALSE);
            return TRUE;
        }
        return FALSE;
    }
    case WM_DESTROY:
        if (PageState* state = StateOf(page)) {
            if (state->folderIcon) DestroyIcon(state->folderIcon);
            delete state;
            SetWindowLongPtrA(page, DWLP_USER, 0);
        }
        return FALSE;
    default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded<INT_PTR>(FALSE, [&]() -> INT_PTR { return Handle(page, message, wParam, lParam); });
}

}  // namespace ui
