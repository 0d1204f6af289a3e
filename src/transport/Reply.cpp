#include "transport/Reply.h"

#include <cstdlib>
#include <cstring>
#include <new>

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

bool CopyHeaders(host::HttpReply* reply, const HeaderList& headers) {
    if (headers.items.empty()) return true;
    const size_t count = headers.items.size();
    reply->headers = static_cast<host::HttpHeader*>(std::calloc(count, sizeof(host::HttpHeader)));
    if (!reply->headers) return false;
    reply->headerCount = static_cast<int>(count);
    for (size_t i = 0; i < count; ++i) {
        const Header& h = headers.items[i];
        reply->headers[i].name = CopyText(h.name.data(), h.name.size());
        reply->headers[i].value = CopyText(h.value.data(), h.value.size());
        if (!reply->headers[i].name || !reply->headers[i].value) return false;
    }
    return true;
}

}  // namespace

host::HttpReply* MakeReply(int status, const char* statusText, const std::string& body, const HeaderList& headers) {
    auto* reply = static_cast<host::HttpReply*>(std::calloc(1, sizeof(host::HttpReply)));
    if (!reply) return nullptr;
    reply->size = host::kHttpRecordSize;
    reply->status = status;
    const char* text = (statusText && *statusText) ? statusText : kUnknownStatusText;
    reply->statusText = CopyText(text, std::strlen(text));
    bool complete = reply->statusText != nullptr;
    if (complete && !body.empty()) {
        reply->body = CopyText(body.data(), body.size());
        reply->bodyLength = static_cast<int>(body.size());
        complete = reply->body != nullptr;
    }
    if (!complete || !CopyHeaders(reply, headers)) {
        ReleaseReply(reply);
        return nullptr;
    }
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

int AppendBody(std::string& body, const char* data, size_t count) {
    if (count == 0) return kAppendOk;
    const size_t limit = static_cast<size_t>(kMaxBodyBytes);
    if (body.size() >= limit) return kAppendFull;
    const size_t room = count < limit - body.size() ? count : limit - body.size();
    try {
        // Doubling, but never beyond the cap.
        if (body.size() + room > body.capacity()) {
            size_t capacity = body.capacity() < 4096 ? 4096 : body.capacity() * 2;
            while (capacity < body.size() + room) capacity *= 2;
            body.reserve(capacity < limit ? capacity : limit);
        }
        body.append(data, room);
    } catch (const std::bad_alloc&) {
        return kAppendNoMemory;
    }
    return room < count ? kAppendFull : kAppendOk;
}

int AddHeaderLine(HeaderList& headers, const char* line, size_t length) {
    headers.bytes += length;
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;
    const char* colon = static_cast<const char*>(std::memchr(line, ':', length));
    if (!colon) return 0;
    const char* value = colon + 1;
    const char* end = line + length;
    while (value < end && (*value == ' ' || *value == '\t')) ++value;
    try {
        headers.items.push_back(Header{std::string(line, colon), std::string(value, end)});
    } catch (const std::bad_alloc&) {
        return -1;
    }
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

}  // namespace transport
