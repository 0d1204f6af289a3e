// Template expansion: the template, then user, password, sender, message,
// last redirect, custom variables and cookies, separated by 0x01.
#include <cstdlib>

#include "FuzzInput.h"
#include "script/Runner.h"
#include "script/Template.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto parts = fuzzinput::Split(data, size, 10);
    parts.resize(10);
    for (auto& p : parts) p = p.substr(0, p.find('\0'));   // texts end at a zero byte
    script::SmsMessage message{"49", "1701234567", parts[4].c_str(), parts[3].empty() ? nullptr : parts[3].c_str()};
    std::vector<std::string> custom;
    for (size_t i = 0; i < parts[6].size() && custom.size() < script::kMaxCustomVars; i += 4) custom.push_back(parts[6].substr(i, 4));
    script::CookieJar jar;
    for (size_t i = 0; i < parts[7].size() && jar.texts.size() < script::kMaxCookies; i += 5) jar.texts.push_back(parts[7].substr(i, 5));
    script::TemplateValues values;
    values.message = &message;
    values.maxChars = static_cast<long>(parts[8].size()) - 5;
    values.user = parts[1].empty() ? nullptr : parts[1].c_str();
    values.password = parts[2].c_str();
    values.lastRedirect = parts[5].empty() ? nullptr : parts[5].c_str();
    values.customVars = &custom;
    values.jar = &jar;
    for (bool encode : {false, true}) {
        std::string out;
        const int rc = script::ExpandTemplate(parts[0].c_str(), values, encode, &out);
        if (rc == script::kExpandOk && out.size() > script::kMaxExpandedSize) std::abort();
    }
    std::string encoded;
    script::UrlEncode(parts[4].c_str(), &encoded);
    for (char c : encoded) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '%')) std::abort();
    }
    return 0;
}
