// Our records, names and constants against the facts of the host's binary
// interface read from its SDK headers (host-abi.json beside the repository).
// One table maps each fact to what of ours stands for it; a fact without a
// row, a row without a fact, or a difference fails naming the fact.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <type_traits>
#include <vector>

#include "StandIn.h"
#include "TempDir.h"
#include "forward/Relay.h"
#include "send/OutboxRetry.h"
#include "shell/Forwarding.h"
#include "shell/HostLink.h"
#include "shell/Lifecycle.h"
#include "shell/PluginInfo.h"
#include "shell/Settings.h"
#include "shell/UserMessage.h"
#include "ui/OptionsPages.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using nlohmann::json;

// Layouts count only on the host's own target, the 32-bit one.
constexpr bool kHostTarget = sizeof(void*) == 4;
const std::string kNotHere = "\x01";  // the fact cannot be checked in this build

// A row's check: empty when ours matches the fact, else what ours is.
using Check = std::function<std::string(const json& fact)>;

[[maybe_unused]] std::string Shown(const json& value) { return value.dump(); }

Check Size(size_t ours, const char* variant = nullptr) {
    return [=](const json& fact) {
        if (!kHostTarget) return kNotHere;
        const json& host = variant ? fact.at(variant) : fact;
        return host.get<size_t>() == ours ? "" : std::to_string(ours);
    };
}

// Ours is the start of the host's record: its fields we use, no further.
Check Prefix(size_t ours) {
    return [=](const json& fact) {
        if (!kHostTarget) return kNotHere;
        for (const auto& size : fact.items())
            if (size.value().get<size_t>() < ours) return std::to_string(ours) + " (longer than the host's)";
        return std::string();
    };
}

Check Field(size_t offset, size_t size) {
    return [=](const json& fact) {
        if (!kHostTarget) return kNotHere;
        if (fact.at("offset").get<size_t>() == offset && fact.at("size").get<size_t>() == size) return std::string();
        return "offset " + std::to_string(offset) + " size " + std::to_string(size);
    };
}
#define FIELD(T, m) Field(offsetof(T, m), sizeof(T::m))

// A number the facts give as such or as a text: "0x1F", "(int)0x80000000".
Check Number(int64_t ours) {
    return [=](const json& fact) {
        int64_t host = 0;
        if (fact.is_number()) {
            host = fact.get<int64_t>();
        } else {
            std::string text = fact.get<std::string>();
            bool asInt = text.rfind("(int)", 0) == 0;
            host = static_cast<int64_t>(std::stoull(asInt ? text.substr(5) : text, nullptr, 0));
            if (asInt) host = static_cast<int32_t>(static_cast<uint32_t>(host));
        }
        return host == ours ? "" : std::to_string(ours);
    };
}

// The name between the first pair of double quotes of a fact's text.
std::string QuotedName(const json& fact) {
    std::string text = fact.get<std::string>();
    size_t open = text.find('"');
    size_t close = open == std::string::npos ? open : text.find('"', open + 1);
    return close == std::string::npos ? text : text.substr(open + 1, close - open - 1);
}

// A host service: the name ours calls, which the stand-in offers.
Check Service(const char* ours) {
    return [=](const json& fact) {
        if (QuotedName(fact) != ours) return std::string(ours);
        return standin::Link()->ServiceExists(ours) ? "" : std::string(ours) + " (not offered by the stand-in)";
    };
}

// A host event: the name ours hooks, which the stand-in raises.
Check Event(const char* ours) {
    return [=](const json& fact) {
        if (QuotedName(fact) != ours) return std::string(ours);
        host::Handle hook = standin::Link()->HookEvent(ours, [](host::Word, host::Word) -> host::Word { return 0; });
        if (!hook) return std::string(ours) + " (no such event in the stand-in)";
        standin::Link()->UnhookEvent(hook);
        return std::string();
    };
}

// A name of ours: the text it must equal.
Check Name(const std::string& ours) {
    return [=](const json& fact) { return QuotedName(fact) == ours ? "" : ours; };
}

// A rule of the host shown by what ours does in the stand-in.
Check Does(std::function<std::string(const json&)> check) { return check; }

std::string ShownIf(bool ok, const std::string& what) { return ok ? "" : what; }

int PluginLinkSlot(size_t offset) { return static_cast<int>(offset / sizeof(void*)); }

std::string SlotsUsed(const json& fact) {
    using L = host::PluginLink;
    std::string ours = std::to_string(PluginLinkSlot(offsetof(L, HookEvent))) + "," +
                       std::to_string(PluginLinkSlot(offsetof(L, UnhookEvent))) + "," +
                       std::to_string(PluginLinkSlot(offsetof(L, CreateServiceFunction))) + "," +
                       std::to_string(PluginLinkSlot(offsetof(L, DestroyServiceFunction))) + "," +
                       std::to_string(PluginLinkSlot(offsetof(L, CallService))) + "," +
                       std::to_string(PluginLinkSlot(offsetof(L, CallServiceSync)));
    return ShownIf(fact.get<std::string>() == ours, ours);
}

std::string InterfaceListEnds(const json&) {
    const host::Uuid* list = plugin::Interfaces();
    size_t n = 0;
    while (n < 4 && list[n].a) ++n;
    host::Uuid zero{};
    return ShownIf(n < 4 && std::memcmp(&list[n], &zero, sizeof zero) == 0, "no all-zero entry ends the list");
}

// Words are the host's 32-bit words, and handlers take the default (cdecl)
// convention on the host's target.
std::string CdeclWords(const json&) {
    if (!kHostTarget) return kNotHere;
#ifdef _WIN32
    static_assert(std::is_same<host::HookProc, intptr_t(__cdecl*)(intptr_t, intptr_t)>::value, "cdecl hooks");
#endif
    return ShownIf(sizeof(host::Word) == 4, "word of " + std::to_string(sizeof(host::Word)) + " bytes");
}

std::string PopupAnswers(const json&) {
    const struct {
        host::Word result;
        bool shown;
    } answers[] = {{1, true}, {5, true}, {0, false}, {-1, false}, {host::kServiceNotFound, false}};
    for (const auto& a : answers)
        if (host::PopupShown(a.result) != a.shown)
            return "a result of " + std::to_string(a.result) + (a.shown ? " taken as not shown" : " taken as shown");
    return "";
}

// The plug-in started in the stand-in, up to where the fact's rule applies.
std::string RegisteredInLoad(const json&) {
    plugin::Load(standin::Link());
    auto modules = standin::RegisteredModules();
    bool found = std::find(modules.begin(), modules.end(), plugin::kProtocolModule) != modules.end();
    plugin::Unload();
    return ShownIf(found, "the filter module is registered only after Load");
}

std::string NetlibAfterModulesLoaded(const json&) {
    plugin::Load(standin::Link());
    int before = standin::NetlibUsersOpen();
    standin::NotifyEvent("Miranda/System/ModulesLoaded", 0, 0);
    int after = standin::NetlibUsersOpen();
    plugin::Unload();
    return ShownIf(before == 0 && after == 1, "network users: " + std::to_string(before) + " at Load, " +
                                                  std::to_string(after) + " after ModulesLoaded");
}

// The account's name in lParam changes nothing: every account's change
// counts as the global one did (the relay's behaviour, kept).
std::string StatusWithAccount(const json&) {
    standin::SetByte(nullptr, settings::kModule, "ActivateOnNA", 1);
    static char account[] = "JABBER";
    plugin::SetForwardingActive(0);
    forward::OnStatusModeChange(host::kStatusNotAvailable, reinterpret_cast<host::Word>(account));
    int withAccount = plugin::ForwardingActive();
    plugin::SetForwardingActive(0);
    forward::OnStatusModeChange(host::kStatusNotAvailable, 0);
    int forAll = plugin::ForwardingActive();
    plugin::SetForwardingActive(0);
    return ShownIf(withAccount == 1 && forAll == 1, "N/A of one account switched forwarding to " +
                                                        std::to_string(withAccount) + ", of all to " +
                                                        std::to_string(forAll));
}

std::string OptionsPagesAnsi(const json& fact) {
    ui::OptionsPageSources sources{};
    ui::AddOptionsPages(1, sources);
    for (const auto& page : standin::OptionsPages())
        if (page.flags != fact.get<uint32_t>() || page.cbSize != host::kOptionsPageSize)
            return "page \"" + page.title + "\" flags " + std::to_string(page.flags) + " size " +
                   std::to_string(page.cbSize);
    return ShownIf(!standin::OptionsPages().empty(), "no page added");
}

// The outbox is no longer kept in the folder of all profiles.
std::string OutboxNotShared(const json&) {
    standin::SetProfileFolder("profiles");
    standin::SetProfileName("alice.dat");
    std::string path = outbox::PluginOutboxPath();
    return ShownIf(path.find("alice") != std::string::npos, path);
}

std::string DllExports(const json&) {
#ifdef _WIN32
    const char* dll = std::getenv("PARLET_DLL");
    if (!dll) return "PARLET_DLL not given";
    HMODULE module = LoadLibraryA(dll);
    if (!module) return std::string("cannot load ") + dll;
    std::string missing;
    for (const char* name : {"MirandaPluginInfo", "MirandaPluginInfoEx", "MirandaPluginInterfaces", "Load", "Unload"})
        if (!GetProcAddress(module, name)) missing += std::string(missing.empty() ? "" : ", ") + name;
    FreeLibrary(module);
    return missing.empty() ? "" : "not exported undecorated: " + missing;
#else
    return kNotHere;
#endif
}

// What the facts say of a message event's blob is about received messages;
// ours are sent ones, whose blob keeps its zero ("DB/Event/GetText" reads it).
std::string SentBlob(const json& fact) {
    return ShownIf(fact.get<std::string>().find("received messages") != std::string::npos,
                   "the fact no longer speaks of received messages only");
}

struct Row {
    const char* fact;
    Check ours;
};

[[maybe_unused]] std::vector<Row> Rows() {
    using host::PluginInfo;
    using host::PluginInfoEx;
    return {
        {"PLUGININFO sizeof (i686)", Size(sizeof(PluginInfo))},
        {"PLUGININFO.cbSize offset/size", FIELD(PluginInfo, cbSize)},
        {"PLUGININFO.shortName offset/size", FIELD(PluginInfo, shortName)},
        {"PLUGININFO.version offset/size", FIELD(PluginInfo, version)},
        {"PLUGININFO.description offset/size", FIELD(PluginInfo, description)},
        {"PLUGININFO.author offset/size", FIELD(PluginInfo, author)},
        {"PLUGININFO.authorEmail offset/size", FIELD(PluginInfo, authorEmail)},
        {"PLUGININFO.copyright offset/size", FIELD(PluginInfo, copyright)},
        {"PLUGININFO.homepage offset/size", FIELD(PluginInfo, homepage)},
        {"PLUGININFO.flags offset/size", FIELD(PluginInfo, flags)},
        {"PLUGININFO.replacesDefaultModule offset/size", FIELD(PluginInfo, replacesDefaultModule)},
        {"PLUGININFOEX sizeof (i686)", Size(sizeof(PluginInfoEx))},
        {"PLUGININFOEX.cbSize offset/size", FIELD(PluginInfoEx, cbSize)},
        {"PLUGININFOEX.shortName offset/size", FIELD(PluginInfoEx, shortName)},
        {"PLUGININFOEX.version offset/size", FIELD(PluginInfoEx, version)},
        {"PLUGININFOEX.description offset/size", FIELD(PluginInfoEx, description)},
        {"PLUGININFOEX.author offset/size", FIELD(PluginInfoEx, author)},
        {"PLUGININFOEX.authorEmail offset/size", FIELD(PluginInfoEx, authorEmail)},
        {"PLUGININFOEX.copyright offset/size", FIELD(PluginInfoEx, copyright)},
        {"PLUGININFOEX.homepage offset/size", FIELD(PluginInfoEx, homepage)},
        {"PLUGININFOEX.flags offset/size", FIELD(PluginInfoEx, flags)},
        {"PLUGININFOEX.replacesDefaultModule offset/size", FIELD(PluginInfoEx, replacesDefaultModule)},
        {"PLUGININFOEX.uuid offset/size", FIELD(PluginInfoEx, uuid)},
        {"PLUGININFO cbSize (legacy)", Size(static_cast<size_t>(plugin::LegacyInfo()->cbSize))},
        {"PLUGININFOEX cbSize (extended)", Size(static_cast<size_t>(plugin::ExtendedInfo()->cbSize))},
        {"PLUGININFO.flags UNICODE_AWARE (ANSI plug-in must leave it 0)", Number(plugin::LegacyInfo()->flags & 1)},
        {"MUUID sizeof (i686)", Size(sizeof(host::Uuid))},
        {"MUUID.a offset/size", FIELD(host::Uuid, a)},
        {"MUUID.b offset/size", FIELD(host::Uuid, b)},
        {"MUUID.c offset/size", FIELD(host::Uuid, c)},
        {"MUUID.d offset/size", FIELD(host::Uuid, d)},
        {"PLUGINLINK sizeof (i686)", Prefix(sizeof(host::PluginLink))},
        {"PLUGINLINK.CreateHookableEvent offset/size", FIELD(host::PluginLink, CreateHookableEvent)},
        {"PLUGINLINK.DestroyHookableEvent offset/size", FIELD(host::PluginLink, DestroyHookableEvent)},
        {"PLUGINLINK.NotifyEventHooks offset/size", FIELD(host::PluginLink, NotifyEventHooks)},
        {"PLUGINLINK.HookEvent offset/size", FIELD(host::PluginLink, HookEvent)},
        {"PLUGINLINK.HookEventMessage offset/size", FIELD(host::PluginLink, HookEventMessage)},
        {"PLUGINLINK.UnhookEvent offset/size", FIELD(host::PluginLink, UnhookEvent)},
        {"PLUGINLINK.CreateServiceFunction offset/size", FIELD(host::PluginLink, CreateServiceFunction)},
        {"PLUGINLINK.CreateTransientServiceFunction offset/size",
         FIELD(host::PluginLink, CreateTransientServiceFunction)},
        {"PLUGINLINK.DestroyServiceFunction offset/size", FIELD(host::PluginLink, DestroyServiceFunction)},
        {"PLUGINLINK.CallService offset/size", FIELD(host::PluginLink, CallService)},
        {"PLUGINLINK.ServiceExists offset/size", FIELD(host::PluginLink, ServiceExists)},
        {"PLUGINLINK.CallServiceSync offset/size", FIELD(host::PluginLink, CallServiceSync)},
        {"DBVARIANT sizeof (i686)", Size(sizeof(host::DbVariant))},
        {"DBVARIANT.type offset/size", FIELD(host::DbVariant, type)},
        {"DBVARIANT.bVal offset/size", FIELD(host::DbVariant, bVal)},
        {"DBVARIANT.wVal offset/size", FIELD(host::DbVariant, wVal)},
        {"DBVARIANT.dVal offset/size", FIELD(host::DbVariant, dVal)},
        {"DBVARIANT.pszVal offset/size", FIELD(host::DbVariant, pszVal)},
        {"DBVARIANT.cchVal offset/size", FIELD(host::DbVariant, cchVal)},
        {"DBCONTACTGETSETTING sizeof (i686)", Size(sizeof(host::DbGetSetting))},
        {"DBCONTACTGETSETTING.szModule offset/size", FIELD(host::DbGetSetting, module)},
        {"DBCONTACTGETSETTING.szSetting offset/size", FIELD(host::DbGetSetting, setting)},
        {"DBCONTACTGETSETTING.pValue offset/size", FIELD(host::DbGetSetting, value)},
        {"DBCONTACTWRITESETTING sizeof (i686)", Size(sizeof(host::DbWriteSetting))},
        {"DBCONTACTWRITESETTING.szModule offset/size", FIELD(host::DbWriteSetting, module)},
        {"DBCONTACTWRITESETTING.szSetting offset/size", FIELD(host::DbWriteSetting, setting)},
        {"DBCONTACTWRITESETTING.value offset/size", FIELD(host::DbWriteSetting, value)},
        {"DBEVENTINFO sizeof (i686)", Size(sizeof(host::DbEventInfo))},
        {"DBEVENTINFO.cbSize offset/size", FIELD(host::DbEventInfo, cbSize)},
        {"DBEVENTINFO.szModule offset/size", FIELD(host::DbEventInfo, module)},
        {"DBEVENTINFO.timestamp offset/size", FIELD(host::DbEventInfo, timestamp)},
        {"DBEVENTINFO.flags offset/size", FIELD(host::DbEventInfo, flags)},
        {"DBEVENTINFO.eventType offset/size", FIELD(host::DbEventInfo, eventType)},
        {"DBEVENTINFO.cbBlob offset/size", FIELD(host::DbEventInfo, blobSize)},
        {"DBEVENTINFO.pBlob offset/size", FIELD(host::DbEventInfo, blob)},
        {"PROTOCOLDESCRIPTOR sizeof (i686)", Size(sizeof(host::ProtocolDescriptor), "PROTOCOLDESCRIPTOR_V3_SIZE")},
        {"PROTOCOLDESCRIPTOR.cbSize offset/size", FIELD(host::ProtocolDescriptor, cbSize)},
        {"PROTOCOLDESCRIPTOR.szName offset/size", FIELD(host::ProtocolDescriptor, name)},
        {"PROTOCOLDESCRIPTOR.type offset/size", FIELD(host::ProtocolDescriptor, type)},
        {"CCSDATA sizeof (i686)", Size(sizeof(host::CcsData))},
        {"CCSDATA.hContact offset/size", FIELD(host::CcsData, contact)},
        {"CCSDATA.szProtoService offset/size", FIELD(host::CcsData, protoService)},
        {"CCSDATA.wParam offset/size", FIELD(host::CcsData, wParam)},
        {"CCSDATA.lParam offset/size", FIELD(host::CcsData, lParam)},
        {"PROTORECVEVENT sizeof (i686)", Size(sizeof(host::ProtoRecvEvent))},
        {"PROTORECVEVENT.flags offset/size", FIELD(host::ProtoRecvEvent, flags)},
        {"PROTORECVEVENT.timestamp offset/size", FIELD(host::ProtoRecvEvent, timestamp)},
        {"PROTORECVEVENT.szMessage offset/size", FIELD(host::ProtoRecvEvent, message)},
        {"PROTORECVEVENT.lParam offset/size", FIELD(host::ProtoRecvEvent, lParam)},
        {"OPTIONSDIALOGPAGE sizeof (i686)", Size(sizeof(host::OptionsPage), "MIRANDA_VER 0x0400 (header default)")},
        {"OPTIONSDIALOGPAGE.cbSize offset/size", FIELD(host::OptionsPage, cbSize)},
        {"OPTIONSDIALOGPAGE.position offset/size", FIELD(host::OptionsPage, position)},
        {"OPTIONSDIALOGPAGE.pszTitle offset/size", FIELD(host::OptionsPage, title)},
        {"OPTIONSDIALOGPAGE.pfnDlgProc offset/size", FIELD(host::OptionsPage, dialogProc)},
        {"OPTIONSDIALOGPAGE.pszTemplate offset/size", FIELD(host::OptionsPage, dialogTemplate)},
        {"OPTIONSDIALOGPAGE.hInstance offset/size", FIELD(host::OptionsPage, instance)},
        {"OPTIONSDIALOGPAGE.hIcon offset/size", FIELD(host::OptionsPage, icon)},
        {"OPTIONSDIALOGPAGE.pszGroup offset/size", FIELD(host::OptionsPage, group)},
        {"OPTIONSDIALOGPAGE.groupPosition offset/size", FIELD(host::OptionsPage, groupPosition)},
        {"OPTIONSDIALOGPAGE.hGroupIcon offset/size", FIELD(host::OptionsPage, groupIcon)},
        {"OPTIONSDIALOGPAGE.flags offset/size", FIELD(host::OptionsPage, flags)},
        {"OPTIONSDIALOGPAGE.nIDBottomSimpleControl offset/size", FIELD(host::OptionsPage, idBottomSimpleControl)},
        {"OPTIONSDIALOGPAGE.nIDRightSimpleControl offset/size", FIELD(host::OptionsPage, idRightSimpleControl)},
        {"OPTIONSDIALOGPAGE.expertOnlyControls offset/size", FIELD(host::OptionsPage, expertOnlyControls)},
        {"OPTIONSDIALOGPAGE.nExpertOnlyControls offset/size", FIELD(host::OptionsPage, expertOnlyControlCount)},
        {"NETLIBUSER sizeof (i686)", Size(sizeof(host::NetlibUser))},
        {"NETLIBUSER.cbSize offset/size", FIELD(host::NetlibUser, cbSize)},
        {"NETLIBUSER.szSettingsModule offset/size", FIELD(host::NetlibUser, settingsModule)},
        {"NETLIBUSER.szDescriptiveName offset/size", FIELD(host::NetlibUser, descriptiveName)},
        {"NETLIBUSER.flags offset/size", FIELD(host::NetlibUser, flags)},
        {"NETLIBUSER.szHttpGatewayHello offset/size", FIELD(host::NetlibUser, httpGatewayHello)},
        {"NETLIBUSER.szHttpGatewayUserAgent offset/size", FIELD(host::NetlibUser, httpGatewayUserAgent)},
        {"NETLIBUSER.pfnHttpGatewayInit offset/size", FIELD(host::NetlibUser, httpGatewayInit)},
        {"NETLIBUSER.pfnHttpGatewayBegin offset/size", FIELD(host::NetlibUser, httpGatewayBegin)},
        {"NETLIBUSER.pfnHttpGatewayWrapSend offset/size", FIELD(host::NetlibUser, httpGatewayWrapSend)},
        {"NETLIBUSER.pfnHttpGatewayUnwrapRecv offset/size", FIELD(host::NetlibUser, httpGatewayUnwrapRecv)},
        {"NETLIBUSER.minIncomingPorts offset/size", FIELD(host::NetlibUser, minIncomingPorts)},
        {"NETLIBHTTPHEADER sizeof (i686)", Size(sizeof(host::HttpHeader))},
        {"NETLIBHTTPHEADER.szName offset/size", FIELD(host::HttpHeader, name)},
        {"NETLIBHTTPHEADER.szValue offset/size", FIELD(host::HttpHeader, value)},
        {"NETLIBHTTPREQUEST sizeof (i686)", Size(sizeof(host::HttpRequest), "NETLIBHTTPREQUEST_V1_SIZE")},
        {"NETLIBHTTPREQUEST.cbSize offset/size", FIELD(host::HttpRequest, size)},
        {"NETLIBHTTPREQUEST.requestType offset/size", FIELD(host::HttpRequest, requestType)},
        {"NETLIBHTTPREQUEST.flags offset/size", FIELD(host::HttpRequest, flags)},
        {"NETLIBHTTPREQUEST.szUrl offset/size", FIELD(host::HttpRequest, url)},
        {"NETLIBHTTPREQUEST.headers offset/size", FIELD(host::HttpRequest, headers)},
        {"NETLIBHTTPREQUEST.headersCount offset/size", FIELD(host::HttpRequest, headerCount)},
        {"NETLIBHTTPREQUEST.pData offset/size", FIELD(host::HttpRequest, body)},
        {"NETLIBHTTPREQUEST.dataLength offset/size", FIELD(host::HttpRequest, bodyLength)},
        {"NETLIBHTTPREQUEST.resultCode offset/size", FIELD(host::HttpRequest, status)},
        {"NETLIBHTTPREQUEST.szResultDescr offset/size", FIELD(host::HttpRequest, statusText)},
        {"NETLIBHTTPREQUEST.nlc offset/size", FIELD(host::HttpRequest, connection)},
        {"LANGPACKTRANSLATEDIALOG sizeof (i686)", Size(sizeof(host::TranslateDialogRequest))},
        {"LANGPACKTRANSLATEDIALOG.cbSize offset/size", FIELD(host::TranslateDialogRequest, cbSize)},
        {"LANGPACKTRANSLATEDIALOG.flags offset/size", FIELD(host::TranslateDialogRequest, flags)},
        {"LANGPACKTRANSLATEDIALOG.hwndDlg offset/size", FIELD(host::TranslateDialogRequest, window)},
        {"LANGPACKTRANSLATEDIALOG.ignoreControls offset/size", FIELD(host::TranslateDialogRequest, ignoreControls)},
        {"CountryListEntry sizeof (i686)", Size(sizeof(host::CountryListEntry))},
        {"CountryListEntry.id offset/size", FIELD(host::CountryListEntry, id)},
        {"CountryListEntry.szName offset/size", FIELD(host::CountryListEntry, name)},
        {"SAVEWINDOWPOS sizeof (i686)", Size(sizeof(host::WindowPositionRequest))},
        {"SAVEWINDOWPOS.hwnd offset/size", FIELD(host::WindowPositionRequest, window)},
        {"SAVEWINDOWPOS.hContact offset/size", FIELD(host::WindowPositionRequest, contact)},
        {"SAVEWINDOWPOS.szModule offset/size", FIELD(host::WindowPositionRequest, module)},
        {"SAVEWINDOWPOS.szNamePrefix offset/size", FIELD(host::WindowPositionRequest, namePrefix)},
        {"POPUPDATAEX sizeof (i686)", Size(sizeof(host::PopupData))},
        {"POPUPDATAEX.lchContact offset/size", FIELD(host::PopupData, contact)},
        {"POPUPDATAEX.lchIcon offset/size", FIELD(host::PopupData, icon)},
        {"POPUPDATAEX.lpzContactName offset/size", FIELD(host::PopupData, title)},
        {"POPUPDATAEX.lpzText offset/size", FIELD(host::PopupData, text)},
        {"POPUPDATAEX.colorBack offset/size", FIELD(host::PopupData, colorBack)},
        {"POPUPDATAEX.colorText offset/size", FIELD(host::PopupData, colorText)},
        {"POPUPDATAEX.PluginWindowProc offset/size", FIELD(host::PopupData, windowProc)},
        {"POPUPDATAEX.PluginData offset/size", FIELD(host::PopupData, pluginData)},
        {"POPUPDATAEX.iSeconds offset/size", FIELD(host::PopupData, seconds)},
        {"POPUPDATAEX tail after iSeconds", Does([](const json& fact) {
             if (!kHostTarget) return kNotHere;
             std::string ours = "char cZero[" + std::to_string(sizeof(host::PopupData::spare)) + "] at " +
                                std::to_string(offsetof(host::PopupData, spare)) + ".." +
                                std::to_string(offsetof(host::PopupData, spare) + sizeof(host::PopupData::spare) - 1);
             return ShownIf(fact.get<std::string>().rfind(ours, 0) == 0, ours);
         })},
        {"service DB/Contact/GetSetting", Service("DB/Contact/GetSetting")},
        {"service DB/Contact/FreeVariant", Service("DB/Contact/FreeVariant")},
        {"service DB/Contact/WriteSetting", Service("DB/Contact/WriteSetting")},
        {"service DB/Contact/DeleteSetting", Service("DB/Contact/DeleteSetting")},
        {"service DB/Contact/FindFirst", Service("DB/Contact/FindFirst")},
        {"service DB/Contact/FindNext", Service("DB/Contact/FindNext")},
        {"service DB/Contact/Add", Service("DB/Contact/Add")},
        {"service DB/Contact/Delete", Service("DB/Contact/Delete")},
        {"service DB/Event/Add", Service("DB/Event/Add")},
        {"service DB/GetProfilePath", Service("DB/GetProfilePath")},
        {"service DB/Contact/GetCount (stand-in only)", Service("DB/Contact/GetCount")},
        {"event DB/Contact/Added (stand-in only)", Event("DB/Contact/Added")},
        {"event DB/Contact/Deleted (stand-in only)", Event("DB/Contact/Deleted")},
        {"service Proto/RegisterModule", Service("Proto/RegisterModule")},
        {"service Proto/AddToContact", Service("Proto/AddToContact")},
        {"service Proto/ChainRecv", Service("Proto/ChainRecv")},
        {"service Proto/CallContactService", Service("Proto/CallContactService")},
        {"service Proto/GetContactBaseProto", Service("Proto/GetContactBaseProto")},
        {"protocol service suffix /SendMsg", Name(host::kSendMessageService)},
        {"filter service Parlet/RecvMessage = module + PSR_MESSAGE", Does([](const json& fact) {
             std::string text = fact.get<std::string>();
             size_t suffix = text.find("PSR_MESSAGE \"");
             if (suffix == std::string::npos) return std::string("no PSR_MESSAGE");
             std::string joined =
                 std::string(plugin::kProtocolModule) + text.substr(suffix + 13, text.size() - suffix - 14);
             return ShownIf(QuotedName(text) == plugin::kProtocolModule && joined == plugin::kRecvMessageService,
                            plugin::kRecvMessageService);
         })},
        {"service Opt/AddPage", Service("Opt/AddPage")},
        {"event Opt/Initialise", Event("Opt/Initialise")},
        {"service LangPack/TranslateString", Service("LangPack/TranslateString")},
        {"service LangPack/TranslateDialog", Service("LangPack/TranslateDialog")},
        {"service Utils/SaveWindowPos", Service("Utils/SaveWindowPos")},
        {"service Utils/RestoreWindowPos", Service("Utils/RestoreWindowPos")},
        {"service Utils/GetCountryList", Service("Utils/GetCountryList")},
        {"service Netlib/RegisterUser", Does([](const json& fact) {
             std::string name = Service("Netlib/RegisterUser")(fact);
             return name.empty() ? NetlibAfterModulesLoaded(fact) : name;
         })},
        {"service Netlib/HttpTransaction", Service("Netlib/HttpTransaction")},
        {"service Netlib/FreeHttpRequestStruct", Service("Netlib/FreeHttpRequestStruct")},
        {"service Netlib/CloseHandle", Service("Netlib/CloseHandle")},
        {"service Miranda/Thread/Push", Service("Miranda/Thread/Push")},
        {"service Miranda/Thread/Pop", Service("Miranda/Thread/Pop")},
        {"event Miranda/System/ModulesLoaded", Event("Miranda/System/ModulesLoaded")},
        {"event Miranda/System/Shutdown (stand-in only)", Event("Miranda/System/Shutdown")},
        {"service PopUp/AddPopUpEx", Service("PopUp/AddPopUpEx")},
        {"event CList/StatusModeChange", Event("CList/StatusModeChange")},
        {"event CList/PreBuildContactMenu", Event("CList/PreBuildContactMenu")},
        {"event CList/PreBuildMainMenu (stand-in only)", Event("CList/PreBuildMainMenu")},
        {"event Miranda/System/PreShutdown (stand-in only)", Event("Miranda/System/PShutdown")},
        {"DBVT_DELETED", Number(host::kDbDeleted)},
        {"DBVT_BYTE", Number(host::kDbByte)},
        {"DBVT_WORD", Number(host::kDbWord)},
        {"DBVT_DWORD", Number(host::kDbDword)},
        {"DBVT_ASCIIZ", Number(host::kDbText)},
        {"DBEF_SENT", Number(host::kEventSent)},
        {"EVENTTYPE_MESSAGE", Number(host::kEventMessage)},
        {"PROTOTYPE_FILTER", Number(host::kProtoTypeFilter)},
        {"PROTOCOLDESCRIPTOR cbSize passed (PROTOCOLDESCRIPTOR_V3_SIZE)", Number(host::kProtocolDescriptorSize)},
        {"ID_STATUS_NA", Number(host::kStatusNotAvailable)},
        {"REQUEST_RESPONSE (reply requestType)", Number(host::kHttpResponse)},
        {"REQUEST_GET", Number(host::kHttpGet)},
        {"REQUEST_POST", Number(host::kHttpPost)},
        {"REQUEST_CONNECT", Number(host::kHttpConnect)},
        {"NLHRF flags sent = NLHRF_GENERATEHOST|NLHRF_REMOVEHOST|NLHRF_DUMPASTEXT", Number(host::kHttpRequestFlags)},
        {"NETLIBHTTPREQUEST cbSize sent (NETLIBHTTPREQUEST_V1_SIZE)", Number(host::kHttpRecordSize)},
        {"NETLIBUSER flags = NUF_OUTGOING", Number(host::kNetlibOutgoing)},
        {"NETLIBUSER cbSize sent", Number(host::kNetlibUserSize)},
        {"RWPF_NOSIZE", Number(host::kRestoreNoSize)},
        {"RWPF_NOMOVE", Number(host::kRestoreNoMove)},
        {"MAX_CONTACTNAME / MAX_SECONDLINE", Number(host::kPopupTextSize)},
        {"OPTIONSDIALOGPAGE cbSize sent (= OPTIONPAGE_OLD_SIZE2 / sizeof @0x0400)", Number(host::kOptionsPageSize)},
        {"OPTIONSDIALOGPAGE flags (ODPF_UNICODE not set: ANSI)", Does(OptionsPagesAnsi)},
        {"LANGPACKTRANSLATEDIALOG cbSize", Size(sizeof(host::TranslateDialogRequest))},
        {"DBEVENTINFO cbSize sent", Size(sizeof(host::DbEventInfo))},
        {"PLUGIN_MAKE_VERSION(0,0,0,13)", Number(plugin::LegacyInfo()->version)},
        {"MIID_LAST interface list terminator", Does(InterfaceListEnds)},
        {"CALLSERVICE_NOTFOUND (i686)", Number(host::kServiceNotFound)},
        {"stand-in host version passed to MirandaPluginInfoEx = PLUGIN_MAKE_VERSION(0,8,0,0)",
         Number(standin::kHostVersion)},
        {"PLUGINLINK slot numbers used: HookEvent 3, UnhookEvent 5, CreateServiceFunction 6, "
         "DestroyServiceFunction 8, CallService 9, CallServiceSync 11",
         Does(SlotsUsed)},
        {"PLUGINLINK function pointers calling convention", Does(CdeclWords)},
        {"hook/service procedure type", Does(CdeclWords)},
        {"PopUp/AddPopUpEx result meaning", Does(PopupAnswers)},
        {"Proto/RegisterModule call site", Does(RegisteredInLoad)},
        {"CList/StatusModeChange lParam", Does(StatusWithAccount)},
        {"DB/Event/Add blob for a message", Does(SentBlob)},
        {"DLL exports (names and decoration)", Does(DllExports)},
        {"DB/GetProfilePath meaning", Does(OutboxNotShared)},
    };
}

// A host as the plug-in finds it at start-up, with a gateway to load and
// every optional service offered.
[[maybe_unused]] void FreshHost(const testutil::TempDir& gateways) {
    standin::Reset();
    standin::RegisterNetlibServices();
    standin::SetPopupService(true);
    settings::WriteText("GatewayPath", gateways.path().string());
}

TEST(HostAbi, EveryFactMatchesOurs) {
    if (std::string(PARLET_HOST_ABI).empty())
        GTEST_SKIP() << "skipped: no host-abi.json beside the repository (../shared), so the host's facts are unknown";
    std::ifstream in(PARLET_HOST_ABI, std::ios::binary);
    ASSERT_TRUE(in) << "cannot read " << PARLET_HOST_ABI;
    json facts = json::parse(in).at("facts");

    testutil::TempDir gateways;
    testutil::WriteFile(gateways.file("at.ini"), "[Gateway]\r\nName=AT\r\nPrefix1=43650;Austria\r\n");
    static const usermsg::Interceptor kQuiet = {[](const char*, void*) {}, nullptr, nullptr};
    usermsg::SetInterceptor(&kQuiet);
    std::map<std::string, Check> rows;
    for (Row& row : Rows()) EXPECT_TRUE(rows.emplace(row.fact, row.ours).second) << "two rows for: " << row.fact;
    int checked = 0, notHere = 0;
    for (const json& fact : facts) {
        const std::string what = fact.at("what").get<std::string>();
        auto row = rows.find(what);
        if (row == rows.end()) {
            ADD_FAILURE() << "fact without a row: " << what;
            continue;
        }
        FreshHost(gateways);
        std::string ours = row->second(fact.at("host"));
        rows.erase(row);
        if (ours == kNotHere) {
            ++notHere;
            continue;
        }
        ++checked;
        EXPECT_EQ(ours, "") << "fact \"" << what << "\": the host has " << Shown(fact.at("host")) << ", ours " << ours;
    }
    for (const auto& left : rows) ADD_FAILURE() << "row without a fact: " << left.first;
    usermsg::SetInterceptor(nullptr);
    std::printf("%d facts checked, %d only on the host's 32-bit target\n", checked, notHere);
    EXPECT_GT(checked, 0);
}

}  // namespace
