#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "HostCalls.h"
#include "TempDir.h"

namespace {

using testutil::ReadFile;
using testutil::WriteFile;

const std::string kAwkward[] = {
    "",
    "a=b=c",
    "line one\nline two\r\nthree\n",
    "quote \" and back\\slash \\x41 \\n",
    "\xC3\xA4\xC3\xB6\xFC\xFF\x80 non-ASCII",
    std::string("zero\0inside", 11),
    "\t leading and trailing blanks ",
    "#not a comment",
    "\"",
    "end",
};

class DatabaseFileTest : public ::testing::Test {
protected:
    void SetUp() override { standin::Reset(); }
    testutil::TempDir dir;
};

struct Fixture {
    std::vector<host::Contact> contacts;
};

// A database with every type, awkward texts and names, and gaps in the
// contact numbering.
Fixture Fill() {
    Fixture f;
    for (int i = 0; i < 5; ++i) f.contacts.push_back(standin::AddContact());
    standin::DeleteContact(f.contacts[1]);
    standin::DeleteContact(f.contacts[3]);
    f.contacts = {f.contacts[0], f.contacts[2], f.contacts[4]};
    standin::SetByte(nullptr, "Parlet-Plugin", "UseWab", 255);
    standin::SetWord(nullptr, "Parlet-Plugin", "SplitNumber", 65535);
    standin::SetDword(nullptr, "Parlet-Plugin", "OnTooLong", 0xFFFFFFFFu);
    standin::SetByte(f.contacts[0], "CList", "Hidden", 1);
    standin::SetText(f.contacts[0], "Protocol", "p", "ZUVE_ROV");
    standin::SetDword(f.contacts[2], "Parlet-Plugin", "LastSendTime", 1700000000u);
    int n = 0;
    for (const std::string& text : kAwkward) {
        standin::SetText(nullptr, "Awkward", ("T" + std::to_string(n)).c_str(), text);
        standin::SetText(f.contacts[1], "Odd = module \"x\"", ("name with = and \n " + std::to_string(n)).c_str(),
                         text);
        ++n;
    }
    return f;
}

TEST_F(DatabaseFileTest, RoundTripKeepsContactsTypesAndAwkwardTexts) {
    Fixture f = Fill();
    std::string path = dir.file("db.txt");
    ASSERT_TRUE(standin::SaveDatabase(path));
    std::string saved = ReadFile(path);

    standin::Reset();
    EXPECT_TRUE(standin::Contacts().empty());
    ASSERT_TRUE(standin::LoadDatabase(path));

    EXPECT_EQ(standin::Contacts(), f.contacts) << "handles and order survive";
    auto byte = standin::GetSetting(nullptr, "Parlet-Plugin", "UseWab");
    auto word = standin::GetSetting(nullptr, "Parlet-Plugin", "SplitNumber");
    auto dword = standin::GetSetting(nullptr, "Parlet-Plugin", "OnTooLong");
    ASSERT_TRUE(byte && word && dword);
    EXPECT_EQ(byte->type, host::kDbByte);
    EXPECT_EQ(byte->number, 255u);
    EXPECT_EQ(word->type, host::kDbWord);
    EXPECT_EQ(word->number, 65535u);
    EXPECT_EQ(dword->type, host::kDbDword);
    EXPECT_EQ(dword->number, 0xFFFFFFFFu);
    EXPECT_EQ(standin::GetSetting(f.contacts[0], "Protocol", "p")->text, "ZUVE_ROV");
    EXPECT_EQ(standin::GetSetting(f.contacts[2], "Parlet-Plugin", "LastSendTime")->number, 1700000000u);
    int n = 0;
    for (const std::string& text : kAwkward) {
        auto global = standin::GetSetting(nullptr, "Awkward", ("T" + std::to_string(n)).c_str());
        auto odd = standin::GetSetting(f.contacts[1], "Odd = module \"x\"",
                                       ("name with = and \n " + std::to_string(n)).c_str());
        ASSERT_TRUE(global.has_value()) << n;
        ASSERT_TRUE(odd.has_value()) << n;
        EXPECT_EQ(global->type, host::kDbText);
        EXPECT_EQ(global->text, text) << n;
        EXPECT_EQ(odd->text, text) << n;
        ++n;
    }
    EXPECT_FALSE(standin::GetSetting(nullptr, "Awkward", "T99").has_value());

    // Saving what was loaded gives the same file; new contacts come after the old.
    ASSERT_TRUE(standin::SaveDatabase(path));
    EXPECT_EQ(ReadFile(path), saved);
    host::Contact next = standin::AddContact();
    EXPECT_GT(reinterpret_cast<uintptr_t>(next), reinterpret_cast<uintptr_t>(f.contacts.back()));
}

TEST_F(DatabaseFileTest, FileIsReadableTextOneRecordALine) {
    host::Contact c = standin::AddContact();
    standin::SetText(c, "UserInfo", "MyPhone0", "+43 (650) 1234567 SMS");
    standin::SetText(nullptr, "Parlet-Plugin", "FloodMsg", "wait %d\nminutes \xE4");
    std::string path = dir.file("db.txt");
    ASSERT_TRUE(standin::SaveDatabase(path));
    std::string text = ReadFile(path);
    EXPECT_NE(text.find("contact 1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("setting 1 \"UserInfo\" \"MyPhone0\" text \"+43 (650) 1234567 SMS\"\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\"wait %d\\nminutes \\xE4\""), std::string::npos) << text;
    for (unsigned char ch : text) EXPECT_TRUE(ch == '\n' || (ch >= 0x20 && ch < 0x7F)) << int(ch);
}

TEST_F(DatabaseFileTest, SavingReplacesTheFileAndLeavesNoTemporary) {
    std::string path = dir.file("db.txt");
    WriteFile(path, "old content");
    standin::SetByte(nullptr, "M", "B", 1);
    ASSERT_TRUE(standin::SaveDatabase(path));
    EXPECT_NE(ReadFile(path), "old content");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++files;
        EXPECT_EQ(entry.path().filename().string(), "db.txt");
    }
    EXPECT_EQ(files, 1);

    EXPECT_FALSE(standin::SaveDatabase(dir.file("missing-folder/db.txt")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing-folder")));
    EXPECT_FALSE(standin::SaveDatabase(""));
}

TEST_F(DatabaseFileTest, EveryCutOfAFileIsRefusedAndChangesNothing) {
    Fill();
    std::string path = dir.file("db.txt");
    ASSERT_TRUE(standin::SaveDatabase(path));
    std::string whole = ReadFile(path);
    ASSERT_GT(whole.size(), 100u);

    standin::Reset();
    host::Contact mine = standin::AddContact();
    standin::SetText(mine, "Keep", "Me", "here");
    std::string cut = dir.file("cut.txt");
    // Every line boundary (whole lines, but no end) and its neighbours, and
    // a spread of cuts inside lines.
    // Only the final line break may go: the end record shows the file whole.
    for (size_t length = 0; length + 1 < whole.size(); ++length) {
        bool nearLineEnd = whole[length] == '\n' || (length > 0 && whole[length - 1] == '\n') ||
                           (length > 1 && whole[length - 2] == '\n');
        if (!nearLineEnd && length % 7 != 0) continue;
        WriteFile(cut, whole.substr(0, length));
        ASSERT_FALSE(standin::LoadDatabase(cut)) << "accepted a file cut at " << length;
    }
    EXPECT_EQ(standin::Contacts(), std::vector<host::Contact>{mine});
    EXPECT_EQ(standin::GetSetting(mine, "Keep", "Me")->text, "here");
    std::string error;
    EXPECT_FALSE(standin::LoadDatabase(dir.file("no-such-file.txt"), &error));
    EXPECT_NE(error.find("no-such-file.txt: "), std::string::npos) << error;
    WriteFile(cut, whole.substr(0, whole.size() - 1));
    ASSERT_TRUE(standin::LoadDatabase(cut)) << "a file without its final line break is whole";
    EXPECT_NE(standin::Contacts(), std::vector<host::Contact>{mine});
}

TEST_F(DatabaseFileTest, MalformedFilesAreRefused) {
    const std::string head = "parlet-standin-database 1\n";
    const std::string cases[] = {
        "",
        "garbage\nend\n",
        "parlet-standin-database 2\nend\n",
        head + "contact 0\nend\n",
        head + "contact 1\ncontact 1\nend\n",
        head + "contact 99999999999999999999999\nend\n",
        head + "contact -1\nend\n",
        head + "contact 1x\nend\n",
        head + "setting 5 \"M\" \"N\" byte 1\nend\n",
        head + "setting 0 \"M\" \"N\" byte 256\nend\n",
        head + "setting 0 \"M\" \"N\" word 65536\nend\n",
        head + "setting 0 \"M\" \"N\" dword 4294967296\nend\n",
        head + "setting 0 \"M\" \"N\" float 1\nend\n",
        head + "setting 0 \"M\" \"N\" text \"unterminated\nend\n",
        head + "setting 0 \"M\" \"N\" text \"bad \\q escape\"\nend\n",
        head + "setting 0 \"M\" \"N\" text \"short \\x4\"\nend\n",
        head + "setting 0 \"M\" \"N\" text \"hex \\xZZ\"\nend\n",
        head + "setting 0 \"M\" \"N\" text \"ends in backslash\\\nend\n",
        head + "setting 0 \"M\" \"N\" text \"a\" trailing\nend\n",
        head + "setting 0 \"M\" \"N\" byte 1\nsetting 0 \"M\" \"N\" byte 2\nend\n",
        head + "setting 0 M N byte 1\nend\n",
        head + "setting  0 \"M\" \"N\" byte 1\nend\n",
        head + "setting 0 \"M\" \"N\" byte\nend\n",
        head + "end\ncontact 1\n",
        head + "end\nend\n",
        head + "end extra\n",
        head + "unknown record\nend\n",
    };
    standin::SetText(nullptr, "Keep", "Me", "here");
    std::string path = dir.file("bad.txt");
    int n = 0;
    for (const std::string& content : cases) {
        WriteFile(path, content);
        std::string error;
        EXPECT_FALSE(standin::LoadDatabase(path, &error)) << "case " << n << ": " << content;
        EXPECT_EQ(error.compare(0, path.size() + 1, path + ":"), 0) << error;
        ++n;
    }
    // The reason names the line at fault.
    WriteFile(path, head + "# note\nsetting 0 \"M\" \"N\" byte 256\nend\n");
    std::string error;
    EXPECT_FALSE(standin::LoadDatabase(path, &error));
    EXPECT_EQ(error, path + ":3: the number is missing or too large for its type");
    EXPECT_EQ(standin::GetSetting(nullptr, "Keep", "Me")->text, "here");

    // The lenient parts: comments, blank lines and CR LF line ends.
    WriteFile(path, "# saved by hand\r\n\r\n" + head + "contact 3\r\nsetting 3 \"M\" \"N\" text \"x\"\r\nend\r\n\n");
    ASSERT_TRUE(standin::LoadDatabase(path));
    EXPECT_EQ(standin::Contacts(), std::vector<host::Contact>{reinterpret_cast<host::Contact>(3)});
    EXPECT_FALSE(standin::GetSetting(nullptr, "Keep", "Me").has_value()) << "a load replaces the database";
}

// Flipped bytes anywhere in a good file: loading either refuses the file or
// takes it whole, and never crashes.
TEST_F(DatabaseFileTest, CorruptedBytesNeverCrashALoad) {
    Fill();
    std::string path = dir.file("db.txt");
    ASSERT_TRUE(standin::SaveDatabase(path));
    const std::string whole = ReadFile(path);
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFFFF;
    };
    int refused = 0;
    for (int round = 0; round < 120; ++round) {
        std::string bad = whole;
        for (int flips = 1 + next() % 3; flips > 0; --flips) bad[next() % bad.size()] = static_cast<char>(next() & 0xFF);
        WriteFile(dir.file("bad.txt"), bad);
        if (!standin::LoadDatabase(dir.file("bad.txt"))) ++refused;
    }
    EXPECT_GT(refused, 0);
    std::string garbage;
    for (int i = 0; i < 5000; ++i) garbage += static_cast<char>(next() & 0xFF);
    WriteFile(dir.file("garbage.txt"), garbage);
    EXPECT_FALSE(standin::LoadDatabase(dir.file("garbage.txt")));
}

}  // namespace
