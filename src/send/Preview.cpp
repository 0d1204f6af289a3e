#include "send/Preview.h"

#include <initializer_list>

#include "catalogue/Catalogue.h"
#include "script/profile/Profile.h"
#include "shell/HostLink.h"
#include "shell/Settings.h"
#include "shell/Text.h"

namespace preview {
namespace {

constexpr size_t kValueSize = 1024;  // as the send job reads the gateway's values
constexpr size_t kFieldSize = 1023;  // the message field
constexpr size_t kTipSize = 1023;

// A translated pattern with its "%d"s filled in order, then its "%s".
std::string Fill(const std::string& pattern, std::initializer_list<size_t> numbers, const std::string& word = "") {
    std::string out = pattern;
    for (size_t n : numbers) out = text::FillPattern(out, 'd', std::to_string(n), kTipSize);
    return text::FillPattern(out, 's', word, kTipSize);
}

}  // namespace

GatewayPreview PreviewGateway(const GatewayView& gateway, const std::string& text, const charset::Charset& charset) {
    const std::string message = text.substr(0, charset.CutPoint(text, kFieldSize));
    GatewayPreview p;
    p.file = gateway.name;
    p.name = profile::Read(gateway.path.c_str(), "Gateway", "Name", kValueSize);
    if (p.name.empty()) p.name = gateway.name;
    std::string maxText = profile::Read(gateway.path.c_str(), "Gateway", "MaxChars", kValueSize);
    p.maxChars = maxText.empty() ? 0 : text::ParseDecimal(maxText.c_str());
    if (p.maxChars < 0) p.maxChars = 0;
    MessagePlan plan = PlanMessage(message, p.maxChars, charset);
    for (const PartPlan& part : plan.parts) {
        PartPreview preview;
        preview.label = part.text.substr(0, part.text.size() - part.carried);
        preview.text = part.text;
        preview.cost = aircost::Measure(charset.Decode(part.text));
        p.sms += preview.cost.sms;
        p.parts.push_back(std::move(preview));
    }
    p.unsent = std::move(plan.unsent);
    p.noRoom = plan.noRoom;
    return p;
}

std::string CounterTip(const std::string& text, const charset::Charset& charset) {
    for (const GatewayView& gateway : ListGateways()) {
        if (!gateway.enabled) continue;
        GatewayPreview p = PreviewGateway(gateway, text, charset);
        std::string tip =
            Fill(host::TranslateString("%s: %d part(s), %d SMS"), {p.parts.size(), static_cast<size_t>(p.sms)}, p.name);
        for (size_t i = 0; i < p.parts.size(); ++i) {
            const PartPreview& part = p.parts[i];
            std::string label = part.label.empty() ? std::to_string(i + 1) : part.label;
            tip += "\r\n" + Fill(host::TranslateString("%s: %d bytes, %d SMS"),
                                 {part.text.size(), static_cast<size_t>(part.cost.sms)}, label);
            tip += " (" + std::string(aircost::CodingName(part.cost.coding)) + ")";
        }
        if (p.noRoom) tip += "\r\n" + host::TranslateString("No room for a numbered part");
        if (!p.unsent.empty()) tip += "\r\n" + Fill(host::TranslateString("Not sent: %d bytes"), {p.unsent.size()});
        return tip;
    }
    return host::TranslateString("No gateway is enabled");
}

}  // namespace preview
