#include <gtest/gtest.h>

#include <climits>

#include "shell/Text.h"

namespace {

TEST(ParseDecimal, ReadsAsAtoiWouldButSaturates) {
    struct Case {
        const char* text;
        long expected;
    };
    const Case cases[] = {
        {"160", 160},       {"  42", 42},       {"\t-7", -7},      {"+9", 9},
        {"12abc", 12},      {"abc", 0},         {"", 0},           {"-", 0},
        {"1x5", 1},         {" - 5", 0},        {"007", 7},        {"2147483647", 2147483647L},
        {"99999999999999999999999", LONG_MAX},  {"-99999999999999999999999", LONG_MIN},
    };
    for (const Case& c : cases) EXPECT_EQ(text::ParseDecimal(c.text), c.expected) << '"' << c.text << '"';
    EXPECT_EQ(text::ParseDecimal(nullptr), 0);
}

}  // namespace
