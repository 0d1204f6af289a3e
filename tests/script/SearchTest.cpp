#include <gtest/gtest.h>

#include <random>
#include <string>

#include "script/Search.h"
#include "shell/Text.h"

namespace {

size_t NaiveFind(const std::string& text, const std::string& pattern, size_t from, bool noCase) {
    if (pattern.empty()) return noCase ? std::string::npos : (from <= text.size() ? from : std::string::npos);
    for (size_t i = from; i + pattern.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < pattern.size() && (noCase ? text::FoldAscii(text[i + k]) == text::FoldAscii(pattern[k])
                                             : text[i + k] == pattern[k]))
            ++k;
        if (k == pattern.size()) return i;
    }
    return std::string::npos;
}

// Random texts over a tiny alphabet produce every kind of partial match.
TEST(FindNoCase, AgreesWithNaiveSearch) {
    std::mt19937 random(7);
    const char alphabet[] = "aAbB[{";
    for (int round = 0; round < 3000; ++round) {
        std::string text, pattern;
        for (auto i = random() % 30; i > 0; --i) text += alphabet[random() % 6];
        for (auto i = 1 + random() % 5; i > 0; --i) pattern += alphabet[random() % 6];
        size_t from = random() % 32;
        ASSERT_EQ(FindNoCase(text, pattern.c_str(), from), NaiveFind(text, pattern, from, true))
            << text << " / " << pattern << " from " << from;
        script::Pattern exact(pattern, false), folded(pattern, true);
        ASSERT_EQ(exact.Find(text.data(), text.size(), from), NaiveFind(text, pattern, from, false));
        ASSERT_EQ(folded.Find(text.data(), text.size(), from), NaiveFind(text, pattern, from, true));
    }
}

// A cursor answers queries in any order exactly as a fresh search would.
TEST(Cursor, AnswersLikeAFreshSearch) {
    std::mt19937 random(11);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        for (auto i = random() % 60; i > 0; --i) text += "ab>"[random() % 3];
        script::Pattern p(std::string(random() % 2 ? ">" : "ab>"), false);
        script::Cursor cursor(p);
        for (int q = 0; q < 40; ++q) {
            size_t from = random() % (text.size() + 2);
            ASSERT_EQ(cursor.Next(text.data(), text.size(), from), p.Find(text.data(), text.size(), from));
        }
    }
}

TEST(FindExact, EmptyPatternFoundWhereSearchStarts) {
    EXPECT_EQ(script::FindExact("abc", 3, "", 2), 2u);
    EXPECT_EQ(script::FindExact("abc", 3, "", 3), 3u);
    EXPECT_EQ(script::FindExact("abc", 3, "", 4), script::kNotFound);
    EXPECT_EQ(script::FindExact("abC", 3, "c"), script::kNotFound);
}

}  // namespace
