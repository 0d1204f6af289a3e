// Protocol modules, the receive chain of filter modules and the instant
// messages the plug-in sends.
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>

#include "StandInInternal.h"

namespace standin {
namespace {

using host::Word;
using detail::ContactId;

struct Module {
    std::string name;
    int type;
};

std::mutex g_protoMutex;
std::vector<Module> g_modules;
std::vector<std::string> g_accounts;
std::map<uintptr_t, std::vector<std::string>> g_filters;  // per contact, in the order added
std::vector<ReceivedMessage> g_received;
std::vector<SentMessage> g_sent;

// A filter that hands the chain back to its own start would recurse forever.
constexpr int kMaxChainDepth = 64;
thread_local int t_chainDepth = 0;

bool IsRegistered(const std::string& name) {
    for (const Module& m : g_modules)
        if (m.name == name) return true;
    return false;
}

Word RegisterModuleService(Word, Word lParam) {
    auto* descriptor = reinterpret_cast<const host::ProtocolDescriptor*>(lParam);
    if (!descriptor || !descriptor->name) return 1;
    if (!detail::SizeFits(descriptor->cbSize, 12, sizeof(host::ProtocolDescriptor))) return 1;
    std::lock_guard<std::mutex> lock(g_protoMutex);
    if (IsRegistered(descriptor->name)) return 1;
    g_modules.push_back(Module{descriptor->name, descriptor->type});
    // As the host: an old-style protocol module becomes an account of its own.
    if (descriptor->type == host::kProtoTypeProtocol) g_accounts.push_back(descriptor->name);
    return 0;
}

Word AddToContactService(Word wParam, Word lParam) {
    auto contact = reinterpret_cast<host::Contact>(wParam);
    const char* name = reinterpret_cast<const char*>(lParam);
    if (!name || !contact || !detail::ContactExists(contact)) return 1;
    std::lock_guard<std::mutex> lock(g_protoMutex);
    if (!IsRegistered(name)) return 1;
    auto& filters = g_filters[ContactId(contact)];
    for (const std::string& f : filters)
        if (f == name) return 0;
    filters.push_back(name);
    return 0;
}

// wParam is the position in the contact's chain of the next module to call;
// each module gets the position after its own and passes it back unchanged.
Word ChainRecvService(Word wParam, Word lParam) {
    auto* ccs = reinterpret_cast<host::CcsData*>(lParam);
    if (!ccs || !ccs->protoService || wParam < 0) return 1;
    if (t_chainDepth >= kMaxChainDepth) return 1;

    std::vector<std::string> filters;
    {
        std::lock_guard<std::mutex> lock(g_protoMutex);
        auto it = g_filters.find(ContactId(ccs->contact));
        if (it != g_filters.end()) filters = it->second;
    }
    for (size_t i = static_cast<size_t>(wParam); i < filters.size(); ++i) {
        std::string service = filters[i] + ccs->protoService;
        if (!Link()->ServiceExists(service.c_str())) continue;  // a module without this service is passed by
        ++t_chainDepth;
        Word result = Link()->CallService(service.c_str(), static_cast<Word>(i + 1), lParam);
        --t_chainDepth;
        return result;
    }

    // The end of the chain: the host keeps the message.
    if (std::strcmp(ccs->protoService, "/RecvMessage") == 0) {
        auto* event = reinterpret_cast<const host::ProtoRecvEvent*>(ccs->lParam);
        if (!event || !event->message) return 1;
        std::lock_guard<std::mutex> lock(g_protoMutex);
        g_received.push_back(ReceivedMessage{ccs->contact, event->message});
    }
    return 0;
}

// Only instant messages are carried; they go to no real network, so the
// answer is a made-up send process number.
Word CallContactServiceService(Word, Word lParam) {
    auto* ccs = reinterpret_cast<const host::CcsData*>(lParam);
    if (!ccs || !ccs->protoService) return host::kServiceNotFound;
    if (std::strcmp(ccs->protoService, "/SendMsg") != 0) return host::kServiceNotFound;
    const char* text = reinterpret_cast<const char*>(ccs->lParam);
    if (!text || !ccs->contact || !detail::ContactExists(ccs->contact)) return 0;
    std::lock_guard<std::mutex> lock(g_protoMutex);
    g_sent.push_back(SentMessage{ccs->contact, text});
    return static_cast<Word>(g_sent.size());
}

// As the host: the stored protocol name only when it names an account; a
// registered filter module is not enough.
Word GetContactBaseProtoService(Word wParam, Word) {
    auto proto = detail::BaseProto(reinterpret_cast<host::Contact>(wParam));
    return proto ? reinterpret_cast<Word>(detail::Keep(*proto)) : 0;
}

}  // namespace

namespace detail {

std::optional<std::string> BaseProto(host::Contact contact) {
    if (!contact) return std::nullopt;
    auto name = ReadText(contact, "Protocol", "p");
    if (!name) return std::nullopt;
    std::lock_guard<std::mutex> lock(g_protoMutex);
    for (const std::string& a : g_accounts)
        if (a == *name) return name;
    return std::nullopt;
}

void ResetProtocols() {
    {
        std::lock_guard<std::mutex> lock(g_protoMutex);
        g_modules.clear();
        g_accounts.clear();
        g_filters.clear();
        g_received.clear();
        g_sent.clear();
    }
    AddService("Proto/RegisterModule", RegisterModuleService);
    AddService("Proto/AddToContact", AddToContactService);
    AddService("Proto/ChainRecv", ChainRecvService);
    AddService("Proto/CallContactService", CallContactServiceService);
    AddService("Proto/GetContactBaseProto", GetContactBaseProtoService);
}

}  // namespace detail

host::Word DeliverMessage(host::Contact contact, const char* text) {
    std::string copy = text ? text : "";
    std::vector<char> message(copy.begin(), copy.end());
    message.push_back('\0');
    host::ProtoRecvEvent event{0, static_cast<uint32_t>(std::time(nullptr)), message.data(), 0};
    host::CcsData ccs{contact, "/RecvMessage", 0, reinterpret_cast<Word>(&event)};
    return Link()->CallService("Proto/ChainRecv", 0, reinterpret_cast<Word>(&ccs));
}

std::vector<ReceivedMessage> ReceivedMessages() {
    std::lock_guard<std::mutex> lock(g_protoMutex);
    return g_received;
}

std::vector<SentMessage> SentMessages() {
    std::lock_guard<std::mutex> lock(g_protoMutex);
    return g_sent;
}

void AddAccount(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_protoMutex);
    g_accounts.push_back(name);
}

std::vector<std::string> RegisteredModules() {
    std::lock_guard<std::mutex> lock(g_protoMutex);
    std::vector<std::string> names;
    for (const Module& m : g_modules) names.push_back(m.name);
    return names;
}

}  // namespace standin
