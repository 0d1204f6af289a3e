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
    standin::SetPopupService(true, 1);
    ShowNotice("Error: No ; seperator in Prefix #2 in Gateway file a.ini");
    auto popups = standin::Popups();
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].title, "Parlet-Plugin");
    EXPECT_EQ(popups[0].text, "Error: No ; seperator in Prefix #2 in Gateway file a.ini");
    EXPECT_EQ(popups[0].seconds, -1);
    EXPECT_TRUE(popups[0].spareClear);
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

// The popup plug-in's answers: only a popup it made keeps the box away.
TEST_F(NoticeTest, APopupNotMadeFallsBackToTheBox) {
    const struct {
        int result;
        bool box;
    } cases[] = {{1, false}, {7, false}, {0, true}, {-1, true}, {-2, true}};
    std::vector<std::string> made;
    for (const auto& c : cases) {
        seen = Seen{};
        standin::SetPopupService(true, c.result);
        const std::string text = "answer " + std::to_string(c.result);
        ShowNotice(text.c_str());
        EXPECT_EQ(seen.boxes, c.box ? std::vector<std::string>{text} : std::vector<std::string>{}) << c.result;
        EXPECT_EQ(seen.beeps, c.box ? 0 : 1) << c.result;
        if (!c.box) made.push_back(text);
    }
    std::vector<std::string> recorded;
    for (const auto& popup : standin::Popups())
        if (popup.text.rfind("answer ", 0) == 0) recorded.push_back(popup.text);
    EXPECT_EQ(recorded, made) << "the stand-in records only the popups made";
}

TEST_F(NoticeTest, NonCriticalPopupsOffShowsNothingAtAll) {
    for (bool popups : {true, false}) {
        standin::SetPopupService(popups);
        standin::SetByte(nullptr, settings::kModule, "ShowNonCriticalPopups", 0);
        ShowNotice("quiet");
    }
    EXPECT_TRUE(standin::Popups().empty());
    EXPECT_TRUE(seen.boxes.empty());
    EXPECT_EQ(seen.beeps, 0);
}

TEST_F(NoticeTest, LongTextIsCutToThePopupField) {
    standin::SetPopupService(true);
    std::string text(5000, 'n');
    ShowNotice(text.c_str());
    auto popups = standin::Popups();
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].text, std::string(2047, 'n'));
}

}  // namespace
