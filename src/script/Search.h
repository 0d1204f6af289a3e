// Linear-time text search for the extraction steps. A Pattern keeps its
// failure table so that one pattern searched many times costs its table once;
// a Cursor remembers its last answer so that searches from positions that
// only move forward scan each byte of the text at most once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace script {

constexpr size_t kNotFound = std::string::npos;

class Pattern {
public:
    // noCase: ASCII letters compare without regard to case (FindNoCase's
    // rule); otherwise every byte compares exactly.
    Pattern(const char* pattern, size_t length, bool noCase);
    Pattern(const std::string& pattern, bool noCase) : Pattern(pattern.data(), pattern.size(), noCase) {}

    // First position >= from at which the pattern occurs; kNotFound if none.
    // An empty pattern is found at `from` when noCase is off (as strstr) and
    // never when it is on (as FindNoCase).
    size_t Find(const char* text, size_t length, size_t from) const;
    size_t Size() const { return pattern_.size(); }

private:
    std::string pattern_;  // folded when noCase
    std::vector<size_t> border_;
    bool noCase_;
};

class Cursor {
public:
    explicit Cursor(const Pattern& pattern) : pattern_(&pattern) {}
    size_t Next(const char* text, size_t length, size_t from);

private:
    const Pattern* pattern_;
    bool valid_ = false;
    size_t lastFrom_ = 0;
    size_t lastResult_ = kNotFound;
};

// Bytes of text that this thread's searches have examined so far: tests
// count work with it instead of timing it.
uint64_t ScannedBytes();

// Exact (case-sensitive) search, for one-off searches of a text.
size_t FindExact(const char* text, size_t length, const std::string& pattern, size_t from = 0);

}  // namespace script
