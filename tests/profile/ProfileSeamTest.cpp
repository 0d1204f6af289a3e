// profile::Read and friends: the checks in front of the platform's
// functions, the string and number reads, and a round trip through
// whichever implementation the platform uses.
#include "script/profile/Profile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

TEST(ProfileSeam, NullAndEmptyArgumentsReadNothing) {
    TempDir dir;
    const std::string file = dir.file("a.ini");
    WriteFile(file, "[S]\r\nk=v\r\n");
    struct Row {
        const char* file;
        const char* section;
        const char* key;
    } rows[] = {
        {nullptr, "S", "k"}, {"", "S", "k"}, {file.c_str(), nullptr, "k"}, {file.c_str(), "S", nullptr},
    };
    for (const Row& row : rows) {
        char buffer[8];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(profile::Read(row.file, row.section, row.key, buffer, sizeof buffer), 0u);
        EXPECT_EQ(buffer[0], '\0');
        EXPECT_EQ(buffer[1], 'x');
        EXPECT_EQ(profile::Read(row.file, row.section, row.key, 16), "");
        EXPECT_EQ(profile::ReadNumber(row.file, row.section, row.key, 16), 0);
    }
    char untouched = 'x';
    EXPECT_EQ(profile::Read(file.c_str(), "S", "k", &untouched, 0), 0u);
    EXPECT_EQ(untouched, 'x');
    EXPECT_EQ(profile::Read(file.c_str(), "S", "k", nullptr, 8), 0u);
    EXPECT_EQ(profile::Read(file.c_str(), "S", "k", 0), "");
}

TEST(ProfileSeam, NullAndEmptyArgumentsChangeNothing) {
    TempDir dir;
    const std::string file = dir.file("a.ini");
    const std::string content = "[S]\r\nk=v\r\n[T]\r\nj=w\r\n";
    WriteFile(file, content);
    const char* f = file.c_str();
    EXPECT_FALSE(profile::Write(nullptr, "S", "k", "x"));
    EXPECT_FALSE(profile::Write("", "S", "k", "x"));
    EXPECT_FALSE(profile::Write(f, nullptr, "k", "x"));
    EXPECT_FALSE(profile::Write(f, "S", nullptr, "x"));  // would drop the section
    EXPECT_FALSE(profile::Write(f, "S", "k", nullptr));  // would drop the key
    EXPECT_FALSE(profile::DeleteSection(nullptr, "S"));
    EXPECT_FALSE(profile::DeleteSection("", "S"));
    EXPECT_FALSE(profile::DeleteSection(f, nullptr));
    EXPECT_FALSE(profile::DeleteKey(f, nullptr, "k"));
    EXPECT_FALSE(profile::DeleteKey(f, "S", nullptr));
    EXPECT_FALSE(profile::portable::Write(f, "S", nullptr, "x"));
    EXPECT_FALSE(profile::portable::DeleteSection(f, nullptr));
    EXPECT_FALSE(profile::portable::DeleteKey(f, "S", nullptr));
    char buffer[4] = "abc";
    EXPECT_EQ(profile::portable::Read(f, nullptr, "k", buffer, sizeof buffer), 0u);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(ReadFile(file), content);
}

// Texts that could not be read back as the same entry are refused.
TEST(ProfileSeam, WritesThatWouldBreakTheLayoutAreRefused) {
    TempDir dir;
    const std::string file = dir.file("a.ini");
    const std::string content = "[S]\r\nk=v\r\n";
    WriteFile(file, content);
    struct Row {
        const char* section;
        const char* key;
        const char* value;
    } rows[] = {
        {"S", "k", "two\r\nlines"},  {"S", "k", "injected\n[Gateway]"}, {"S", "k", "cr\r"},
        {"S\r\n[X]", "k", "v"},     {"S", "k\n", "v"},                 {"S", "a=b", "v"},
        {"S", "[X]", "v"},           {"S", " \t[X", "v"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.section) + "/" + row.key);
        EXPECT_FALSE(profile::Write(file.c_str(), row.section, row.key, row.value));
    }
    EXPECT_EQ(ReadFile(file), content);
    EXPECT_TRUE(profile::Write(file.c_str(), "S", "x[1]", "a=b; [c]"));
    EXPECT_EQ(profile::Read(file.c_str(), "S", "x[1]", 64), "a=b; [c]");
}

TEST(ProfileSeam, StringReadsAreCutToTheSizeLessOne) {
    TempDir dir;
    const std::string file = dir.file("a.ini");
    WriteFile(file, "[S]\nk=abcdef\nempty=\n");
    struct Row {
        const char* key;
        size_t size;
        const char* expect;
    } rows[] = {
        {"k", 100, "abcdef"}, {"k", 7, "abcdef"}, {"k", 6, "abcde"}, {"k", 2, "a"},
        {"k", 1, ""},         {"empty", 10, ""},  {"absent", 10, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.key) + " " + std::to_string(row.size));
        EXPECT_EQ(profile::Read(file.c_str(), "S", row.key, row.size), row.expect);
        std::string buffer(row.size + 4, '#');
        size_t n = profile::Read(file.c_str(), "S", row.key, &buffer[0], row.size);
        EXPECT_EQ(n, std::strlen(row.expect));
        EXPECT_EQ(buffer.substr(0, n), row.expect);
        EXPECT_EQ(buffer[n], '\0');
        EXPECT_EQ(buffer.substr(row.size), "####");
    }
}

TEST(ProfileSeam, NumbersReadLikeAtoiFromTheCutText) {
    // Saturates where long is 32 bits wide.
    const long kHuge = INT32_MAX;            // the same width on every build
    const long kHugeNegative = INT32_MIN;
    TempDir dir;
    const std::string file = dir.file("a.ini");
    WriteFile(file,
              "[N]\r\nplain=160\r\nsigned=  -42abc\r\nplus=+7\r\nletters=x1\r\nempty=\r\n"
              "huge=99999999999\r\nneg=-99999999999\r\nlong=12345\r\n"
              "quoted=\"25\"\r\nspace=- 5\r\n");
    struct Row {
        const char* key;
        size_t size;
        long expect;
    } rows[] = {
        {"plain", 1024, 160},     {"signed", 1024, -42},    {"plus", 1024, 7},        {"letters", 1024, 0},
        {"empty", 1024, 0},       {"absent", 1024, 0},      {"huge", 1024, kHuge},    {"neg", 1024, kHugeNegative},
        {"long", 3, 12},          {"long", 1, 0},           {"quoted", 1024, 25},     {"space", 1024, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        EXPECT_EQ(profile::ReadNumber(file.c_str(), "N", row.key, row.size), row.expect);
    }
}

TEST(ProfileSeam, WritesReadBackAndDeletesRemove) {
    TempDir dir;
    const std::string file = dir.file("accounts.sac");
    const char* f = file.c_str();
    ASSERT_TRUE(profile::Write(f, "Account1", "Username", "alice"));
    ASSERT_TRUE(profile::Write(f, "Account1", "Password", "pw1"));
    ASSERT_TRUE(profile::Write(f, "Account2", "Username", "bob"));
    EXPECT_EQ(ReadFile(file), "[Account1]\r\nUsername=alice\r\nPassword=pw1\r\n[Account2]\r\nUsername=bob\r\n");
    EXPECT_EQ(profile::Read(f, "account1", "username", 256), "alice");
    ASSERT_TRUE(profile::DeleteKey(f, "Account1", "Password"));
    EXPECT_EQ(profile::Read(f, "Account1", "Password", 256), "");
    ASSERT_TRUE(profile::DeleteSection(f, "Account1"));
    EXPECT_EQ(ReadFile(file), "[Account2]\r\nUsername=bob\r\n");
    EXPECT_TRUE(profile::DeleteSection(f, "Account9"));
    EXPECT_FALSE(profile::Write(dir.file("no/such/folder.ini").c_str(), "A", "k", "v"));
}

#ifndef _WIN32
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs `step` where the folder takes no new files. Root ignores folder
// permissions, so as root a child process gives up root first.
template <class Step>
bool InFolderWithoutNewFiles(const std::string& folder, Step step) {
    chmod(folder.c_str(), 0555);
    bool ok = false;
    if (geteuid() != 0) {
        ok = step();
    } else {
        pid_t child = fork();
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
            _exit(step() ? 0 : 1);
        }
        int status = 0;
        ok = child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    chmod(folder.c_str(), 0700);
    return ok;
}

// A write replaces the file whole through a temporary that never stays
// behind, keeping the file's permissions and owner; links and folders that
// take no new files are written in place.
TEST(ProfileSeam, PortableWritesReplaceTheFileWhole) {
    TempDir dir;
    const std::string file = dir.file("a.sac");
    const char* f = file.c_str();
    WriteFile(file, "[A]\r\nk=old\r\n");
    chmod(f, 0600);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(f, 65534, 65534), 0);   // root writing someone else's file
    }
    ASSERT_TRUE(profile::portable::Write(f, "A", "k", "new"));
    EXPECT_EQ(ReadFile(file), "[A]\r\nk=new\r\n");
    struct stat st {};
    ASSERT_EQ(stat(f, &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    if (root) {
        EXPECT_EQ(st.st_uid, 65534u);
    }
    EXPECT_EQ(Names(dir.path().string()), std::vector<std::string>{"a.sac"});

    // A link is written through and stays a link.
    const std::string link = dir.file("link.sac");
    ASSERT_EQ(symlink(f, link.c_str()), 0);
    ASSERT_TRUE(profile::portable::Write(link.c_str(), "A", "k", "linked"));
    struct stat lst {};
    ASSERT_EQ(lstat(link.c_str(), &lst), 0);
    EXPECT_TRUE(S_ISLNK(lst.st_mode));
    EXPECT_EQ(ReadFile(file), "[A]\r\nk=linked\r\n");

    // A folder that takes no new files: the file is written in place.
    chmod(f, 0666);
    EXPECT_TRUE(InFolderWithoutNewFiles(dir.path().string(), [&] {
        return profile::portable::Write(f, "A", "k", "in place");
    }));
    EXPECT_EQ(ReadFile(file), "[A]\r\nk=in place\r\n");
    EXPECT_EQ(Names(dir.path().string()), (std::vector<std::string>{"a.sac", "link.sac"}));
}
#endif

}  // namespace
