// Which request of a gateway file sends the message: what a probe must
// never send.
#include <string>

#include "script/Extract.h"
#include "script/RunObserver.h"
#include "script/profile/NumberedKeys.h"
#include "script/profile/Profile.h"
#include "shell/Text.h"

namespace script {
namespace {

constexpr char kMessageVariable[] = "$Message";  // the message, as the template engine names it

bool NamesMessage(const std::string& text) { return text.find(kMessageVariable) != std::string::npos; }

}  // namespace

int SendingRequest(const char* path, bool* guessed) {
    *guessed = false;
    profile::Snapshot snapshot(path);
    int last = 0;
    int sending = 0;
    profile::ReadNumbered(
        {"Request"},
        [&](const std::string& section) { return profile::Read(path, section.c_str(), "URL", kValueSize); },
        [&](int j, const std::string& section, const std::string& url) {
            last = j;
            const std::string sends = profile::Read(path, section.c_str(), kSendsKey, kValueSize);
            const std::string body = profile::Read(path, section.c_str(), "PostString", kValueSize);
            if ((!sends.empty() && text::ParseDecimal(sends.c_str()) != 0) || NamesMessage(url) || NamesMessage(body)) {
                sending = j;
                return false;
            }
            return true;
        });
    if (sending != 0) return sending;
    *guessed = last != 0;
    return last;
}

}  // namespace script
