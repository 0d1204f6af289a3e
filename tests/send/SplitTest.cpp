#include <gtest/gtest.h>

#include <cstring>

#include "StandIn.h"
#include "TempDir.h"
#include "catalogue/Catalogue.h"
#include "send/Preview.h"
#include "send/Split.h"
#include "shell/Settings.h"

namespace {

class SplitTest : public ::testing::Test {
protected:
    void SetUp() override { standin::Reset(); }
    static void Numbering(bool on, int splitNumber = -1) {
        standin::SetByte(nullptr, settings::kModule, "NumberMsgs", on ? 1 : 0);
        if (splitNumber >= 0) standin::SetWord(nullptr, settings::kModule, "SplitNumber", static_cast<uint16_t>(splitNumber));
    }
};

TEST_F(SplitTest, NumberingOffInsertsNothing) {
    std::string text = "hello";
    EXPECT_EQ(-1, InsertPageNum(text, 1, 300, 160));   // "NumberMsgs" missing
    Numbering(false);
    EXPECT_EQ(-1, InsertPageNum(text, 1, 300, 160));
    EXPECT_EQ("hello", text);
}

struct LabelCase {
    uint32_t fullLength;
    uint32_t maxChars;
    int splitNumber;   // -1: setting missing
    int part;
    const char* label;
};

TEST_F(SplitTest, LabelArithmetic) {
    const LabelCase cases[] = {
        {300, 160, 2, 1, "1/2"},
        {320, 160, 5, 1, "1/2"},          // an even division
        {321, 160, 5, 1, "1/3"},
        {1000, 160, 2, 1, "1/2"},         // capped by SplitNumber
        {1000, 160, -1, 2, "2/2"},        // SplitNumber missing = 2
        {1000, 160, 10, 7, "7/7"},
        {320, 160, 5, 3, "3/2"},          // the total does not count the labels' room
        {1200, 100, 20, 10, "10/12"},
        {500, 0, 5, 2, "2/2"},            // no limit: this part is the last
        {500, 0, 5, 1, "1/1"},
        {100000, 100, 1000, 1000, "1000/1000"},   // never cut to fit a small buffer
        {4294967295u, 1, 65535, 65535, "65535/65535"},
        {300, 160, 0, 1, "1/1"},          // SplitNumber 0 still announces one part
        {0, 160, 5, 1, "1/1"},
    };
    for (const LabelCase& c : cases) {
        standin::Reset();
        Numbering(true, c.splitNumber);
        std::string text = "abc";
        int length = InsertPageNum(text, c.part, c.fullLength, c.maxChars);
        EXPECT_EQ(std::string(c.label) + "abc", text) << c.fullLength << "/" << c.maxChars << " part " << c.part;
        EXPECT_EQ(static_cast<int>(std::strlen(c.label)), length);
    }
}

TEST_F(SplitTest, PartNumberBelowOneInsertsNothing) {
    Numbering(true, 5);
    std::string text = "abc";
    EXPECT_EQ(-1, InsertPageNum(text, 0, 300, 160));
    EXPECT_EQ("abc", text);
}

const charset::Charset kUtf8 = charset::Charset::Utf8();

// What the send job does with a message that is split: part after part,
// the last one labelled too, until the message is out or splitNumber parts
// are; *unsent gets what is left.
std::vector<std::string> SplitAll(const std::string& message, uint32_t maxChars, int splitNumber,
                                  std::string* unsent = nullptr) {
    std::vector<std::string> parts;
    std::string rest = message;
    for (int part = 1; part <= splitNumber && !rest.empty(); ++part) {
        std::string out;
        size_t taken = 0;
        bool last = false;
        if (NextPart(rest, part, static_cast<uint32_t>(message.size()), maxChars, kUtf8, &out, &taken, &last) != 0) break;
        parts.push_back(out);
        rest.erase(0, taken);
    }
    if (unsent) *unsent = rest;
    return parts;
}

TEST_F(SplitTest, NoPartIsLongerThanMaxCharsAndNoCharacterIsCut) {
    std::string ascii312;
    for (int i = 0; i < 312; ++i) ascii312 += static_cast<char>('a' + i % 26);
    std::string umlauts;   // 2-byte characters from byte 0 on
    for (int i = 0; i < 150; ++i) umlauts += "\xC3\xA4";
    const std::string han = "ab" + [] { std::string s; for (int i = 0; i < 100; ++i) s += "\xE4\xB8\xAD"; return s; }();
    const struct {
        const char* name;
        std::string message;
        uint32_t maxChars;
        int splitNumber;
        std::vector<size_t> sizes;   // of the parts, labels included
        size_t unsent;
    } cases[] = {
        {"a labelled last part that would be 161 bytes", ascii312, 160, 2, {157, 157}, 4},
        {"... goes out as a third part when allowed", ascii312, 160, 3, {157, 157, 7}, 0},
        {"2-byte characters, an odd room of 155 bytes", umlauts, 161, 2, {3 + 154, 3 + 146}, 0},
        {"3-byte characters after 2 ASCII", han, 160, 2, {3 + 152, 3 + 150}, 0},
    };
    Numbering(true, 10);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        standin::SetWord(nullptr, settings::kModule, "SplitNumber", static_cast<uint16_t>(c.splitNumber));
        std::string unsent;
        auto parts = SplitAll(c.message, c.maxChars, c.splitNumber, &unsent);
        std::vector<size_t> sizes;
        std::string joined;
        for (const std::string& p : parts) {
            sizes.push_back(p.size());
            EXPECT_LE(p.size(), c.maxChars);
            std::string body = p.substr(p.find('/') + 2);   // single-digit labels here
            EXPECT_TRUE(charset::utf8::Valid(body, nullptr)) << p;
            joined += body;
        }
        EXPECT_EQ(c.sizes, sizes);
        EXPECT_EQ(c.unsent, unsent.size());
        EXPECT_EQ(c.message, joined + unsent);
    }
}

TEST_F(SplitTest, PartsOfA320ByteMessage) {
    Numbering(true, 5);
    std::string message;
    for (int i = 0; i < 320; ++i) message += static_cast<char>('a' + i % 26);
    auto parts = SplitAll(message, 160, 5);
    ASSERT_EQ(3u, parts.size());
    EXPECT_EQ("1/2" + message.substr(0, 154), parts[0]);
    EXPECT_EQ("2/2" + message.substr(154, 154), parts[1]);
    EXPECT_EQ("3/2" + message.substr(308), parts[2]);
}

TEST_F(SplitTest, UnnumberedPartsTakeTheWholeLimit) {
    Numbering(false);
    std::string message(400, 'x');
    auto parts = SplitAll(message, 160, 5);
    ASSERT_EQ(3u, parts.size());
    EXPECT_EQ(160u, parts[0].size());
    EXPECT_EQ(160u, parts[1].size());
    EXPECT_EQ(80u, parts[2].size());
}

TEST_F(SplitTest, NoRoomBesideTheLabelRefusesThePart) {
    Numbering(true, 5);
    const std::string rest(50, 'x');
    struct {
        uint32_t maxChars;
        int result;
        size_t taken;
    } cases[] = {{0, -1, 0}, {3, -1, 0}, {6, -1, 0}, {7, 0, 1}, {2, -1, 0}};
    for (const auto& c : cases) {
        std::string out = "unchanged";
        size_t taken = 0;
        EXPECT_EQ(c.result, MakeSplitPart(rest, 1, 50, c.maxChars, kUtf8, &out, &taken)) << c.maxChars;
        if (c.result == 0) {
            EXPECT_EQ(c.taken, taken);
            EXPECT_EQ(c.maxChars - 3, out.size());
            EXPECT_EQ(0u, out.find("1/"));
        } else {
            EXPECT_EQ("unchanged", out);
        }
    }
    std::string out;
    size_t taken = 0;
    EXPECT_EQ(-1, MakeSplitPart("", 1, 50, 160, kUtf8, &out, &taken));
}

TEST_F(SplitTest, FiveDigitLabelNeedsItsRoomTwice) {
    Numbering(true, 20);
    std::string out;
    size_t taken = 0;
    // "10/12" is 5 bytes: a limit of 11 leaves one byte of text.
    ASSERT_EQ(0, MakeSplitPart(std::string(100, 'y'), 10, 132, 11, kUtf8, &out, &taken));
    EXPECT_EQ("10/12y", out);
    EXPECT_EQ(1u, taken);
    EXPECT_EQ(-1, MakeSplitPart(std::string(100, 'y'), 10, 132, 10, kUtf8, &out, &taken));
}

// Four-byte characters after 0 to 3 ASCII bytes, cut and split at every
// limit: each part is whole UTF-8 and the parts give the text back.
TEST_F(SplitTest, NoLimitCutsAFourByteCharacter) {
    std::string emoji;
    for (int i = 0; i < 12; ++i) emoji += "\xF0\x9F\x98\x80";
    for (uint32_t mode : {settings::kCutLongMessages, settings::kSplitLongMessages}) {
        standin::SetDword(nullptr, settings::kModule, "OnTooLong", mode);
        Numbering(mode == settings::kSplitLongMessages, 60);
        for (int lead = 0; lead < 4; ++lead) {
            const std::string text = std::string(static_cast<size_t>(lead), 'a') + emoji;
            for (int32_t maxChars = 4; maxChars <= 30; ++maxChars) {
                SCOPED_TRACE("mode " + std::to_string(mode) + ", lead " + std::to_string(lead) + ", MaxChars " +
                             std::to_string(maxChars));
                const MessagePlan plan = PlanMessage(text, maxChars, kUtf8);
                std::string joined;
                for (const PartPlan& part : plan.parts) {
                    const std::string carried = part.text.substr(part.text.size() - part.carried);
                    EXPECT_TRUE(charset::utf8::Valid(carried, nullptr)) << part.text;
                    EXPECT_LE(part.text.size(), static_cast<size_t>(maxChars));
                    joined += carried;
                }
                EXPECT_TRUE(charset::utf8::Valid(plan.unsent, nullptr));
                EXPECT_EQ(joined + plan.unsent, text);
            }
        }
    }
}

// The preview shows the parts "SplitNumber" allows, each labelled, and what
// is left of the message.
TEST_F(SplitTest, PreviewShowsThePartsTheSplitAllowsAndTheRest) {
    testutil::TempDir dir;
    const std::string ini = dir.file("g.ini");
    testutil::WriteFile(ini, "[Gateway]\nName=Short\nMaxChars=20\n");
    const GatewayView gateway{nullptr, "g.ini", ini, 1};
    standin::SetDword(nullptr, settings::kModule, "OnTooLong", settings::kSplitLongMessages);
    std::string text;
    for (int i = 0; i < 100; ++i) text += static_cast<char>('a' + i % 26);
    const struct {
        int splitNumber;
        std::vector<std::string> labels;
        size_t unsent;
    } cases[] = {
        // Each part carries 20 - 2 x 3 bytes; the total is ceil(100 / 20) at most.
        {1, {"1/1"}, 86},
        {2, {"1/2", "2/2"}, 72},
        {3, {"1/3", "2/3", "3/3"}, 58},
        {9, {"1/5", "2/5", "3/5", "4/5", "5/5", "6/5", "7/5"}, 0},  // the last 16 bytes fit labelled
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.splitNumber);
        Numbering(true, c.splitNumber);
        const preview::GatewayPreview p = preview::PreviewGateway(gateway, text, kUtf8);
        EXPECT_EQ(p.name, "Short");
        std::vector<std::string> labels;
        std::string carried;
        for (const preview::PartPreview& part : p.parts) {
            labels.push_back(part.label);
            carried += part.text.substr(part.label.size());
        }
        EXPECT_EQ(labels, c.labels);
        EXPECT_EQ(p.unsent, text.substr(text.size() - c.unsent));
        EXPECT_EQ(carried + p.unsent, text);
        EXPECT_EQ(p.sms, static_cast<int>(c.labels.size()));
    }
}

}  // namespace
