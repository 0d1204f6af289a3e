// Building and releasing reply records: every text and the header array are
// heap blocks of their own, owned by the reply.
#pragma once

#include <cstddef>

#include "shell/HostRecords.h"

namespace transport {

constexpr const char* kUnknownStatusText = "unknown error";

// A reply with its size, status and a copy of the status text ("unknown
// error" when there is none); none when memory ran out.
host::HttpReply* NewReply(int status, const char* statusText);
// Releases a reply made here and everything it holds.
void ReleaseReply(host::HttpReply* reply);

// A reply body that grows as pieces arrive, never beyond kMaxBodyBytes.
struct BodyBuffer {
    char* data = nullptr;
    size_t length = 0;
    size_t capacity = 0;
};
constexpr int kAppendOk = 0;
constexpr int kAppendNoMemory = -1;
constexpr int kAppendFull = -2;     // kept up to the limit, the rest dropped
int AppendBody(BodyBuffer& body, const char* data, size_t count);
// Room for `count` more bytes at data + length (the limit permitting);
// gives the number of bytes made available, 0 when none can be.
size_t ReserveBody(BodyBuffer& body, size_t count);
// Hands the body to the reply, zero-terminated; an empty body gives none.
void AttachBody(host::HttpReply* reply, BodyBuffer& body);
void DiscardBody(BodyBuffer& body);

// Reply headers as name/value pairs.
struct HeaderList {
    host::HttpHeader* items = nullptr;
    int count = 0;
    int capacity = 0;
    size_t bytes = 0;       // raw bytes taken in so far
};
// One raw header line (a trailing line break is ignored): a line with ":"
// gives a header named by the text before the first ":", valued by the
// text after it less leading blanks and tabs; other lines are skipped.
// 0, or -1 when memory ran out.
int AddHeaderLine(HeaderList& headers, const char* line, size_t length);
// A block of zero-terminated lines ended by an empty one (or by `size`).
int AddHeaderBlock(HeaderList& headers, const char* block, size_t size);
void AttachHeaders(host::HttpReply* reply, HeaderList& headers);
void DiscardHeaders(HeaderList& headers);

}  // namespace transport
