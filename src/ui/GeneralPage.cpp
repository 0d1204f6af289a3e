#include "ui/GeneralPage.h"

#include "catalogue/Catalogue.h"
#include "catalogue/GatewayFolder.h"
#include "shell/Forwarding.h"
#include "shell/HostLink.h"
#include "shell/Settings.h"
#include "shell/Text.h"

namespace ui {
namespace {

std::string Cut(const std::string& text, size_t limit) { return text.substr(0, limit); }

}  // namespace

GeneralFields LoadGeneralFields() {
    GeneralFields f;
    f.gatewayFolder = GatewayFolder();
    f.senderNumber = settings::SenderNumber().value_or("");
    f.splitNumber = std::to_string(settings::SplitNumber());
    f.onTooLong = settings::OnTooLong();
    f.activateOnNA = settings::ActivateOnNA();
    f.trigger = settings::Trigger();
    f.userMsgInterval = std::to_string(settings::UserMsgInterval());
    f.forwardingActive = plugin::ForwardingActive() != 0;
    f.doLog = settings::DoLog();
    f.logfile = settings::Logfile();
    f.verbose = settings::Verbose();
    f.useWab = settings::UseWab();
    f.successMsg = settings::SuccessMsg().value_or("");
    f.failureMsg = settings::FailureMsg().value_or("");
    f.floodMsg = settings::FloodMsg().value_or("");
    f.numberMsgs = settings::NumberMsgs();
    return f;
}

void SaveGeneralFields(const GeneralFields& f) {
    // "GatewayPath" keeps the folder as typed, to be resolved at the next
    // start; the folder in memory is resolved now, so a later Load on the
    // order page reads the same folder a start would.
    std::string folder = Cut(f.gatewayFolder, kMaxFolderField);
    settings::WriteText("GatewayPath", folder);
    ResolveGatewayFolder(folder);
    SetGatewayFolder(folder);

    settings::WriteText("SenderNumber", Cut(f.senderNumber, kMaxLongField));
    settings::WriteWord("SplitNumber", ReadCountField(f.splitNumber));
    settings::WriteDword("OnTooLong", f.onTooLong);
    settings::WriteByte("ActivateOnNA", f.activateOnNA ? 1 : 0);
    settings::WriteText("Trigger", f.trigger);
    settings::WriteWord("UserMsgInterval", ReadCountField(f.userMsgInterval));
    plugin::SetForwardingActive(f.forwardingActive ? 1 : 0);
    settings::WriteByte("DoLog", f.doLog ? 1 : 0);
    settings::WriteText("Logfile", f.logfile);
    settings::WriteByte("Verbose", f.verbose ? 1 : 0);
    settings::WriteByte("UseWab", f.useWab ? 1 : 0);
    settings::WriteText("SuccessMsg", Cut(f.successMsg, kMaxLongField));
    settings::WriteText("FailureMsg", Cut(f.failureMsg, kMaxLongField));
    settings::WriteText("FloodMsg", Cut(f.floodMsg, kMaxLongField));
    settings::WriteByte("NumberMsgs", f.numberMsgs ? 1 : 0);
}

uint16_t ReadCountField(const std::string& text) {
    size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return 0;
    size_t end = text.find_last_not_of(' ') + 1;
    uint32_t value = 0;
    for (size_t i = begin; i < end; ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return 0;
        value = value * 10 + static_cast<uint32_t>(c - '0');
        if (value > UINT16_MAX) value = UINT16_MAX + 1u;  // stays past the range
    }
    return value > UINT16_MAX ? UINT16_MAX : static_cast<uint16_t>(value);
}

int RescanGatewayFolder(const std::string& typedFolder) {
    std::string folder = Cut(typedFolder, kMaxFolderField);
    ResolveGatewayFolder(folder);
    SetGatewayFolder(folder);
    settings::WriteText("GatewayPath", GatewayFolder());
    RebuildCatalogue();
    return CountGateways();
}

std::string GatewaysFoundText(int count) {
    return text::FillPattern(host::TranslateString("%d Gateways found."), 'd', std::to_string(count), kMaxLongField);
}

}  // namespace ui
