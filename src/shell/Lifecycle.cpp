#include "shell/Lifecycle.h"

#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

#include "catalogue/Catalogue.h"
#include "catalogue/GatewayFolder.h"
#include "forward/Relay.h"
#include "send/Credit.h"
#include "send/Delivery.h"
#include "send/OutboxRetry.h"
#include "shell/Forwarding.h"
#include "shell/Guard.h"
#include "shell/HostLink.h"
#include "shell/Log.h"
#include "shell/Notice.h"
#include "shell/OldNumbers.h"
#include "shell/PhoneAccount.h"
#include "shell/ResourceIcon.h"
#include "shell/Settings.h"
#include "shell/Timer.h"
#include "transport/Http.h"
#include "ui/OptionsPages.h"
#include "ui/PhoneBook.h"
#include "ui/SendDialog.h"

namespace plugin {
namespace {

using host::Word;

constexpr const char* kNetlibUserName = "HTTP SMS-Gateway connection";
constexpr const char* kUserAgent = "Mozilla/4.08 [en] (WinNT; U ;Nav)";

struct State {
    std::vector<host::Handle> hooks;     // in the order hooked
    std::vector<host::Handle> services;  // in the order created
    host::Handle netlibUser = nullptr;
    Word contactMenuItem = 0;
    bool inert = false;
    bool running = false;  // OnModulesLoaded ran: ForwardingActive was loaded
};
State g_state;

Word SendService(Word, Word) {
    return Guarded<Word>(0, [] {
        OpenSendDialog(nullptr);
        return Word{0};
    });
}

// The preset text is handed over: it was allocated with malloc by the
// plug-in itself, and is released here once the dialog has closed.
Word MenuCommandService(Word wParam, Word lParam) {
    char* preset = reinterpret_cast<char*>(lParam);
    Word result = Guarded<Word>(0, [&] {
        PhoneEntry entry = ReadPhoneEntry(reinterpret_cast<host::Contact>(wParam));
        SendDialogRequest request;
        request.contact = reinterpret_cast<host::Contact>(wParam);
        request.entry.emplace();
        request.entry->prefix = entry.prefix;
        request.entry->number = entry.number;
        if (preset) request.entry->presetMessage = std::string(preset);
        FreePhoneEntry(entry);
        OpenSendDialog(&request);
        return Word{0};
    });
    std::free(preset);
    return result;
}

Word RecvMessageService(Word wParam, Word lParam) {
    return Guarded<Word>(0, [&] { return forward::ReceiveMessage(wParam, lParam); });
}

// The relay's forward: the send dialog with the owner's number, the message
// and the contact to answer; it sends at once and closes when done.
void OpenForForward(const forward::ForwardRequest& forward) {
    SendDialogRequest request;
    request.entry.emplace();
    request.entry->prefix = forward.prefix;
    request.entry->number = forward.number;
    request.entry->presetMessage = forward.message;
    request.replyContact = forward.replyContact;
    OpenSendDialog(&request);
}

Word OptionsHook(Word wParam, Word lParam) {
#ifdef _WIN32
    return Guarded<Word>(0, [&] { return ui::OnOptionsInitialise(wParam, lParam); });
#else
    (void)wParam, (void)lParam;
    return 0;  // the pages are Windows dialogs
#endif
}

Word StatusHook(Word wParam, Word lParam) {
    return Guarded<Word>(0, [&] { return forward::OnStatusModeChange(wParam, lParam); });
}

Word ModulesLoadedHook(Word wParam, Word lParam) {
    return Guarded<Word>(0, [&] { return OnModulesLoaded(wParam, lParam); });
}

void AddFilter(host::Contact contact) {
    host::CallService("Proto/AddToContact", reinterpret_cast<Word>(contact), reinterpret_cast<Word>(kProtocolModule));
}

// A contact the host adds while it runs (a new buddy, a stranger's
// temporary contact) is relayed too.
Word ContactAddedHook(Word wParam, Word) {
    return Guarded<Word>(0, [&] {
        AddFilter(reinterpret_cast<host::Contact>(wParam));
        return Word{0};
    });
}

Word PreBuildContactMenuHook(Word wParam, Word lParam) {
    return Guarded<Word>(0, [&] { return OnPreBuildContactMenu(wParam, lParam); });
}

void CreateService(const char* name, host::ServiceProc proc) {
    if (host::Handle service = host::CreateService(name, proc)) g_state.services.push_back(service);
}

void WriteDefaultAnswers() {
    const struct {
        const char* name;
        const char* text;
    } answers[] = {{"SuccessMsg", settings::kDefaultSuccessMsg},
                   {"FailureMsg", settings::kDefaultFailureMsg},
                   {"FloodMsg", settings::kDefaultFloodMsg},
                   {"QueuedMsg", settings::kDefaultQueuedMsg}};
    for (const auto& answer : answers)
        if (!settings::ReadText(answer.name)) settings::WriteText(answer.name, answer.text);
}

void RegisterNetlibUser() {
    host::NetlibUser user{};
    user.cbSize = host::kNetlibUserSize;
    user.settingsModule = settings::kNetModule;
    user.descriptiveName = kNetlibUserName;
    user.flags = host::kNetlibOutgoing;
    user.httpGatewayUserAgent = kUserAgent;
    Word handle = host::CallService("Netlib/RegisterUser", 0, reinterpret_cast<Word>(&user));
    g_state.netlibUser = handle == host::kServiceNotFound ? nullptr : reinterpret_cast<host::Handle>(handle);
    transport::SetNetlibUser(g_state.netlibUser);
    if (!g_state.netlibUser) WriteLog("SMS plugin startup failure: Error registering NETLIB user");
}

Word AddMenuItem(const char* addService, const char* name, int position, const char* service) {
    host::MenuItem item{};
    item.cbSize = 40;
    item.name = const_cast<char*>(name);
    item.position = position;
    item.icon = resource::Icon(kMenuIcon);
    item.service = service;
    Word handle = host::CallService(addService, 0, reinterpret_cast<Word>(&item));
    return handle == host::kServiceNotFound ? 0 : handle;
}

}  // namespace

int Load(const host::PluginLink* link) {
    return Guarded(0, [&] {
        g_state = State{};
        host::SetLink(link);
        notice::HoldWhileStarting();
        std::string folder = settings::GatewayPath();
        ResolveGatewayFolder(folder);
        SetGatewayFolder(folder);
        if (CreateCatalogue() != 0 || ScanGateways() != 0) {
            g_state.inert = true;
            notice::ShowHeld();  // no start-up hook will run to show them
            return 0;
        }
        const struct {
            const char* event;
            host::HookProc hook;
        } hooks[] = {{"Miranda/System/ModulesLoaded", ModulesLoadedHook},
                     {"Opt/Initialise", OptionsHook},
                     {"CList/StatusModeChange", StatusHook},
                     {"CList/PreBuildContactMenu", PreBuildContactMenuHook}};
        for (const auto& h : hooks) g_state.hooks.push_back(host::HookEvent(h.event, h.hook));
        // The host takes protocol modules in a plug-in's Load only.
        host::ProtocolDescriptor descriptor{host::kProtocolDescriptorSize, kProtocolModule, host::kProtoTypeFilter};
        host::CallService("Proto/RegisterModule", 0, reinterpret_cast<Word>(&descriptor));
        RegisterPhoneAccount(g_state.services);
        WriteDefaultAnswers();
        MoveOldLastNumbers();
        transport::LoadWinInet();
        forward::SetSendDialogOpener(OpenForForward);
        return 0;
    });
}

Word OnModulesLoaded(Word, Word) {
    RegisterNetlibUser();
    CreateService(kRecvMessageService, RecvMessageService);
    for (host::Contact c = host::FindFirstContact(); c; c = host::FindNextContact(c)) AddFilter(c);
    g_state.hooks.push_back(host::HookEvent("DB/Contact/Added", ContactAddedHook));
    CreateService(kSendService, SendService);
    AddMenuItem("CList/AddMainMenuItem", "&Send SMS...", kMainMenuPosition, kSendService);
    CreateService(kMenuCommandService, MenuCommandService);
    std::string name = host::TranslateString("&Parlet Message");
    g_state.contactMenuItem =
        AddMenuItem("CList/AddContactMenuItem", name.c_str(), kContactMenuPosition, kMenuCommandService);
    SetForwardingActive(settings::ReadByte("Active").value_or(0));
    g_state.running = true;
    outbox::StartRetries();
    delivery::Start();
    timer::Soon(notice::ShowHeld);
    return 0;
}

Word OnPreBuildContactMenu(Word contact, Word) {
    PhoneEntry entry = ReadPhoneEntry(reinterpret_cast<host::Contact>(contact));
    bool show = entry.prefix.has_value();
    FreePhoneEntry(entry);
    host::MenuItem item{};
    item.cbSize = 40;
    item.flags = host::kMenuModifyFlags | (show ? 0 : host::kMenuFlagHidden);
    host::CallService("CList/ModifyMenuItem", g_state.contactMenuItem, reinterpret_cast<Word>(&item));
    return 0;
}

int Unload() {
    return Guarded(0, [] {
        outbox::StopRetries();            // a retry under way ends before anything it uses goes
        delivery::Stop();                 // so does an ask for a delivery report,
        credit::StopBackgroundReading();  // and the Credit page's reading
        timer::CancelSoon();
        notice::DropHeld();
        // Only a value that was loaded is written back: an inert plug-in
        // must not overwrite the user's choice with its default.
        if (g_state.running) settings::WriteByte("Active", static_cast<uint8_t>(ForwardingActive()));
        if (g_state.netlibUser) host::CallService("Netlib/CloseHandle", reinterpret_cast<Word>(g_state.netlibUser), 0);
        transport::SetNetlibUser(nullptr);
        for (host::Handle hook : g_state.hooks)
            if (hook) host::UnhookEvent(hook);
        FreeCatalogue();
        CloseLog();
        // The host would otherwise keep calling into a DLL that is gone.
        const host::PluginLink* link = host::Link();
        for (host::Handle service : g_state.services)
            if (link && link->DestroyServiceFunction) link->DestroyServiceFunction(service);
        g_state = State{};
        return 0;
    });
}

bool Inert() { return g_state.inert; }

}  // namespace plugin
