#include <gtest/gtest.h>

#include "StandIn.h"
#include "shell/Settings.h"

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { standin::Reset(); }
};

TEST_F(SettingsTest, DefaultsWhileAbsentAndNothingWrittenBack) {
    EXPECT_EQ(settings::GatewayPath(), ".\\Gateways");
    EXPECT_FALSE(settings::SenderNumber().has_value());
    EXPECT_EQ(settings::OnTooLong(), 1004u);
    EXPECT_EQ(settings::SplitNumber(), 2);
    EXPECT_FALSE(settings::NumberMsgs());
    EXPECT_FALSE(settings::ActivateOnNA());
    EXPECT_EQ(settings::Trigger(), "[SMS]");
    EXPECT_EQ(settings::UserMsgInterval(), 5);
    EXPECT_FALSE(settings::Active());
    EXPECT_FALSE(settings::DoLog());
    EXPECT_EQ(settings::Logfile(), "sms_log.txt");
    EXPECT_FALSE(settings::Verbose());
    EXPECT_TRUE(settings::UseWab());
    EXPECT_FALSE(settings::SuccessMsg().has_value());
    EXPECT_FALSE(settings::LastSelectedPrefix().has_value());
    EXPECT_TRUE(settings::ShowNonCriticalPopups());
    host::Contact contact = standin::AddContact();
    EXPECT_EQ(settings::LastSendTime(contact), 0u);
    for (const char* name : {"GatewayPath", "OnTooLong", "SplitNumber", "Trigger", "UseWab", "Logfile"}) {
        EXPECT_FALSE(standin::GetSetting(nullptr, settings::kModule, name).has_value()) << name;
    }
}

TEST_F(SettingsTest, StoredValuesWinOverDefaults) {
    standin::SetDword(nullptr, settings::kModule, "OnTooLong", 1005);
    standin::SetWord(nullptr, settings::kModule, "SplitNumber", 7);
    standin::SetByte(nullptr, settings::kModule, "UseWab", 0);
    standin::SetText(nullptr, settings::kModule, "Trigger", "");
    EXPECT_EQ(settings::OnTooLong(), 1005u);
    EXPECT_EQ(settings::SplitNumber(), 7);
    EXPECT_FALSE(settings::UseWab());
    EXPECT_EQ(settings::Trigger(), "");   // present and empty is not absent
}

TEST_F(SettingsTest, WritesAreTypedAndDeletesRemove) {
    host::Contact contact = standin::AddContact();
    ASSERT_TRUE(settings::WriteDword("LastSendTime", 1700000000u, contact));
    ASSERT_TRUE(settings::WriteText("SenderNumber", "43650 1234567"));
    ASSERT_TRUE(settings::WriteByte("DoLog", 1));
    ASSERT_TRUE(settings::WriteWord("UserMsgInterval", 65535));
    auto stored = standin::GetSetting(contact, settings::kModule, "LastSendTime");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, host::kDbDword);
    EXPECT_EQ(settings::LastSendTime(contact), 1700000000u);
    EXPECT_EQ(settings::LastSendTime(nullptr), 0u);   // per contact, not global
    EXPECT_EQ(standin::GetSetting(nullptr, settings::kModule, "DoLog")->type, host::kDbByte);
    EXPECT_EQ(settings::UserMsgInterval(), 65535);
    EXPECT_EQ(settings::SenderNumber().value_or(""), "43650 1234567");
    ASSERT_TRUE(settings::Delete("SenderNumber"));
    EXPECT_FALSE(settings::SenderNumber().has_value());
}

TEST_F(SettingsTest, TextWhereANumberBelongsCountsAsAbsent) {
    standin::SetText(nullptr, settings::kModule, "SplitNumber", "9");
    EXPECT_EQ(settings::SplitNumber(), 2);
}

TEST_F(SettingsTest, OtherModulesAreSeparate) {
    standin::SetByte(nullptr, settings::kNetModule, "DoLog", 1);
    EXPECT_FALSE(settings::DoLog());
    EXPECT_EQ(settings::ReadByte("DoLog", nullptr, settings::kNetModule).value_or(0), 1);
}

}  // namespace
