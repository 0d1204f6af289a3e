#include "CatalogueFixture.h"
#include "catalogue/OrderFile.h"

#ifndef _WIN32
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#endif

namespace {

struct OrderCase {
    const char* title;
    std::string orderFile;
    Names expected;
};

class OrderFileTest : public CatalogueTest, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(OrderFileTest, SetsOrderAndFlags) {
    Gateway("a.ini");
    Gateway("b.ini");
    Gateway("c.ini");
    OrderFile(GetParam().orderFile);
    ASSERT_EQ(0, ScanGateways());
    EXPECT_EQ(GetParam().expected, Order());
    EXPECT_TRUE(boxes.empty());
}

const std::string kOverlong = "1;" + std::string(257, 'x') + "0;a.ini\n";

INSTANTIATE_TEST_SUITE_P(
    Lines, OrderFileTest,
    ::testing::Values(
        OrderCase{"NamedFirstRestInScanOrder", "0;c.ini\n1;a.ini\n", {"-c.ini", "a.ini", "b.ini"}},
        OrderCase{"UnknownNameSkipped", "1;x.ini\n0;b.ini\n", {"-b.ini", "a.ini", "c.ini"}},
        OrderCase{"LastLineWithoutLineEnd", "1;c.ini\n0;b.ini", {"c.ini", "-b.ini", "a.ini"}},
        OrderCase{"CarriageReturnLineFeed", "0;c.ini\r\n0;a.ini\r\n", {"-c.ini", "-a.ini", "b.ini"}},
        OrderCase{"ShortLinesSkipped", "1;\n\n0\n0;b.ini\n", {"-b.ini", "a.ini", "c.ini"}},
        OrderCase{"RepeatOnNextLineChangesNothing", "0;b.ini\n1;b.ini\n", {"-b.ini", "a.ini", "c.ini"}},
        OrderCase{"LaterRepeatMovesAgain", "0;a.ini\n1;b.ini\n0;a.ini\n", {"b.ini", "-a.ini", "c.ini"}},
        OrderCase{"NameIsCaseSensitive", "0;B.ini\n", {"a.ini", "b.ini", "c.ini"}},
        OrderCase{"WholeOrderReversed", "1;c.ini\n1;b.ini\n0;a.ini\n", {"c.ini", "b.ini", "-a.ini"}},
        OrderCase{"RestOfOverlongLineIsNoLine", kOverlong, {"a.ini", "b.ini", "c.ini"}},
        OrderCase{"EmptyFile", "", {"a.ini", "b.ini", "c.ini"}}),
    [](const ::testing::TestParamInfo<OrderCase>& test) { return test.param.title; });

using OrderFileRoundTrip = CatalogueTest;

TEST_F(OrderFileRoundTrip, WhatThePageWritesTheScanReads) {
    Gateway("a.ini");
    Gateway("b.ini");
    Gateway("c.ini");
    std::vector<catalogue::OrderLine> lines{{1, "b.ini"}, {0, "c.ini"}, {7, "a.ini"}};
    ASSERT_EQ(0, catalogue::WriteOrderFile(catalogue::OrderFilePath(folder), lines));
#ifdef _WIN32
    EXPECT_EQ("1;b.ini\r\n0;c.ini\r\n1;a.ini\r\n", testutil::ReadFile(dir.file("gateways.ord")));
#else
    EXPECT_EQ("1;b.ini\n0;c.ini\n1;a.ini\n", testutil::ReadFile(dir.file("gateways.ord")));
#endif
    ASSERT_EQ(0, ScanGateways());
    EXPECT_EQ((Names{"b.ini", "-c.ini", "a.ini"}), Order());
}

TEST_F(OrderFileRoundTrip, UnwritableFileFails) {
    EXPECT_EQ(-1, catalogue::WriteOrderFile(dir.file("no-such-folder") + "/gateways.ord", {{1, "a.ini"}}));
}

#ifndef _WIN32
// A save that fails part-way (here at the file size limit, as on a full
// disk) leaves the old order whole and no temporary file behind.
TEST_F(OrderFileRoundTrip, AFailedWriteKeepsTheOldOrder) {
    const std::string old = "0;c.ini\n1;a.ini\n";
    OrderFile(old);
    std::vector<catalogue::OrderLine> lines;
    for (int i = 0; i < 50; ++i) lines.push_back({1, "gateway-" + std::to_string(i) + ".ini"});

    struct rlimit saved {};
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
    int result = catalogue::WriteOrderFile(catalogue::OrderFilePath(folder), lines);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(-1, result);
    EXPECT_EQ(old, testutil::ReadFile(dir.file("gateways.ord")));
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1u);
}
#endif

}  // namespace
