#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

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

// Moving never replaces: of several movers of one file, one succeeds, and
// the file is always under one of the names.
TEST(FileReplace, MoveNoReplaceNeverOverwritesAndOneMoverWins) {
    testutil::TempDir dir;
    const std::string from = dir.file("shared.txt"), taken = dir.file("taken.txt");
    testutil::WriteFile(from, "queued");
    testutil::WriteFile(taken, "mine");
    EXPECT_FALSE(files::MoveNoReplace(from, taken));
    EXPECT_EQ(testutil::ReadFile(from), "queued");
    EXPECT_EQ(testutil::ReadFile(taken), "mine");
    EXPECT_FALSE(files::MoveNoReplace(dir.file("missing.txt"), dir.file("any.txt")));

    std::atomic<int> won{0};
    std::vector<std::thread> movers;
    for (int i = 0; i < 8; ++i)
        movers.emplace_back([&, i] { won += files::MoveNoReplace(from, dir.file("to" + std::to_string(i))) ? 1 : 0; });
    for (auto& t : movers) t.join();
    EXPECT_EQ(won.load(), 1);
    EXPECT_FALSE(std::filesystem::exists(from));
    int found = 0;
    for (int i = 0; i < 8; ++i)
        if (std::filesystem::exists(dir.file("to" + std::to_string(i))))
            found += testutil::ReadFile(dir.file("to" + std::to_string(i))) == "queued";
    EXPECT_EQ(found, 1);
}

}  // namespace
