#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Destination.h"
#include "Usage.h"

namespace {

// The longest served prefix wins; anything that is not a full international
// number is refused with a reason.
TEST(DestinationTest, SplitsInternationalNumbersAtTheLongestServedPrefix) {
    const std::vector<std::string> served = {"43", "436", "49", "1", "+44"};
    struct Case {
        const char* text;
        const char* prefix;   // null: refused
        const char* number;   // or a fragment of the reason
    } cases[] = {
        {"+436501234567", "436", "501234567"},
        {"0043 1 234 56 78", "43", "12345678"},
        {" +49 (170) 123-45.67 ", "49", "1701234567"},
        {"1212555", "1", "212555"},
        {"+43", nullptr, "+43 is a prefix alone"},
        {"+45", nullptr, "no gateway serves a prefix of +45; the nearest served prefixes are 43 436 49"},
        {"+44 20 7946 0000", nullptr, "+442079460000; the nearest served prefixes are 43 436 49"},
        {"+7 912", nullptr, "nearest served prefixes are 1 43 436 49"},
        {"06641234567", nullptr, "is a national number"},
        {"+43 abc", nullptr, "'a' does not belong"},
        {"+43+1", nullptr, "'+' does not belong"},
        {"   ", nullptr, "the number is empty"},
        {"+()", nullptr, "has no digits"},
    };
    for (const Case& c : cases) {
        destination::Split split;
        std::string error;
        bool ok = destination::SplitInternational(c.text, served, &split, &error);
        EXPECT_EQ(ok, c.prefix != nullptr) << c.text << ": " << error;
        if (ok && c.prefix) {
            EXPECT_EQ(split.prefix, c.prefix) << c.text;
            EXPECT_EQ(split.number, c.number) << c.text;
        } else if (!ok) {
            EXPECT_NE(error.find(c.number), std::string::npos) << c.text << ": " << error;
        }
    }
}

TEST(DestinationTest, MisspeltCommandsFindTheirNearestName) {
    const std::vector<std::string> commands = {"send", "run", "gateways", "check"};
    const std::pair<const char*, const char*> cases[] = {
        {"sned", "send"}, {"snd", "send"}, {"gatway", "gateways"}, {"gate", "gateways"},
        {"chekc", "check"}, {"rn", "run"}, {"frobnicate", ""}, {"", ""}, {"xyz", ""},
    };
    for (const auto& [word, want] : cases) EXPECT_EQ(usage::Nearest(word, commands), want) << word;
    const char* argv[] = {"parlet", "--settings", "send", "sned", "--to", "1"};
    EXPECT_EQ(usage::CommandWord(6, argv), "sned");
}

}  // namespace
