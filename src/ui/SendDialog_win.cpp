// The send dialog: a thin Win32 view. What it decides comes from
// SendDialogLogic; the send job reads and writes its controls through
// WinSendControls, from the job's thread, with synchronous messages only.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <memory>
#include <string>

#include "catalogue/Catalogue.h"
#include "SendIds.h"
#include "resource.h"
#include "send/OutboxRetry.h"
#include "send/Preview.h"
#include "send/SendJob.h"
#include "shell/DllInstance_win.h"
#include "shell/Guard.h"
#include "shell/HostLink.h"
#include "shell/Notice.h"
#include "shell/ResourceIcon.h"
#include "shell/Settings.h"
#include "ui/Dialogs.h"
#include "ui/PhoneBook.h"
#include "ui/SendDialogLogic.h"
#include "ui/Tooltip_win.h"
#include "ui/WinSendControls.h"

namespace {

constexpr const char* kPositionPrefix = "SMSdlg";
constexpr int kNumberSize = 256;  // the number box is read up to 255 characters
constexpr int kIconSize = 16;

// One open dialog. Shared with the jobs it started, which may outlive it.
struct DialogState {
    HWND window = nullptr;
    const SendDialogRequest* request = nullptr;
    std::shared_ptr<const PrefixTable> table = CurrentPrefixTable();
    std::vector<senddialog::PrefixItem> items;
    std::atomic<int> abortFlag{0};
    std::unique_ptr<WinSendControls> controls;
    HWND counterTip = nullptr;  // owned by the dialog, which destroys it
};

// The message box's window procedure before the subclass: the same for every
// edit control, so one variable serves all open dialogs.
std::atomic<WNDPROC> g_editProc{nullptr};

DialogState* StateOf(HWND dialog) {
    auto* holder = reinterpret_cast<std::shared_ptr<DialogState>*>(GetWindowLongPtrA(dialog, DWLP_USER));
    return holder ? holder->get() : nullptr;
}

std::vector<std::string> ListedNumbers(HWND box) {
    std::vector<std::string> numbers;
    int count = static_cast<int>(SendMessageA(box, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        LRESULT length = SendMessageA(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0) continue;
        std::string text(static_cast<size_t>(length) + 1, '\0');
        SendMessageA(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
        text.resize(static_cast<size_t>(length));
        numbers.push_back(text);
    }
    return numbers;
}

void RefreshNumbers(HWND dialog) {
    const char* prefix = SelectedPrefixOf(dialog);
    if (!prefix) return;
    HWND box = GetDlgItem(dialog, IDC_SMS_NUMBER);
    char kept[64] = "";
    GetWindowTextA(box, kept, sizeof kept);
    SendMessageA(box, CB_RESETCONTENT, 0, 0);
    SetWindowTextA(box, kept);
    for (const std::string& number : senddialog::NumbersForPrefix(prefix))
        SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(number.c_str()));
}

void UpdateCounter(HWND dialog) {
    const std::string message = MessageAsSent(dialog);
    SetDlgItemTextA(dialog, IDC_SMS_COUNTER, std::to_string(message.size()).c_str());
    if (DialogState* state = StateOf(dialog)) {
        const std::string utf8 = state->controls->ReadMessageUtf8();  // for a gateway with a Charset of its own
        ui::SetTooltipText(state->counterTip, dialog, IDC_SMS_COUNTER,
                           preview::CounterTip(message, state->controls->MessageCharset(), &utf8));
    }
}

// Starts a job unless one of this dialog's runs; each send starts with the
// bar at 0, whatever an earlier send left there. `historyContact`: whose
// history gets the message; `replyContact`: the relay's contact to answer.
bool StartJob(HWND dialog, host::Contact replyContact, host::Contact historyContact) {
    auto* holder = reinterpret_cast<std::shared_ptr<DialogState>*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!holder || !(*holder)->controls->Claim()) return false;
    SendDlgItemMessageA(dialog, IDC_SMS_PROGRESS, PBM_SETPOS, 0, 0);
    SendRequest request;
    request.dialog = (*holder)->controls.get();
    request.replyContact = replyContact;
    request.abortFlag = &(*holder)->abortFlag;
    request.keepAlive = *holder;  // the job's copy keeps the state and its controls alive
    request.historyContact = historyContact;
    if (settings::QueueFailed()) request.outboxFile = outbox::PluginOutboxPath();
    if (StartSendJob(request) == 0) return true;
    (*holder)->controls->HandBack();
    return false;
}

// The phone contact of the number in the fields: the menu's contact when its
// entry is that number, else the first contact with it.
host::Contact NumberContact(HWND dialog, const char* prefix, const std::string& number) {
    DialogState* state = StateOf(dialog);
    host::Contact menuContact = state && state->request ? state->request->contact : nullptr;
    return prefix ? FindPhoneContact(prefix, number, menuContact) : nullptr;
}

// Send, whether clicked, keyed or posted: nothing while a send runs.
void Send(HWND dialog) {
    DialogState* state = StateOf(dialog);
    if (!state || state->controls->Busy()) return;
    HWND box = GetDlgItem(dialog, IDC_SMS_NUMBER);
    char typed[kNumberSize] = "";
    GetWindowTextA(box, typed, sizeof typed);
    const char* prefix = SelectedPrefixOf(dialog);
    host::Contact contact = nullptr;
    if (senddialog::ShouldStoreNumber(prefix, typed, ListedNumbers(box))) {
        contact = AddPhoneContact(std::string(prefix), typed);
        SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(typed));
    }
    StartJob(dialog, nullptr, contact ? contact : NumberContact(dialog, prefix, typed));
}

void Cancel(HWND dialog) {
    EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
    // Whether a send runs is read from Send: the job disables it while it works.
    if (!IsWindowEnabled(GetDlgItem(dialog, IDC_SMS_SEND))) {
        SetDlgItemTextA(dialog, IDC_SMS_STATUS, senddialog::kAborting);
        if (DialogState* state = StateOf(dialog)) state->abortFlag.store(1);
        return;
    }
    EndDialog(dialog, 0);
}

LRESULT CALLBACK MessageBoxProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded<LRESULT>(0, [&]() -> LRESULT {
        if (message == WM_CHAR && GetKeyState(VK_CONTROL) < 0) {
            if (wParam == '\r' || wParam == '\n') {
                PostMessageA(GetParent(edit), WM_COMMAND, MAKEWPARAM(IDC_SMS_SEND, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(GetParent(edit), IDC_SMS_SEND)));
            } else if (wParam == 1) {  // Ctrl+A
                SendMessageA(edit, EM_SETSEL, 0, -1);
                return 0;
            }
        }
        return CallWindowProcW(g_editProc.load(), edit, message, wParam, lParam);
    });
}

void PlaceWindow(HWND dialog, const char* service) {
    host::WindowPositionRequest position{dialog, nullptr, settings::kNetModule, kPositionPrefix};
    host::CallService(service, 0, reinterpret_cast<host::Word>(&position));
}

BOOL InitDialog(HWND dialog, std::shared_ptr<DialogState>* holder) {
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(holder));
    DialogState& state = **holder;
    state.window = dialog;
    state.controls = std::make_unique<WinSendControls>(dialog);
    HANDLE icon = resource::Icon(IDI_ADDRESSBOOK, kIconSize);
    host::TranslateDialogRequest translate{16, 0, dialog, nullptr};
    host::CallService("LangPack/TranslateDialog", 0, reinterpret_cast<host::Word>(&translate));
    PlaceWindow(dialog, "Utils/RestoreWindowPos");
    SetFocus(GetDlgItem(dialog, IDC_SMS_PREFIX));
    if (CountGateways() == 0) {
        ShowNotice(senddialog::kNoGateway);
        EndDialog(dialog, 0);
        return FALSE;
    }
    HWND prefixBox = GetDlgItem(dialog, IDC_SMS_PREFIX);
    state.items = senddialog::PrefixItems(*state.table);
    for (const senddialog::PrefixItem& item : state.items) {
        LRESULT index = SendMessageA(prefixBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.shown.c_str()));
        SendMessageA(prefixBox, CB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item.prefix));
    }
    int selected = senddialog::InitialPrefixIndex(state.items, state.request, settings::LastSelectedPrefix());
    SendMessageA(prefixBox, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    RefreshNumbers(dialog);
    if (state.request && state.request->entry) {
        const SendDialogRequest::Entry& entry = *state.request->entry;
        if (entry.number) SetDlgItemTextA(dialog, IDC_SMS_NUMBER, entry.number->c_str());
        if (entry.presetMessage) SetDlgItemTextA(dialog, IDC_SMS_MESSAGE, entry.presetMessage->c_str());
    }
    if (state.request && state.request->replyContact) {
        const SendDialogRequest::Entry* entry = state.request->entry ? &*state.request->entry : nullptr;
        StartJob(dialog, state.request->replyContact,
                 entry && entry->number ? NumberContact(dialog, SelectedPrefixOf(dialog), *entry->number) : nullptr);
    }
    HWND edit = GetDlgItem(dialog, IDC_SMS_MESSAGE);
    // A Unicode subclass keeps the edit a Unicode window: an ANSI one would
    // turn every character its code page lacks into "?" (a JSON body takes
    // them all).
    g_editProc.store(
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MessageBoxProc))));
    SendDlgItemMessageA(dialog, IDC_SMS_ADDRESSBOOK, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
    ui::AddTooltip(dialog, IDC_SMS_ADDRESSBOOK, host::TranslateString("Address book"));
    state.counterTip = ui::AddAreaTooltip(dialog, IDC_SMS_COUNTER);
    return FALSE;  // the focus was set above
}

void Destroy(HWND dialog) {
    DialogState* state = StateOf(dialog);
    if (state && !state->items.empty()) {
        if (const char* prefix = SelectedPrefixOf(dialog)) settings::WriteText("LastSelectedPrefix", prefix);
    }
    PlaceWindow(dialog, "Utils/SaveWindowPos");
}

void Command(HWND dialog, int id, int code) {
    switch (id) {
    case IDC_SMS_PREFIX: RefreshNumbers(dialog); break;
    case IDC_SMS_MESSAGE: UpdateCounter(dialog); break;
    case IDC_SMS_SEND:
        if (code == BN_CLICKED) Send(dialog);
        break;
    case IDCANCEL: Cancel(dialog); break;
    case IDC_SMS_ADDRESSBOOK:
        if (code == BN_CLICKED) {
            ui::OpenAddressBook(dialog);
            SetFocus(GetDlgItem(dialog, IDC_SMS_MESSAGE));
        }
        break;
    default: break;
    }
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded<INT_PTR>(FALSE, [&]() -> INT_PTR {
        switch (message) {
        case WM_INITDIALOG: return InitDialog(dialog, reinterpret_cast<std::shared_ptr<DialogState>*>(lParam));
        case WM_COMMAND: Command(dialog, LOWORD(wParam), HIWORD(wParam)); return TRUE;
        case WM_DESTROY: Destroy(dialog); return FALSE;
        default: return FALSE;
        }
    });
}

}  // namespace

namespace platform {

int OpenSendDialog(const SendDialogRequest* request) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    auto holder = std::make_unique<std::shared_ptr<DialogState>>(std::make_shared<DialogState>());
    (*holder)->request = request;
    INT_PTR result = DialogBoxParamA(dll::Instance(), MAKEINTRESOURCEA(IDD_SEND), nullptr, DialogProc,
                                     reinterpret_cast<LPARAM>(holder.get()));
    // Jobs still running keep their own reference to the state.
    return result == -1 ? -1 : 0;
}

}  // namespace platform
