// Replies as the carriers build them, and the host's reply record they
// become. While a reply is built its body and headers own their memory;
// MakeReply turns them into the record in one step, with every text and
// the header array as heap blocks of their own that ReleaseReply frees.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "shell/HostRecords.h"

namespace transport {

constexpr const char* kUnknownStatusText = "unknown error";

// A reply body that grows as pieces arrive, never beyond kMaxBodyBytes.
constexpr int kAppendOk = 0;
constexpr int kAppendNoMemory = -1;
constexpr int kAppendFull = -2;  // kept up to the limit, the rest dropped
int AppendBody(std::string& body, const char* data, size_t count);

// Reply headers as name/value pairs.
struct Header {
    std::string name;
    std::string value;
};
struct HeaderList {
    std::vector<Header> items;
    size_t bytes = 0;  // raw bytes taken in so far
    void Clear() { *this = HeaderList{}; }
};
// One raw header line (a trailing line break is ignored): a line with ":"
// gives a header named by the text before the first ":", valued by the
// text after it less leading blanks and tabs; other lines are skipped.
// 0, or -1 when memory ran out.
int AddHeaderLine(HeaderList& headers, const char* line, size_t length);
// A block of zero-terminated lines ended by an empty one (or by `size`).
int AddHeaderBlock(HeaderList& headers, const char* block, size_t size);

// The host's record: size, status, a copy of the status text ("unknown
// error" when there is none), the body followed by a zero byte (none when
// empty) and the headers (none when there are none); none when memory ran out.
host::HttpReply* MakeReply(int status, const char* statusText, const std::string& body = {},
                           const HeaderList& headers = {});
// Releases a record made by MakeReply and everything it holds.
void ReleaseReply(host::HttpReply* reply);

}  // namespace transport
