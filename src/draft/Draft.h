// A gateway file drafted from a browser's recording (a HAR file) of one SMS
// that a person sent by hand on a provider's web site: the requests from the
// site's first page to the one that carried the message, with the number,
// the message and the account made into variables, values that came from
// earlier pages made into Key%d and CustomVar%d, and a Success text. Where
// it has to guess, it writes its best choice under a "; check:" line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "record/Har.h"

namespace draft {

// What the person sent, as the recording carries it (UTF-8).
struct Given {
    std::string prefix;   // country prefix, digits
    std::string number;   // the number without the prefix, digits
    std::string message;  // the text typed
    std::optional<std::string> user, password;
    std::string source;  // the recording's file name, for the file's head
};

struct Draft {
    std::string text;                 // the gateway file, lines ending in CR LF
    std::vector<std::string> checks;  // "[Request2] PostString: ..." for each "; check:" line
};

// False, with one line in `error` naming the entry and field at fault when
// there is one ("no entry carries the message ..."), when no file can be
// drafted from the recording.
bool DraftGateway(const har::Document& recording, const Given& given, Draft* out, std::string* error);

}  // namespace draft
