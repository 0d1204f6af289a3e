// Big and hostile files: very long lines, many sections, lines made of one
// character, run time that grows with the size of the file and no faster.
#include "ProfileRunner.h"
#include "TempDir.h"
#include "script/profile/Profile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>

namespace profiletest {
namespace {

using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

struct Large {
    const char* name;
    std::string content;
    std::string section;
    std::string key;
    size_t size;
    std::string expect;
};

std::vector<Large> LargeCases() {
    std::string many;
    for (int i = 1; i <= 20000; ++i) many += "[S" + std::to_string(i) + "]\r\nk=" + std::to_string(i) + "\r\n";
    const std::string longValue(1 << 20, 'v');
    return {
        {"long_value_cut", "[A]\r\nk=" + longValue + "\r\n", "A", "k", 2048, std::string(2047, 'v')},
        {"long_value_exact", "[A]\r\nk=" + longValue + "\r\n", "A", "k", longValue.size() + 1, longValue},
        {"long_value_no_line_end", "[A]\r\nk=" + longValue, "A", "k", 1024, std::string(1023, 'v')},
        // The system takes names of up to 32767 characters.
        {"long_key", "[A]\r\n" + std::string(32000, 'k') + "=found\r\n", "A", std::string(32000, 'K'),
         100, "found"},
        {"many_sections_last", many, "S20000", "k", 100, "20000"},
        {"open_bracket_line", std::string(1 << 20, '[') + "\r\n[B]\r\nk=1\r\n", "B", "k", 100, "1"},
        {"bracket_pairs_line", "[A]\r\n" + std::string(1 << 19, '[') + std::string(1 << 19, ']') + "\r\nk=2\r\n", "A",
         "k", 100, ""},
        {"equals_line", "[A]\r\n" + std::string(1 << 20, '=') + "\r\nk=3\r\n", "A", "", 5, "===="},
        {"blank_line", "[A]\r\n" + std::string(1 << 20, ' ') + "k=4" + std::string(1 << 20, '\t') + "\r\n", "A", "k",
         100, "4"},
        {"line_breaks_only", std::string(1 << 20, '\n') + "[A]\rk=5", "A", "k", 100, "5"},
    };
}

TEST(ProfileLarge, PortableReadsHugeAndHostileFiles) {
    TempDir dir;
    for (const Large& c : LargeCases()) {
        SCOPED_TRACE(c.name);
        const std::string file = dir.file(std::string(c.name) + ".ini");
        WriteFile(file, c.content);
        Op op{Op::kRead, c.section, c.key, {}, c.size, {}};
        ReadAnswer our = ReadWithSentinel(Portable(), file, op, c.size);
        EXPECT_EQ(our.count, c.expect.size());
        EXPECT_TRUE(our.buffer == ExpectedBuffer(c.expect, c.size));
#ifdef _WIN32
        ReadAnswer sys = ReadWithSentinel(System(), file, op, c.size);
        EXPECT_EQ(sys.count, our.count);
        EXPECT_TRUE(sys.buffer == our.buffer);
#endif
    }
}

TEST(ProfileLarge, WritesKeepAHugeValueWhole) {
    TempDir dir;
    const std::string longValue(1 << 20, 'v');
    const std::string content = "[A]\r\nk=" + longValue + "\r\n";
    const std::string expect = "[A]\r\nk=" + longValue + "\r\nj=1\r\n";
    const std::string ours = dir.file("ours.ini");
    WriteFile(ours, content);
    ASSERT_TRUE(profile::portable::Write(ours.c_str(), "A", "j", "1"));
    EXPECT_TRUE(ReadFile(ours) == expect);
#ifdef _WIN32
    const std::string theirs = dir.file("theirs.ini");
    WriteFile(theirs, content);
    ASSERT_TRUE(System().write(theirs.c_str(), "A", "j", "1"));
    EXPECT_TRUE(ReadFile(theirs) == expect);
#endif
}

// A file of many sections with keys made of brackets and equals signs reads
// right at both ends. How the time grows with the size is measured by
// profile_bench, not here: a busy machine makes a timed test flaky.
TEST(ProfileLarge, ManyAwkwardSectionsReadRight) {
    TempDir dir;
    std::string s;
    for (size_t i = 0; i < 80000; ++i) {
        s += "[S" + std::to_string(i) + "]\r\n" + std::string(20, '[') + "=" + std::string(20, '=') + "\r\nk=" +
             std::string(30, ']') + "\r\n";
    }
    const std::string big = dir.file("big.ini");
    WriteFile(big, s);
    char buffer[64];
    for (const char* section : {"S0", "S40000", "S79999"}) {
        EXPECT_EQ(profile::portable::Read(big.c_str(), section, "k", buffer, sizeof buffer), 30u) << section;
        EXPECT_EQ(std::string(buffer), std::string(30, ']')) << section;
    }
    EXPECT_EQ(profile::portable::Read(big.c_str(), "S80000", "k", buffer, sizeof buffer), 0u);
}

}  // namespace
}  // namespace profiletest
