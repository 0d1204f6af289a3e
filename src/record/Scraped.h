// Values cut from replies that a gateway file sends as credentials: a
// CustomVar whose variable stands in the hidden part of an Authorization
// header ("Header1=Authorization: Bearer $CustomVar1"). The recorder and the
// trace learn each one from the reply it is cut from as that reply comes,
// before the runner logs or sends it, so neither the reply nor a later
// request shows it.
#pragma once

#include <string>
#include <vector>

#include "record/Redact.h"

namespace record {

class ScrapedSecrets {
public:
    // Reads which CustomVars the gateway file `path` sends as credentials.
    void Start(const char* path);
    // Adds to `secrets` the value each of those CustomVars of "Request%d"
    // `section` takes from its reply `body`, with its placeholder
    // ("$CustomVar1"), as the runner cuts it.
    void Learn(int section, const std::string& body, Secrets* secrets) const;
    // Their numbers, in ascending order.
    const std::vector<int>& Numbers() const { return numbers_; }

private:
    std::string path_;
    std::vector<int> numbers_;
};

// The placeholder of CustomVar `n` in a redacted recording.
std::string ScrapedPlaceholder(int n);
// The numbers of the "$CustomVar%d" variables `text` names, as often as it
// names them (those past the last a file can have left out).
std::vector<int> CustomVarNumbers(const std::string& text);

}  // namespace record
