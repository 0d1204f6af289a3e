// Cookie collection: replies separated by 0x01, each header a line
// "name:value".
#include <cstdlib>

#include "FuzzInput.h"
#include "script/Extract.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto replies = fuzzinput::Split(data, size, 64);
    script::CookieJar jar;
    for (std::string& text : replies) {
        std::vector<std::string> names, values;
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            const std::string line = text.substr(start, end - start);
            const size_t colon = line.find(':');
            names.push_back(line.substr(0, colon));
            values.push_back(colon == std::string::npos ? std::string() : line.substr(colon + 1));
            start = end + 1;
        }
        std::vector<host::HttpHeader> headers;
        for (size_t i = 0; i < names.size(); ++i) headers.push_back({&names[i][0], &values[i][0]});
        host::HttpReply reply{};
        reply.headers = headers.data();
        reply.headerCount = static_cast<int>(headers.size());
        const int count = script::CollectCookies(&jar, &reply);
        if (count != static_cast<int>(jar.texts.size()) || jar.texts.size() > script::kMaxCookies) std::abort();
        for (const auto& t : jar.texts) {
            if (t.find_first_of("\r\n;,") != std::string::npos) std::abort();
        }
        std::string value;
        if (!jar.texts.empty()) {
            const std::string& first = jar.texts.front();
            const std::string name = first.substr(0, first.find('='));
            if (!script::FindCookie(jar, name.data(), name.size(), &value)) std::abort();
        }
    }
    return 0;
}
