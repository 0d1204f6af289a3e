#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StandIn.h"
#include "shell/Notice.h"
#include "shell/Settings.h"
#include "shell/UserMessage.h"

namespace {

struct Seen {
    std::vector<std::string> boxes;
    int beeps = 0;
};

class NoticeTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        interceptor = {[](const char* text, void* c) { static_cast<Seen*>(c)->boxes.push_back(text); },
                       [](void* c) { ++static_cast<Seen*>(c)->beeps; }, &seen};
        usermsg::SetInterceptor(&interceptor);
    }
    void TearDown() override { usermsg::SetInterceptor(nullptr); }
    Seen seen;
    usermsg::Interceptor interceptor{};
};

TEST_F(NoticeTest, PopupServiceShowsTheNoticeAndBeeps) {
    standin::SetPopupService(true, 0);
    ShowNotice("Error: No ; seperator in Prefix #2 in Gateway file a.ini");
    auto popups = standin::Popups();
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].title, "Parlet-Plugin");
    EXPECT_EQ(popups[0].text, "Error: No ; seperator in Prefix #2 in Gateway file a.ini");
    EXPECT_EQ(popups[0].seconds, -1);
    EXPECT_EQ(popups[0].styleName, "Warning");
    EXPECT_EQ(seen.beeps, 1);
    EXPECT_TRUE(seen.boxes.empty());
}

TEST_F(NoticeTest, WithoutPopupServiceAWarningBoxIsShown) {
    standin::SetPopupService(false);
    ShowNotice("Memory allocation error in InsertPageNum");
    ASSERT_EQ(seen.boxes.size(), 1u);
    EXPECT_EQ(seen.boxes[0], "Memory allocation error in InsertPageNum");
    EXPECT_EQ(seen.beeps, 0);
}

TEST_F(NoticeTest, RefusingPopupServiceFallsBackToTheBox) {
    standin::SetPopupService(true, -1);
    ShowNotice("refused");
    EXPECT_TRUE(standin::Popups().empty());   // the service saw it but showed nothing
    ASSERT_EQ(seen.boxes.size(), 1u);
    EXPECT_EQ(seen.beeps, 0);
}

TEST_F(NoticeTest, NonCriticalPopupsOffShowsNothingAtAll) {
    for (bool popups : {true, false}) {
        standin::SetPopupService(popups, 0);
        standin::SetByte(nullptr, settings::kModule, "ShowNonCriticalPopups", 0);
        ShowNotice("quiet");
    }
    EXPECT_TRUE(standin::Popups().empty());
    EXPECT_TRUE(seen.boxes.empty());
    EXPECT_EQ(seen.beeps, 0);
}

TEST_F(NoticeTest, LongTextIsCutToThePopupField) {
    standin::SetPopupService(true, 0);
    std::string text(5000, 'n');
    ShowNotice(text.c_str());
    auto popups = standin::Popups();
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].text, std::string(2047, 'n'));
}

}  // namespace
