#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "shell/FileReplace.h"

namespace {

// Only the temporary files of the named file go; its neighbours stay,
// including those whose names merely begin alike.
TEST(FileReplace, RemoveLeftoversTakesOnlyTheFilesTemporaries) {
    testutil::TempDir dir;
    const char* const kept[] = {"gw.sac", "gw.sac.bak", "gw.sacx.~1-0", "other.sac.~1-0", "~gw.sac"};
    const char* const gone[] = {"gw.sac.~123-0", "gw.sac.~"};
    for (const char* name : kept) ASSERT_TRUE(files::ReplaceWhole(dir.file(name), "x"));
    for (const char* name : gone) ASSERT_TRUE(files::ReplaceWhole(dir.file(name), "x"));
    std::filesystem::create_directory(dir.file("gw.sac.~folder"));

    files::RemoveLeftovers(dir.file("gw.sac"));

    for (const char* name : kept) EXPECT_TRUE(std::filesystem::exists(dir.file(name))) << name;
    for (const char* name : gone) EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("gw.sac.~folder")));
}

}  // namespace
