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

namespace {

// The message in the gateway's "Charset", as the send job would give it;
// false with the reason in p->refused when there is none.
bool InSiteCharset(const std::string& path, const std::string& utf8, GatewayPreview* p, std::string* message) {
    const script::SiteCharset site = script::ReadSiteCharset(path.c_str());
    p->charset = site.written;
    if (site.written.empty()) return true;
    if (!site.charset) {
        p->refused = script::UnknownCharset(site.written);
        return false;
    }
    p->encoding = *site.charset;
    charset::Unfit unfit;
    std::string whole;
    if (!site.charset->Encode(utf8, &whole, &unfit)) {
        p->refused = script::CannotHold(*site.charset, unfit);
        return false;
    }
    *message = whole.substr(0, site.charset->CutPoint(whole, kFieldSize));
    return true;
}

}  // namespace

GatewayPreview PreviewGateway(const GatewayView& gateway, const std::string& text, const charset::Charset& charset,
                              const std::string* utf8) {
    std::string message = text.substr(0, charset.CutPoint(text, kFieldSize));
    GatewayPreview p;
    p.file = gateway.name;
    p.name = profile::Read(gateway.path.c_str(), "Gateway", "Name", kValueSize);
    if (p.name.empty()) p.name = gateway.name;
    std::string maxText = profile::Read(gateway.path.c_str(), "Gateway", script::kMaxCharsKey, kValueSize);
    p.maxChars = maxText.empty() ? 0 : text::ParseDecimal(maxText.c_str());
    if (p.maxChars < 0) p.maxChars = 0;
    p.unit = script::ReadCountUnit(gateway.path.c_str());
    p.encoding = charset;
    if (!InSiteCharset(gateway.path, utf8 ? *utf8 : charset.Decode(text), &p, &message)) return p;
    const Measure measure(p.encoding, p.unit);
    MessagePlan plan = PlanMessage(message, p.maxChars, measure);
    for (const PartPlan& part : plan.parts) {
        PartPreview preview;
        preview.label = part.text.substr(0, part.text.size() - part.carried);
        preview.text = part.text;
        preview.counted = measure.Length(part.text);
        preview.cost = aircost::Measure(p.encoding.Decode(part.text));
        p.sms += preview.cost.sms;
        p.parts.push_back(std::move(preview));
    }
    p.unsent = std::move(plan.unsent);
    p.noRoom = plan.noRoom;
    return p;
}

std::string CounterTip(const std::string& text, const charset::Charset& charset, const std::string* utf8) {
    for (const GatewayView& gateway : ListGateways()) {
        if (!gateway.enabled) continue;
        GatewayPreview p = PreviewGateway(gateway, text, charset, utf8);
        // A gateway that counts characters has its parts and the rest told in them.
        const bool characters = p.unit == script::CountUnit::kCharacters;
        std::string tip =
            Fill(host::TranslateString("%s: %d part(s), %d SMS"), {p.parts.size(), static_cast<size_t>(p.sms)}, p.name);
        for (size_t i = 0; i < p.parts.size(); ++i) {
            const PartPreview& part = p.parts[i];
            std::string label = part.label.empty() ? std::to_string(i + 1) : part.label;
            const std::string line = characters ? host::TranslateString("%s: %d characters, %d SMS")
                                                : host::TranslateString("%s: %d bytes, %d SMS");
            tip +=
                "\r\n" +
                Fill(line, {characters ? part.counted : part.text.size(), static_cast<size_t>(part.cost.sms)}, label);
            tip += " (" + std::string(aircost::CodingName(part.cost.coding)) + ")";
        }
        if (p.noRoom) tip += "\r\n" + host::TranslateString("No room for a numbered part");
        if (!p.unsent.empty()) {
            tip += "\r\n" + (characters ? Fill(host::TranslateString("Not sent: %d characters"),
                                               {p.encoding.Characters(p.unsent)})
                                        : Fill(host::TranslateString("Not sent: %d bytes"), {p.unsent.size()}));
        }
        if (!p.refused.empty()) tip += "\r\n" + Fill(host::TranslateString("Nothing is sent: %s"), {}, p.refused);
        return tip;
    }
    return host::TranslateString("No gateway is enabled");
}

}  // namespace preview
