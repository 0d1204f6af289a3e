#include "script/Search.h"

#include <cstring>

#include "shell/Text.h"

namespace script {
namespace {
thread_local uint64_t t_scanned = 0;
}  // namespace

uint64_t ScannedBytes() { return t_scanned; }

Pattern::Pattern(const char* pattern, size_t length, bool noCase) : pattern_(pattern, length), noCase_(noCase) {
    if (noCase_) {
        for (char& c : pattern_) c = text::FoldAscii(c);
    }
    const size_t m = pattern_.size();
    border_.assign(m + 1, 0);
    for (size_t i = 1, k = 0; i < m; ++i) {
        while (k > 0 && pattern_[i] != pattern_[k]) k = border_[k];
        if (pattern_[i] == pattern_[k]) ++k;
        border_[i + 1] = k;
    }
}

size_t Pattern::Find(const char* text, size_t length, size_t from) const {
    const size_t m = pattern_.size();
    if (m == 0) return (!noCase_ && from <= length) ? from : kNotFound;
    if (!text || from >= length || m > length - from) return kNotFound;
    if (m == 1 && !noCase_) {
        const void* hit = std::memchr(text + from, pattern_[0], length - from);
        const size_t at = hit ? static_cast<size_t>(static_cast<const char*>(hit) - text) : kNotFound;
        t_scanned += (hit ? at + 1 : length) - from;
        return at;
    }
    for (size_t i = from, k = 0; i < length; ++i) {
        const char c = noCase_ ? text::FoldAscii(text[i]) : text[i];
        while (k > 0 && c != pattern_[k]) k = border_[k];
        if (c == pattern_[k]) ++k;
        if (k == m) {
            t_scanned += i + 1 - from;
            return i + 1 - m;
        }
    }
    t_scanned += length - from;
    return kNotFound;
}

size_t Cursor::Next(const char* text, size_t length, size_t from) {
    // No occurrence starts in [lastFrom_, lastResult_), so any start inside
    // that range has the same answer.
    if (valid_ && from >= lastFrom_ && (lastResult_ == kNotFound || from <= lastResult_)) return lastResult_;
    lastFrom_ = from;
    lastResult_ = pattern_->Find(text, length, from);
    valid_ = true;
    return lastResult_;
}

size_t FindExact(const char* text, size_t length, const std::string& pattern, size_t from) {
    return Pattern(pattern, false).Find(text, length, from);
}

}  // namespace script
