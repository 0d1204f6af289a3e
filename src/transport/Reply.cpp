#include "transport/Reply.h"

#include <cstdlib>
#include <cstring>

#include "shell/HostLink.h"
#include "transport/Http.h"

namespace transport {
namespace {

char* CopyText(const char* text, size_t length) {
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (!copy) return nullptr;
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

}  // namespace

host::HttpReply* NewReply(int status, const char* statusText) {
    auto* reply = static_cast<host::HttpReply*>(std::calloc(1, sizeof(host::HttpReply)));
    if (!reply) return nullptr;
    reply->size = host::kHttpRecordSize;
    reply->status = status;
    const char* text = (statusText && *statusText) ? statusText : kUnknownStatusText;
    reply->statusText = CopyText(text, std::strlen(text));
    return reply;
}

void ReleaseReply(host::HttpReply* reply) {
    if (!reply) return;
    for (int i = 0; reply->headers && i < reply->headerCount; ++i) {
        std::free(reply->headers[i].name);
        std::free(reply->headers[i].value);
    }
    std::free(reply->headers);
    std::free(reply->body);
    std::free(reply->statusText);
    std::free(reply->url);
    std::free(reply);
}

size_t ReserveBody(BodyBuffer& body, size_t count) {
    const size_t limit = static_cast<size_t>(kMaxBodyBytes);
    if (body.length >= limit) return 0;
    if (count > limit - body.length) count = limit - body.length;
    size_t needed = body.length + count + 1;   // room for the closing zero
    if (needed > body.capacity) {
        size_t capacity = body.capacity ? body.capacity : 4096;
        while (capacity < needed) capacity *= 2;
        if (capacity > limit + 1) capacity = limit + 1;
        char* grown = static_cast<char*>(std::realloc(body.data, capacity));
        if (!grown) return 0;
        body.data = grown;
        body.capacity = capacity;
    }
    return count;
}

int AppendBody(BodyBuffer& body, const char* data, size_t count) {
    if (count == 0) return kAppendOk;
    size_t room = ReserveBody(body, count);
    if (room == 0) return body.length >= static_cast<size_t>(kMaxBodyBytes) ? kAppendFull : kAppendNoMemory;
    std::memcpy(body.data + body.length, data, room);
    body.length += room;
    return room < count ? kAppendFull : kAppendOk;
}

void AttachBody(host::HttpReply* reply, BodyBuffer& body) {
    if (body.length == 0) {
        DiscardBody(body);
        return;
    }
    body.data[body.length] = '\0';
    reply->body = body.data;
    reply->bodyLength = static_cast<int>(body.length);
    body = BodyBuffer{};
}

void DiscardBody(BodyBuffer& body) {
    std::free(body.data);
    body = BodyBuffer{};
}

int AddHeaderLine(HeaderList& headers, const char* line, size_t length) {
    headers.bytes += length;
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;
    const char* colon = static_cast<const char*>(std::memchr(line, ':', length));
    if (!colon) return 0;

    if (headers.count == headers.capacity) {
        int capacity = headers.capacity ? headers.capacity * 2 : 16;
        auto* grown = static_cast<host::HttpHeader*>(
            std::realloc(headers.items, static_cast<size_t>(capacity) * sizeof(host::HttpHeader)));
        if (!grown) return -1;
        headers.items = grown;
        headers.capacity = capacity;
    }
    const char* value = colon + 1;
    const char* end = line + length;
    while (value < end && (*value == ' ' || *value == '\t')) ++value;
    char* name = CopyText(line, static_cast<size_t>(colon - line));
    char* copy = CopyText(value, static_cast<size_t>(end - value));
    if (!name || !copy) {
        std::free(name);
        std::free(copy);
        return -1;
    }
    headers.items[headers.count++] = host::HttpHeader{name, copy};
    return 0;
}

int AddHeaderBlock(HeaderList& headers, const char* block, size_t size) {
    size_t at = 0;
    while (at < size && block[at] != '\0') {
        const char* end = static_cast<const char*>(std::memchr(block + at, '\0', size - at));
        size_t length = end ? static_cast<size_t>(end - (block + at)) : size - at;
        if (AddHeaderLine(headers, block + at, length) != 0) return -1;
        at += length + 1;
    }
    return 0;
}

void AttachHeaders(host::HttpReply* reply, HeaderList& headers) {
    if (headers.count == 0) {
        DiscardHeaders(headers);
        return;
    }
    reply->headers = headers.items;
    reply->headerCount = headers.count;
    headers = HeaderList{};
}

void DiscardHeaders(HeaderList& headers) {
    for (int i = 0; i < headers.count; ++i) {
        std::free(headers.items[i].name);
        std::free(headers.items[i].value);
    }
    std::free(headers.items);
    headers = HeaderList{};
}

}  // namespace transport
