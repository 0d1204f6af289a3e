#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <random>
#include <thread>

#include "AccountFixture.h"
#include "TempDir.h"
#include "catalogue/Accounts.h"
#include "script/profile/Profile.h"

namespace {

TEST(AccountFilePath, FinalIniWithCaseBecomesSac) {
    const struct {
        const char* definition;
        const char* accounts;
    } cases[] = {
        {"C:\\Gw\\abc.ini", "C:\\Gw\\abc.sac"},
        {"C:\\my.ini.d\\gw.ini", "C:\\my.ini.d\\gw.sac"},   // not C:\my.sac outside the folder
        {"/srv/x.ini/y.ini", "/srv/x.ini/y.sac"},
        {"C:\\Gw\\abc.INI", ""},
        {"C:\\Gw\\abc.Ini", ""},
        {"C:\\my.ini.d\\gw.txt", ""},
        {"abc.ini.bak", ""},
        {"x.ini", "x.sac"},
        {".ini", ".sac"},
        {"ini", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.accounts, AccountFilePath(c.definition)) << c.definition;
}

class AccountsTest : public ::testing::Test {
protected:
    void SetUp() override { file = dir.file("gw.sac"); }

    void Accounts(const std::string& content) { testutil::WriteFile(file, content); }
    static std::string Numbered(int from, int to, bool passwords = true) {
        std::string out;
        for (int n = from; n <= to; ++n) {
            out += "[Account" + std::to_string(n) + "]\nUsername=user" + std::to_string(n) + "\n";
            if (passwords) out += "Password=pass" + std::to_string(n) + "\n";
        }
        return out;
    }
    // "user:password" of accounts 1, 2, ... up to the first missing one.
    std::vector<std::string> List() {
        std::vector<std::string> out;
        AccountCredentials account;
        for (int n = 1; ReadAccount(file, n, &account) == 0; ++n) {
            out.push_back(account.user + ":" + (account.password ? *account.password : "<none>"));
        }
        return out;
    }
    bool NoTempSections() { return testutil::ReadFile(file).find("[Temp") == std::string::npos; }

    testutil::TempDir dir;
    std::string file;
};

using Accs = std::vector<std::string>;

// The account that worked becomes account 1 and the others follow in turn;
// what is no account of the list (past a gap, a password without a user,
// other keys and sections) stays as it is, and a number that is no account
// of the list changes nothing. A missing section and an empty Username are
// both gaps: a stale number at or past one never rotates an empty user into
// account 1.
TEST_F(AccountsTest, RenumberingPutsTheWorkingAccountFirst) {
    const std::string past4 = "[Account4]\nUsername=user4\nPassword=pass4\n";
    const std::string emptyUser = "[Account3]\nUsername=\nPassword=pass3\n";
    const std::string otherKeys = "[Info]\nNote=keep\n[Account1]\nUsername=user1\nExtra=one\nPassword=pass1\n";
    const Accs one2 = {"user1:pass1", "user2:pass2"}, two1 = {"user2:pass2", "user1:pass1"};
    const Accs three = {"user1:pass1", "user2:pass2", "user3:pass3"};
    const struct {
        std::string content;
        int number;
        int result;
        Accs after;
        std::vector<std::vector<std::string>> reads;   // section, key, value afterwards
    } cases[] = {
        {Numbered(1, 4), 3, 0, {"user3:pass3", "user4:pass4", "user1:pass1", "user2:pass2"}, {}},
        {Numbered(1, 2), 2, 0, two1, {}},
        {Numbered(1, 3), 1, 0, three, {}},
        {Numbered(1, 3), 4, -1, three, {}},
        {Numbered(1, 3), 0, -1, three, {}},
        {Numbered(1, 3), 256, -1, three, {}},
        {Numbered(1, 3) + "[Account4]\nPassword=kept4\n", 2, 0, {"user2:pass2", "user3:pass3", "user1:pass1"},
         {{"Account4", "Password", "kept4"}}},
        {"[Account1]\nUsername=user1\nPassword=pass1\n[Account2]\nUsername=user2\n", 2, 0,
         {"user2:<none>", "user1:pass1"}, {}},
        {otherKeys + Numbered(2, 2), 2, 0, two1, {{"Info", "Note", "keep"}, {"Account1", "Extra", "one"}}},
        {Numbered(1, 2) + past4, 4, -1, one2, {}},
        {Numbered(1, 2) + past4, 3, -1, one2, {}},
        {Numbered(1, 2) + past4, 2, 0, two1,
         {{"Account4", "Username", "user4"}, {"Account4", "Password", "pass4"}, {"Account3", "Username", ""}}},
        {Numbered(1, 2) + emptyUser + past4, 3, -1, one2, {}},
        {Numbered(1, 2) + emptyUser + past4, 2, 0, two1, {{"Account4", "Username", "user4"}, {"Account3", "Username", ""}}},
    };
    for (const auto& c : cases) {
        Accounts(c.content);
        const std::string before = testutil::ReadFile(file);
        EXPECT_EQ(c.result, RotateAccounts(file, c.number)) << c.content << c.number;
        EXPECT_EQ(c.after, List()) << c.content << c.number;
        if (c.result != 0 || c.number == 1) {
            EXPECT_EQ(before, testutil::ReadFile(file)) << c.number;
        }
        for (const auto& r : c.reads) EXPECT_EQ(r[2], profile::Read(file.c_str(), r[0].c_str(), r[1].c_str(), 256));
        EXPECT_TRUE(NoTempSections());
    }
    EXPECT_EQ(-1, RotateAccounts("", 2));
}

// Two sends that end at once (the relay's and the user's) both renumber the
// same file: no account may be lost or doubled on the way.
TEST_F(AccountsTest, ConcurrentRenumberingsKeepEveryAccount) {
    Accounts(Numbered(1, 4));
    auto rotate = [&](int number) {
        for (int i = 0; i < 15; ++i) RotateAccounts(file, number);
    };
    std::thread a(rotate, 2), b(rotate, 3);
    a.join();
    b.join();
    Accs after = List();
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, (Accs{"user1:pass1", "user2:pass2", "user3:pass3", "user4:pass4"}));
    EXPECT_TRUE(NoTempSections());
}

// A renumbering also clears the temporaries that killed ones left beside
// the file, and only this file's.
TEST_F(AccountsTest, RenumberingClearsOnlyThisFilesLeftovers) {
    Accounts(Numbered(1, 2));
    testutil::WriteFile(file + ".~999-0", "left by a kill");
    testutil::WriteFile(dir.file("oldgw.sac.~999-0"), "another file's");
    ASSERT_EQ(0, RotateAccounts(file, 2));
    EXPECT_EQ((Accs{"user2:pass2", "user1:pass1"}), List());
    EXPECT_TRUE(NoTempSections());
    EXPECT_FALSE(std::filesystem::exists(file + ".~999-0"));
    EXPECT_TRUE(std::filesystem::exists(dir.file("oldgw.sac.~999-0")));
}

TEST_F(AccountsTest, TempSectionsLeftByAnOlderVersionStayAsTheyAre) {
    // They may hold the only copy of an account: never taken for accounts,
    // never overwritten, never deleted.
    const std::string temps = "[Temp2]\r\nUsername=old\r\nPassword=stale\r\n[Temp4]\r\nUsername=ghost\r\n";
    Accounts(Numbered(1, 3) + temps);
    ASSERT_EQ(0, RotateAccounts(file, 2));
    EXPECT_EQ((Accs{"user2:pass2", "user3:pass3", "user1:pass1"}), List());
    const std::string after = testutil::ReadFile(file);
    EXPECT_EQ(after.substr(after.size() - temps.size()), temps);
}

TEST_F(AccountsTest, EveryValueReadsTheSameAfterRenumbering) {
    // Password as written in the file, and as it reads.
    const struct {
        std::string stored, reads;
    } cases[] = {
        {"\" spaced pass \"", " spaced pass "},
        {"'single'", "single"},
        {"\"\"", ""},
        {"\"'mixed'\"", "'mixed'"},
        {"a=b;c", "a=b;c"},
        {"\"open", "\"open"},
        {std::string(32767, 'p'), std::string(32767, 'p')},
        {"\"" + std::string(32765, 'q') + "\"", std::string(32765, 'q')},
        {"\xF5\xFC \xE4", "\xF5\xFC \xE4"},
    };
    std::string content;
    int n = 0;
    for (const auto& c : cases) {
        ++n;
        content += "[Account" + std::to_string(n) + "]\r\nUsername=user" + std::to_string(n) + "\r\nPassword=" + c.stored + "\r\n";
    }
    Accounts(content);
    // Each account in turn comes first: every value moves through every slot.
    for (int round = 1; round <= n; ++round) ASSERT_EQ(0, RotateAccounts(file, 2)) << round;
    for (int k = 1; k <= n; ++k) {
        // After n renumberings by one, every account is back in its own slot.
        std::string section = "Account" + std::to_string(k);
        EXPECT_EQ("user" + std::to_string(k), profile::Read(file.c_str(), section.c_str(), "Username", 256));
        EXPECT_EQ(cases[k - 1].reads, profile::Read(file.c_str(), section.c_str(), "Password", torture::kReadSize))
            << cases[k - 1].stored.substr(0, 20);
    }
    ASSERT_EQ(0, RotateAccounts(file, 3));
    EXPECT_EQ(cases[2].reads, profile::Read(file.c_str(), "Account1", "Password", torture::kReadSize));
}

TEST_F(AccountsTest, WithoutTheLockNothingChanges) {
    Accounts(Numbered(1, 3));
    const std::string before = testutil::ReadFile(file);
    std::filesystem::create_directory(AccountLockPath(file));   // cannot be opened as a lock file
    EXPECT_EQ(-1, RotateAccounts(file, 2));
    EXPECT_EQ(before, testutil::ReadFile(file));
}

TEST_F(AccountsTest, TwoThreadsRenumberingAtOnceLeaveTheFileIntact) {
    constexpr size_t kLong = 5000;
    torture::WriteFixture(file, kLong);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 2; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 random(t);
            for (int round = 0; round < 200; ++round) {
                if (RotateAccounts(file, 2 + static_cast<int>(random() % 4)) != 0) ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(torture::CheckFixture(file, kLong, true), "");
}

TEST_F(AccountsTest, LongValuesSurviveRenumbering) {
    const std::string password(2000, 'p');
    Accounts("[Account1]\nUsername=user1\nPassword=" + password + "\n[Account2]\nUsername=user2\n");
    ASSERT_EQ(0, RotateAccounts(file, 2));
    EXPECT_EQ(password, profile::Read(file.c_str(), "Account2", "Password", 4096));
}

TEST_F(AccountsTest, ReaderTakesUpTo1023Characters) {
    Accounts("[Account1]\nUsername=" + std::string(1500, 'u') + "\nPassword=\n");
    AccountCredentials account;
    ASSERT_EQ(0, ReadAccount(file, 1, &account));
    EXPECT_EQ(std::string(1023, 'u'), account.user);
    EXPECT_FALSE(account.password.has_value());
    EXPECT_EQ(-1, ReadAccount(file, 2, &account));
    EXPECT_EQ(-1, ReadAccount(file, 0, &account));
    EXPECT_EQ(-1, ReadAccount(dir.file("missing.sac"), 1, &account));
}

}  // namespace
