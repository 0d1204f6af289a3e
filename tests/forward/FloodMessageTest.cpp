#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "forward/FloodMessage.h"
#include "shell/Settings.h"

namespace {

using forward::ExpandFloodMessage;

TEST(FloodMessage, UserTextIsNeverTakenForMoreArguments) {
    struct Case {
        const char* format;
        int minutes;
        const char* expected;
    } cases[] = {
        {settings::kDefaultFloodMsg, 4,
         "Sorry, you are not allowed to flood me with SMS-messages. Please wait 4 minutes, before you can send the next message."},
        {"%d%d", 4, "4%d"},
        {"%s then %d", 4, "%s then 4"},
        {"%n%d%n", 4, "%n4%n"},
        {"%5.2f or %i", 4, "%5.2f or 4"},
        {"%*d %d", 4, "%*d 4"},          // a width from an argument is not ours to read
        {"%.*d", 4, "%.*d"},
        {"100%", 4, "100%"},             // a lone % at the end
        {"%", 4, "%"},
        {"%%d is %d", 4, "%d is 4"},
        {"%5%%d", 4, "%5%4"},
        {"%ld and %hhd", 300, "300 and %hhd"},
        {"%c%p%q%d", 2, "%c%p%q2"},
        {"%-", 4, "%-"},
        {"no conversion", 4, "no conversion"},
        {"%d", -7, "-7"},
        {"%u", -1, "4294967295"},
        {"%+u", 4, "4"},                 // sign flags mean nothing unsigned
        {"% x", 255, "ff"},
        {"%#.0o", 0, "0"},
        {"%d", -2147483647 - 1, "-2147483648"},
    };
    for (const Case& c : cases) EXPECT_EQ(ExpandFloodMessage(c.format, c.minutes), c.expected) << c.format;
}

// Every integer conversion formats exactly as C's printf does with one int.
// The expansion is the same code in both builds; the Windows run-time's
// printf strays from C on flags that mean nothing to a conversion (' ' on
// %u, '#' on %.0o), so only the C library of the native build is the oracle.
TEST(FloodMessage, IntegerConversionsMatchPrintf) {
#ifdef _WIN32
    GTEST_SKIP() << "the native build compares with C's printf";
#endif
    const char* flagSets[] = {"", "-", "+", " ", "#", "0", "-0", "+0", " #", "#0", "+ "};
    const char* widths[] = {"", "1", "6"};
    const char* precisions[] = {"", ".", ".0", ".3"};
    const int values[] = {0, 4, -4, 255, 123456, -2147483647 - 1};
    int compared = 0;
    for (char letter : std::string("diuoxX"))
        for (const char* flags : flagSets)
            for (const char* width : widths)
                for (const char* precision : precisions)
                    for (int value : values) {
                        const std::string format = std::string("<%") + flags + width + precision + letter + ">";
                        char expected[64];
                        std::snprintf(expected, sizeof expected, format.c_str(), value);
                        ASSERT_EQ(ExpandFloodMessage(format, value), expected) << format << " with " << value;
                        ++compared;
                    }
    EXPECT_EQ(compared, 6 * 11 * 3 * 4 * 6);
}

TEST(FloodMessage, AnswerIsCutAtItsLimit) {
    const std::string longText(5000, 'a');
    EXPECT_EQ(ExpandFloodMessage(longText + "%d", 4), std::string(forward::kMaxFloodAnswer, 'a'));
    // A huge width pads past the limit, as printf would, then the answer is cut.
    EXPECT_EQ(ExpandFloodMessage("%99999999999999999999d", 4), std::string(forward::kMaxFloodAnswer, ' '));
    std::string leftAligned = ExpandFloodMessage("%-2000d|", 4);
    ASSERT_EQ(leftAligned.size(), forward::kMaxFloodAnswer);
    EXPECT_EQ(leftAligned.substr(0, 2), "4 ");
}

}  // namespace
