#include "record/Scraped.h"

#include <algorithm>

#include "script/Extract.h"
#include "script/RequestHeaders.h"
#include "script/Template.h"
#include "script/profile/Profile.h"

namespace record {

std::string ScrapedPlaceholder(int n) { return script::kCustomVarReference + std::to_string(n); }

std::vector<int> CustomVarNumbers(const std::string& text) {
    std::vector<int> numbers;
    const std::string token = script::kCustomVarReference;
    for (size_t at = text.find(token); at != std::string::npos; at = text.find(token, at + 1)) {
        size_t end = at + token.size();
        int n = 0;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9' && n <= script::kLastNumber)
            n = n * 10 + (text[end++] - '0');
        if (n > 0 && n <= script::kLastNumber) numbers.push_back(n);
    }
    return numbers;
}

void ScrapedSecrets::Start(const char* path) {
    path_ = path ? path : "";
    numbers_.clear();
    if (!path) return;
    profile::ReadNumbered(
        {"Request"}, [&](const std::string& section) { return profile::Read(path, section.c_str(), "URL", 2); },
        [&](int, const std::string& section, const std::string&) {
            profile::ReadNumbered(
                {script::kHeaderStem},
                [&](const std::string& key) {
                    return profile::Read(path, section.c_str(), key.c_str(), script::kValueSize);
                },
                [&](int, const std::string&, const std::string& line) {
                    std::string name, value;
                    script::SplitHeaderLine(line, &name, &value);
                    if (!script::IsSecretHeader(name)) return true;
                    for (int n : CustomVarNumbers(script::HiddenPart(value))) numbers_.push_back(n);
                    return true;
                });
            return true;
        });
    std::sort(numbers_.begin(), numbers_.end());
    numbers_.erase(std::unique(numbers_.begin(), numbers_.end()), numbers_.end());
}

void ScrapedSecrets::Learn(int section, const std::string& body, Secrets* secrets) const {
    const std::string name = "Request" + std::to_string(section);
    for (int n : numbers_) {
        const std::string key = "CustomVar" + std::to_string(n);
        const std::string pattern = profile::Read(path_.c_str(), name.c_str(), key.c_str(), script::kValueSize);
        std::string value;
        if (pattern.empty() ||
            !script::CutValue(body.data(), script::TextLength(body.data(), body.size()), pattern, &value, nullptr) ||
            value.empty()) {
            continue;
        }
        const auto pair = std::make_pair(ScrapedPlaceholder(n), value);
        if (std::find(secrets->scraped.begin(), secrets->scraped.end(), pair) == secrets->scraped.end())
            secrets->scraped.push_back(pair);
    }
}

}  // namespace record
