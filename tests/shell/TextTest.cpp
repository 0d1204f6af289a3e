#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "shell/Text.h"

namespace {

TEST(ParseDecimal, ReadsAsAtoiWouldButSaturates) {
    struct Case {
        const char* text;
        int32_t expected;
    };
    const Case cases[] = {
        {"160", 160},       {"  42", 42},       {"\t-7", -7},      {"+9", 9},
        {"12abc", 12},      {"abc", 0},         {"", 0},           {"-", 0},
        {"1x5", 1},         {" - 5", 0},        {"007", 7},        {"2147483647", INT32_MAX},
        // 32 bits on every build: the DLL's long and the native long differ.
        {"2147483648", INT32_MAX},  {"-2147483648", INT32_MIN}, {"-2147483649", INT32_MIN},
        {"99999999999", INT32_MAX}, {"99999999999999999999999", INT32_MAX},  {"-99999999999999999999999", INT32_MIN},
    };
    for (const Case& c : cases) EXPECT_EQ(text::ParseDecimal(c.text), c.expected) << '"' << c.text << '"';
    EXPECT_EQ(text::ParseDecimal(nullptr), 0);
}

// A translated text is filled, never used as a format.
TEST(FillPattern, FirstConversionOnlyAndPercentSigns) {
    struct Case {
        const char* pattern;
        char conversion;
        const char* expected;
    };
    const Case cases[] = {
        {"%d Gateways found.", 'd', "V Gateways found."}, {"%d of %d", 'd', "V of %d"},
        {"100%% %n %s", 's', "100% %n V"},                {"no value", 's', "no value"},
        {"trailing %", 'd', "trailing %"},
    };
    for (const Case& c : cases) EXPECT_EQ(text::FillPattern(c.pattern, c.conversion, "V", 255), c.expected);
    EXPECT_EQ(text::FillPattern("%s!", 's', std::string(300, 'x'), 255), std::string(255, 'x'));
}

struct FindCase {
    const char* text;
    const char* pattern;
    size_t from;
    size_t expected;
};

TEST(FindNoCase, Table) {
    const size_t npos = std::string::npos;
    const FindCase cases[] = {
        {"<SELECT name=x>", "<select", 0, 0},
        {"ab<SeLeCt", "<select", 0, 2},
        {"<select", "<select", 1, npos},       // the search starts behind the match
        {"abc", "", 0, npos},                  // an empty pattern is never found
        {"", "a", 0, npos},
        {"aab", "ab", 0, 1},
        {"aaaab", "AAAB", 0, 1},               // a failed partial match backs off correctly
        {"abababc", "ababc", 0, 2},
        {"x\xC9y", "\xE9", 0, npos},           // only ASCII letters fold
        {"[\\]", "[\\]", 0, 0},                // '[' '\\' ']' are not letters: no folding into them
        {"{", "[", 0, npos},
        {"abc", "abcd", 0, npos},
        {"abcabc", "abc", 4, npos},
        {"abcabc", "ABC", 3, 3},
        {"abc", "c", 5, npos},
    };
    for (const FindCase& c : cases) {
        EXPECT_EQ(FindNoCase(std::string(c.text), c.pattern, c.from), c.expected) << c.text << " / " << c.pattern;
    }
}

}  // namespace
