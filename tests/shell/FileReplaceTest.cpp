#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "shell/FileReplace.h"

namespace {

// Only the temporary files of the named file go; its neighbours stay,
// including those whose names merely begin alike.
TEST(FileReplace, RemoveLeftoversTakesOnlyTheFilesTemporaries) {
    testutil::TempDir dir;
    const char* const kept[] = {"gw.sac", "gw.sac.bak", "gw.sacx.~1-0", "other.sac.~1-0", "oldgw.sac.~1-0", "~gw.sac"};
    const char* const gone[] = {"gw.sac.~123-0", "gw.sac.~"};
    for (const char* name : kept) ASSERT_TRUE(files::ReplaceWhole(dir.file(name), "x"));
    for (const char* name : gone) ASSERT_TRUE(files::ReplaceWhole(dir.file(name), "x"));
    std::filesystem::create_directory(dir.file("gw.sac.~folder"));

    files::RemoveLeftovers(dir.file("gw.sac"));

    for (const char* name : kept) EXPECT_TRUE(std::filesystem::exists(dir.file(name))) << name;
    for (const char* name : gone) EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("gw.sac.~folder")));
}

#ifndef _WIN32
// A name so long that no temporary file fits beside it (the temporary adds
// ".~PID-N" past the system's 255 bytes) leaves only the file itself: the
// fallback writes it in place, whole, and "never in place" refuses.
TEST(FileReplace, InPlaceFallbackTruncatesAndNeverModeRefuses) {
    testutil::TempDir dir;
    const std::string path = dir.file(std::string(250, 'g'));
    const struct {
        files::InPlace mode;
        bool written;
        const char* after;
    } cases[] = {
        {files::InPlace::kFallback, true, "new"},
        {files::InPlace::kNever, false, "old and longer"},
    };
    for (const auto& c : cases) {
        testutil::WriteFile(path, "old and longer");
        EXPECT_EQ(files::ReplaceWhole(path, "new", c.mode), c.written);
        EXPECT_EQ(testutil::ReadFile(path), c.after);
    }
}
#endif

}  // namespace
