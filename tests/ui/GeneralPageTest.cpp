#include <gtest/gtest.h>

#include "StandIn.h"
#include "TempDir.h"
#include "catalogue/Catalogue.h"
#include "catalogue/GatewayFolder.h"
#include "shell/Forwarding.h"
#include "shell/Settings.h"
#include "shell/UserMessage.h"
#include "ui/GeneralPage.h"

namespace {

using settings::kModule;

class GeneralPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        static const usermsg::Interceptor quiet{[](const char*, void*) {}, nullptr, nullptr};
        usermsg::SetInterceptor(&quiet);
        host = dir.path() / "host";
        std::filesystem::create_directories(host / "Gateways");
        catalogue::SetExecutablePathForTests((host / "host.exe").string());
        // As the plug-in's start leaves it: ".\Gateways" resolved.
        std::string folder = ".\\Gateways";
        ResolveGatewayFolder(folder);
        SetGatewayFolder(folder);
        plugin::SetForwardingActive(0);
        CreateCatalogue();
    }
    void TearDown() override {
        FreeCatalogue();
        catalogue::SetExecutablePathForTests("");
        usermsg::SetInterceptor(nullptr);
    }
    static std::optional<standin::Setting> Stored(const char* name) {
        return standin::GetSetting(nullptr, kModule, name);
    }

    testutil::TempDir dir;
    std::filesystem::path host;
};

TEST_F(GeneralPageTest, AFreshProfileShowsTheDefaults) {
    ui::GeneralFields f = ui::LoadGeneralFields();
    EXPECT_EQ(f.gatewayFolder, (host / "Gateways").string());
    EXPECT_EQ(f.senderNumber, "");
    EXPECT_EQ(f.onTooLong, 1004u);
    EXPECT_EQ(f.splitNumber, "2");
    EXPECT_EQ(f.trigger, "[SMS]");
    EXPECT_EQ(f.userMsgInterval, "5");
    EXPECT_EQ(f.logfile, "sms_log.txt");
    EXPECT_TRUE(f.useWab);
    EXPECT_FALSE(f.numberMsgs || f.activateOnNA || f.forwardingActive || f.doLog || f.verbose);
    EXPECT_EQ(f.successMsg + f.failureMsg + f.floodMsg, "");
}

// Saving what was shown keeps every stored value with its type; the
// forwarding switch changes in memory only.
TEST_F(GeneralPageTest, SavingUnchangedKeepsValuesAndTypes) {
    standin::SetByte(nullptr, kModule, "NumberMsgs", 1);
    standin::SetDword(nullptr, kModule, "OnTooLong", 1005);
    standin::SetWord(nullptr, kModule, "SplitNumber", 7);
    standin::SetText(nullptr, kModule, "FloodMsg", "wait %d");
    standin::SetText(nullptr, kModule, "FailureMsg", "no luck");
    plugin::SetForwardingActive(1);
    ui::GeneralFields shown = ui::LoadGeneralFields();
    EXPECT_TRUE(shown.numberMsgs);
    EXPECT_TRUE(shown.forwardingActive);
    ui::SaveGeneralFields(shown);

    struct Expect {
        const char* name;
        uint8_t type;
        uint32_t number;
        const char* text;
    };
    const Expect expected[] = {
        {"GatewayPath", host::kDbText, 0, nullptr}, {"SenderNumber", host::kDbText, 0, ""},
        {"SplitNumber", host::kDbWord, 7, nullptr}, {"OnTooLong", host::kDbDword, 1005, nullptr},
        {"ActivateOnNA", host::kDbByte, 0, nullptr}, {"Trigger", host::kDbText, 0, "[SMS]"},
        {"UserMsgInterval", host::kDbWord, 5, nullptr}, {"DoLog", host::kDbByte, 0, nullptr},
        {"Logfile", host::kDbText, 0, "sms_log.txt"}, {"Verbose", host::kDbByte, 0, nullptr},
        {"UseWab", host::kDbByte, 1, nullptr}, {"SuccessMsg", host::kDbText, 0, ""},
        {"FailureMsg", host::kDbText, 0, "no luck"},
        {"FloodMsg", host::kDbText, 0, "wait %d"}, {"NumberMsgs", host::kDbByte, 1, nullptr},
    };
    for (const Expect& e : expected) {
        auto s = Stored(e.name);
        ASSERT_TRUE(s.has_value()) << e.name;
        EXPECT_EQ(s->type, e.type) << e.name;
        if (e.type == host::kDbText && e.text) {
            EXPECT_EQ(s->text, e.text) << e.name;
        }
        if (e.type != host::kDbText) {
            EXPECT_EQ(s->number, e.number) << e.name;
        }
    }
    EXPECT_EQ(Stored("GatewayPath")->text, (host / "Gateways").string());
    EXPECT_FALSE(Stored("Active").has_value());

    shown.forwardingActive = false;
    ui::SaveGeneralFields(shown);
    EXPECT_EQ(plugin::ForwardingActive(), 0);
    EXPECT_FALSE(Stored("Active").has_value());
}

// Each answer text changed on its own is saved, and only it; a long one is cut.
TEST_F(GeneralPageTest, EachChangedAnswerIsSaved) {
    using Field = std::string ui::GeneralFields::*;
    const std::pair<const char*, Field> answers[] = {{"SuccessMsg", &ui::GeneralFields::successMsg},
                                                     {"FailureMsg", &ui::GeneralFields::failureMsg},
                                                     {"FloodMsg", &ui::GeneralFields::floodMsg}};
    for (const auto& changed : answers) {
        SCOPED_TRACE(changed.first);
        for (const auto& a : answers) standin::SetText(nullptr, kModule, a.first, "old");
        ui::GeneralFields f = ui::LoadGeneralFields();
        f.*changed.second = std::string("new ") + changed.first;
        ui::SaveGeneralFields(f);
        for (const auto& a : answers) {
            EXPECT_EQ(Stored(a.first)->text, a.first == changed.first ? f.*changed.second : "old") << a.first;
        }
        f.*changed.second = std::string(1500, 'x');
        ui::SaveGeneralFields(f);
        EXPECT_EQ(Stored(changed.first)->text, std::string(1023, 'x'));
    }
}

TEST_F(GeneralPageTest, LongTextsAreCutAndTheFolderIsStoredAsTyped) {
    ui::GeneralFields f = ui::LoadGeneralFields();
    f.senderNumber = std::string(2000, '4');
    f.gatewayFolder = ".\\Other";
    ui::SaveGeneralFields(f);
    EXPECT_EQ(Stored("SenderNumber")->text.size(), 1023u);
    EXPECT_EQ(Stored("GatewayPath")->text, ".\\Other");
    // The folder in memory is the one a start would read; no rescan yet.
    EXPECT_EQ(GatewayFolder(), (host / "Other").string());
}

TEST(ReadCountField, DigitsOrZero) {
    const std::pair<const char*, uint16_t> cases[] = {
        {"", 0}, {"   ", 0}, {"12", 12}, {" 7 ", 7}, {"12a", 0}, {"-3", 0},
        {"65535", 65535}, {"65536", 65535}, {"99999999999999999999", 65535}, {"007", 7},
    };
    for (const auto& c : cases) EXPECT_EQ(ui::ReadCountField(c.first), c.second) << '"' << c.first << '"';
}

TEST_F(GeneralPageTest, RescanStoresTheResolvedFolderAndRebuilds) {
    testutil::WriteFile((host / "Gateways" / "a.ini").string(), "[Gateway]\nName=A\n");
    testutil::WriteFile((host / "Gateways" / "b.ini").string(), "[Gateway]\nName=B\n");
    EXPECT_EQ(CountGateways(), 0);
    EXPECT_EQ(ui::RescanGatewayFolder(".\\Gateways"), 2);
    EXPECT_EQ(Stored("GatewayPath")->text, (host / "Gateways").string());
    EXPECT_EQ(GatewayFolder(), (host / "Gateways").string());
    EXPECT_EQ(CountGateways(), 2);
    EXPECT_EQ(ui::GatewaysFoundText(2), "2 Gateways found.");

    EXPECT_EQ(ui::RescanGatewayFolder((host / "missing").string()), 0);
    EXPECT_EQ(CountGateways(), 0);
    standin::SetTranslationMarking(true);
    EXPECT_EQ(ui::GatewaysFoundText(0), "[T]0 Gateways found.");
}

}  // namespace
