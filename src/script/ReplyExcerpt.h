// The provider's own reason for a failed reply, short enough for one line:
// the error members of a JSON reply ("SVC0280: Message too long"), else
// the start of its text without markup. For the error line of an attempt,
// the log and the command line's outcome.
#pragma once

#include <cstddef>
#include <string>

namespace script {

// The longest excerpt, in bytes (cut between UTF-8 characters).
constexpr size_t kMaxExcerpt = 200;

// One line: no control characters, blanks collapsed, at most kMaxExcerpt
// bytes; "" for an empty body.
std::string ReplyExcerpt(const char* body, size_t length);

}  // namespace script
