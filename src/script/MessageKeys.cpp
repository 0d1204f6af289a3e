#include "script/MessageKeys.h"

#include <cstdio>

#include "script/Extract.h"
#include "script/profile/Profile.h"
#include "script/RunnerSteps.h"
#include "shell/Text.h"

namespace script {

std::optional<CountUnit> FindCountUnit(const std::string& value) {
    const std::string folded = text::LowerAscii(value);
    for (const CountUnitName& row : kCountUnits) {
        if (folded == row.name) return row.unit;
    }
    return std::nullopt;
}

const char* CountUnitText(CountUnit unit) {
    for (const CountUnitName& row : kCountUnits) {
        if (row.unit == unit) return row.name;
    }
    return kCountUnits[0].name;
}

CountUnit ReadCountUnit(const char* path) {
    const std::optional<CountUnit> unit = FindCountUnit(profile::Read(path, "Gateway", kMaxCharsUnitKey, kValueSize));
    return unit ? *unit : CountUnit::kBytes;
}

size_t CountedLength(CountUnit unit, const charset::Charset& encoding, const std::string& text) {
    return unit == CountUnit::kCharacters ? encoding.Characters(text) : text.size();
}

SiteCharset ReadSiteCharset(const char* path) {
    SiteCharset site;
    site.written = profile::Read(path, "Gateway", kCharsetKey, kValueSize);
    if (!site.written.empty()) site.charset = charset::Charset::Find(site.written);
    return site;
}

std::string CannotHold(const charset::Charset& site, const charset::Unfit& unfit) {
    if (unfit.codePoint == 0) return "the message is not valid UTF-8 (byte " + unfit.character + ")";
    char number[16];
    std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(unfit.codePoint));
    return site.name() + " cannot hold the message's character \"" + unfit.character + "\" (" + number + ")";
}

std::string UnknownCharset(const std::string& written) { return "Charset '" + written + "' is unknown here"; }

bool ToSiteCharset(const charset::Charset& site, const std::string& utf8, std::string* out) {
    charset::Unfit unfit;
    if (site.Encode(utf8, out, &unfit)) return true;
    LogErrorLine(" - ERROR: %s\n", CannotHold(site, unfit).c_str());
    return false;
}

void LogUnknownCharset(const std::string& written) {
    LogErrorLine(" - ERROR: %s: nothing is sent through this gateway\n", UnknownCharset(written).c_str());
}

}  // namespace script
