#include "CatalogueFixture.h"
#include "catalogue/RequiredVersion.h"
#include "shell/Log.h"

namespace {

enum Outcome { kAccepted, kTooNew, kMalformed };

struct VersionCase {
    const char* title;
    const char* value;   // null: no "RequiresVersion"
    Outcome outcome;
};

class VersionTest : public CatalogueTest, public ::testing::WithParamInterface<VersionCase> {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        logging::SetObserver([](const char* entry, void* context) {
            static_cast<VersionTest*>(context)->logged += entry;
        }, this);
    }
    void TearDown() override {
        logging::SetObserver(nullptr, nullptr);
        CatalogueTest::TearDown();
    }
    std::string logged;
};

TEST_P(VersionTest, DecidesWhetherGatewayJoins) {
    const VersionCase& c = GetParam();
    standin::SetTranslationMarking(true);
    Gateway("g.ini", c.value ? std::string("RequiresVersion=") + c.value + "\n" : "Name=G\n");
    ASSERT_EQ(0, ScanGateways());
    EXPECT_EQ(c.outcome == kAccepted ? 1 : 0, CountGateways());
    switch (c.outcome) {
    case kAccepted:
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(std::string::npos, logged.find("Warning"));
        break;
    case kMalformed:
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ("[T]Warning: The specified Gateway g.ini has no correct versioning info. It is ignored. Please fix "
                  "the RequiresVersion entry in the .ini file.",
                  boxes[0]);
        break;
    case kTooNew: {
        ASSERT_EQ(1u, boxes.size());
        const std::string start = "[T]Warning: The specified Gateway g.ini is designed for a newer version of the "
                                  "plugin. It is ignored. Please download the newest plugin version from ";
        EXPECT_EQ(0u, boxes[0].find(start));
        EXPECT_GT(boxes[0].size(), start.size() + 1);
        EXPECT_EQ('\n', boxes[0].back());
        EXPECT_NE(std::string::npos, logged.find(boxes[0]));
        break;
    }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, VersionTest,
    ::testing::Values(VersionCase{"Own", "0.0.0.13", kAccepted}, VersionCase{"NextBuild", "0.0.0.14", kTooNew},
                      VersionCase{"NextMajor", "1.0.0.0", kTooNew}, VersionCase{"Release", "0.0.10.5", kTooNew},
                      VersionCase{"SixCharacters", "0.0.13", kMalformed},
                      VersionCase{"ThreeParts", "10.20.30", kMalformed},
                      VersionCase{"TrailingLetter", "0.0.0.1x", kAccepted},
                      VersionCase{"Modulo256", "0.0.0.269", kAccepted}, VersionCase{"Absent", nullptr, kAccepted},
                      VersionCase{"Zero", "0.0.0.0", kAccepted},
                      VersionCase{"FifthPartIgnored", "0.0.0.13.99", kAccepted},
                      VersionCase{"NegativeWraps", "-1.0.0.0", kTooNew},
                      VersionCase{"NoDigits", "a.b.c.d.e", kAccepted},
                      VersionCase{"NoDots", "0000000", kMalformed},
                      VersionCase{"EmptyFourthPartOfSix", "1.2.3.", kMalformed},
                      VersionCase{"HugePartSaturates", "0.0.0.4294967309", kTooNew}),
    [](const ::testing::TestParamInfo<VersionCase>& test) { return test.param.title; });

TEST(RequiredVersion, PacksFourPartsModulo256) {
    struct {
        const char* text;
        int result;
        uint32_t version;
    } cases[] = {{"0.0.10.5", 0, 2565},       {"1.2.3.4", 0, 0x01020304}, {"255.255.255.255", 0, 0xFFFFFFFF},
                 {"256.0.0.1", 0, 1},         {" 1.+2.3.4", 0, 0x01020304}, {"0.0.0.269", 0, 13},
                 {"99999999999999999999.0.0.0", 0, 0xFF000000}, {"", -1, 0}, {"1.2.3", -1, 0},
                 // Parts are read into 32 bits on every build, saturating: 0x7FFFFFFF, not 2^32 + 13.
                 {"0.0.0.4294967309", 0, 0xFF}, {"-2147483649.0.0.0", 0, 0}, {"1.2.3.", -1, 0}};
    for (const auto& c : cases) {
        uint32_t version = 0;
        EXPECT_EQ(c.result, ParseRequiredVersion(c.text, &version)) << c.text;
        if (c.result == 0) {
            EXPECT_EQ(c.version, version) << c.text;
        }
    }
    EXPECT_EQ(-1, ParseRequiredVersion(nullptr, nullptr));
}

}  // namespace
