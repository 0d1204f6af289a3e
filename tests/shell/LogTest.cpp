#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "StandIn.h"
#include "TempDir.h"
#include "shell/Log.h"
#include "shell/Settings.h"

namespace {

std::string Lines(const std::string& path) { return testutil::ReadTextFile(path); }

const std::regex kStamp("(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                        "[ 123][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}    ");

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        logging::ResetForTests();
    }
    void TearDown() override { logging::ResetForTests(); }
    testutil::TempDir dir;
};

// Only entries written while "DoLog" is on reach the file (the default name,
// in the working folder), the setting read anew for every entry. An
// observer (the command line's echo) sees every entry all the same, and its
// listening writes nothing.
TEST_F(LogTest, OnlyEntriesWrittenWhileDoLogIsOnReachTheFile) {
    testutil::ScopedCurrentDir cwd(dir.path());
    const struct {
        int doLog;   // -1: absent
        bool observed;
        const char* text;
    } steps[] = {{-1, false, "absent\n"}, {0, false, "off\n"}, {0, true, "observed\n"},
                 {1, false, "kept\n"},    {0, false, "dropped\n"}, {1, true, "both\n"}};
    std::vector<std::string> seen;
    auto collect = [](const char* entry, void* context) {
        static_cast<std::vector<std::string>*>(context)->push_back(std::string(entry).substr(28));
    };
    for (const auto& step : steps) {
        if (step.doLog >= 0) standin::SetByte(nullptr, settings::kModule, "DoLog", static_cast<uint8_t>(step.doLog));
        logging::SetObserver(step.observed ? +collect : nullptr, &seen);
        WriteLog("%s", step.text);
        if (step.text == std::string("observed\n")) {
            CloseLog();
            EXPECT_FALSE(std::filesystem::exists(dir.path() / "sms_log.txt")) << "while logging is off";
        }
    }
    logging::SetObserver(nullptr, nullptr);
    CloseLog();
    EXPECT_EQ(seen, (std::vector<std::string>{"observed\n", "both\n"}));
    std::string content = Lines(dir.file("sms_log.txt"));
    ASSERT_EQ(content.size(), 2u * 28 + 10);
    EXPECT_EQ(content.substr(28, 5) + content.substr(61), "kept\nboth\n");
}

TEST_F(LogTest, DefaultFileInWorkingFolderAppendsAfterEarlierRuns) {
    testutil::ScopedCurrentDir cwd(dir.path());
    testutil::WriteFile(dir.file("sms_log.txt"), "earlier run\n");
    standin::SetByte(nullptr, settings::kModule, "DoLog", 1);
    WriteLog("Cannot import all needed functions from WinInet, NETLIB will be used instead.\n");
    CloseLog();
    std::string content = Lines(dir.file("sms_log.txt"));
    ASSERT_EQ(content.rfind("earlier run\n", 0), 0u);
    std::string entry = content.substr(12);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(entry, m, kStamp)) << entry;
    EXPECT_EQ(m.position(0), 0);
    EXPECT_EQ(entry.substr(28), "Cannot import all needed functions from WinInet, NETLIB will be used instead.\n");
}

TEST_F(LogTest, FileNameIsTakenOnceUntilReload) {
    standin::SetByte(nullptr, settings::kModule, "DoLog", 1);
    standin::SetText(nullptr, settings::kModule, "Logfile", dir.file("first.txt"));
    WriteLog("one\n");
    standin::SetText(nullptr, settings::kModule, "Logfile", dir.file("second.txt"));
    WriteLog("two\n");
    CloseLog();
    WriteLog("three\n");   // reopened under the name taken first
    CloseLog();
    std::string first = Lines(dir.file("first.txt"));
    EXPECT_NE(first.find("one\n"), std::string::npos);
    EXPECT_NE(first.find("two\n"), std::string::npos);
    EXPECT_NE(first.find("three\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "second.txt"));
}

TEST_F(LogTest, TextWithoutLineBreakContinuesOnTheSameLine) {
    standin::SetByte(nullptr, settings::kModule, "DoLog", 1);
    standin::SetText(nullptr, settings::kModule, "Logfile", dir.file("log.txt"));
    WriteLog("SMS plugin startup failure: Error registering NETLIB user");
    WriteLog("next\n");
    CloseLog();
    std::string content = Lines(dir.file("log.txt"));
    ASSERT_EQ(std::count(content.begin(), content.end(), '\n'), 1);
    const std::string first = "SMS plugin startup failure: Error registering NETLIB user";
    ASSERT_EQ(content.substr(28, first.size()), first);
    std::string second = content.substr(28 + first.size());
    EXPECT_TRUE(std::regex_search(second, kStamp));
    EXPECT_EQ(second.substr(28), "next\n");
}

TEST_F(LogTest, LongEntryIsCutTo127999Bytes) {
    standin::SetByte(nullptr, settings::kModule, "DoLog", 1);
    standin::SetText(nullptr, settings::kModule, "Logfile", dir.file("log.txt"));
    std::string page(200000, 'x');
    WriteLog("Result: %s\n", page.c_str());
    CloseLog();
    std::string content = Lines(dir.file("log.txt"));
    EXPECT_EQ(content.size(), logging::kEntrySize - 1);
    EXPECT_EQ(content.back(), 'x');
}

TEST_F(LogTest, UnopenableFileLosesEntriesSilently) {
    standin::SetByte(nullptr, settings::kModule, "DoLog", 1);
    standin::SetText(nullptr, settings::kModule, "Logfile", dir.file("missing-folder/log.txt"));
    WriteLog("lost\n");
    std::filesystem::create_directories(dir.path() / "missing-folder");
    WriteLog("found\n");   // the next call tries again with the same name
    CloseLog();
    std::string content = Lines(dir.file("missing-folder/log.txt"));
    EXPECT_EQ(content.find("lost"), std::string::npos);
    EXPECT_NE(content.find("found\n"), std::string::npos);
}

TEST_F(LogTest, EntriesFromManyThreadsNeverInterleave) {
    standin::SetByte(nullptr, settings::kModule, "DoLog", 1);
    standin::SetText(nullptr, settings::kModule, "Logfile", dir.file("log.txt"));
    constexpr int kThreads = 8;
    constexpr int kEntries = 1000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kEntries; ++i) {
                // Two pieces per entry: a torn write would split them.
                WriteLog(" - thread %d entry %d %s\n", t, i, "payload-payload-payload-payload");
            }
        });
    }
    for (auto& thread : threads) thread.join();
    CloseLog();

    std::string content = Lines(dir.file("log.txt"));
    const std::regex line("(Sun|Mon|Tue|Wed|Thu|Fri|Sat) [A-Z][a-z]{2} [ 123][0-9] [0-9:]{8} [0-9]{4}    "
                          " - thread ([0-7]) entry ([0-9]+) payload-payload-payload-payload");
    std::vector<std::vector<int>> seen(kThreads);
    size_t start = 0;
    int lines = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        std::string one = content.substr(start, end - start);
        std::smatch m;
        ASSERT_TRUE(std::regex_match(one, m, line)) << "malformed entry: " << one;
        seen[std::stoi(m[2])].push_back(std::stoi(m[3]));
        ++lines;
        start = end + 1;
    }
    EXPECT_EQ(lines, kThreads * kEntries);
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(seen[t].size(), static_cast<size_t>(kEntries));
        for (int i = 0; i < kEntries; ++i) EXPECT_EQ(seen[t][i], i);   // each thread's own order kept
    }
}

// The stamp is the C standard's ctime layout of the moment, exactly: the
// names and numbers of the C library's own calendar, the day right-aligned
// in three places (Windows' C library pads it with a zero instead; both
// builds write the same line). One of the seconds around the write.
TEST_F(LogTest, StampIsTheCtimeOfTheMoment) {
    standin::SetByte(nullptr, settings::kModule, "DoLog", 1);
    standin::SetText(nullptr, settings::kModule, "Logfile", dir.file("log.txt"));
    const std::time_t before = std::time(nullptr);
    WriteLog("x\n");
    const std::time_t after = std::time(nullptr);
    CloseLog();
    const std::string stamp = Lines(dir.file("log.txt")).substr(0, 24);
    std::vector<std::string> moments;
    for (std::time_t t = before; t <= after; ++t) {
        char names[16], day[4], clock[32];
        const std::tm* local = std::localtime(&t);
        std::strftime(names, sizeof names, "%a %b", local);
        std::strftime(day, sizeof day, "%d", local);
        std::strftime(clock, sizeof clock, "%H:%M:%S %Y", local);
        if (day[0] == '0') day[0] = ' ';
        moments.push_back(std::string(names) + " " + day + " " + clock);
    }
    EXPECT_NE(std::find(moments.begin(), moments.end(), stamp), moments.end()) << stamp << " vs " << moments[0];
}

}  // namespace
