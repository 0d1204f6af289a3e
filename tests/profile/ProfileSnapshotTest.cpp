#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "TempDir.h"
#include "script/profile/Profile.h"

namespace {

// Only the portable reader keeps snapshots; the system's reader has its own cache.
#ifndef _WIN32

std::string ReadName(const std::string& file) { return profile::Read(file.c_str(), "Gateway", "Name", 256); }

TEST(ProfileSnapshot, ReadsSeeTheFileAsItWasUntilOurOwnWrite) {
    testutil::TempDir dir;
    std::string file = dir.file("gw.ini");
    testutil::WriteFile(file, "[Gateway]\r\nName=First\r\n");
    {
        profile::Snapshot snapshot(file.c_str());
        testutil::WriteFile(file, "[Gateway]\r\nName=Changed behind our back\r\n");
        EXPECT_EQ(ReadName(file), "First");
        {
            profile::Snapshot nested(file.c_str());   // the outer one serves
            EXPECT_EQ(ReadName(file), "First");
        }
        EXPECT_EQ(ReadName(file), "First");
        std::string other;
        std::thread([&] { other = ReadName(file); }).join();
        EXPECT_EQ(other, "Changed behind our back");   // other threads read afresh
        ASSERT_TRUE(profile::Write(file.c_str(), "Gateway", "MaxChars", "160"));
        EXPECT_EQ(ReadName(file), "Changed behind our back");   // our write dropped the snapshot
        EXPECT_EQ(profile::Read(file.c_str(), "Gateway", "MaxChars", 16), "160");
    }
    testutil::WriteFile(file, "[Gateway]\r\nName=Later\r\n");
    EXPECT_EQ(ReadName(file), "Later");
}

TEST(ProfileSnapshot, MissingFileStaysAbsentAndOtherFilesAreUntouched) {
    testutil::TempDir dir;
    std::string missing = dir.file("none.ini"), other = dir.file("other.ini");
    testutil::WriteFile(other, "[Gateway]\r\nName=Other\r\n");
    profile::Snapshot snapshot(missing.c_str());
    testutil::WriteFile(missing, "[Gateway]\r\nName=Appeared\r\n");
    EXPECT_EQ(ReadName(missing), "");
    EXPECT_EQ(ReadName(other), "Other");
}

#endif

}  // namespace
