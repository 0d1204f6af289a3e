#include <cstring>

#include "CatalogueFixture.h"

namespace {

using PrefixTest = CatalogueTest;

std::vector<std::string> Prefixes(const PrefixTable& table) {
    std::vector<std::string> out;
    for (size_t i = 0; i < table.Count(); ++i) out.push_back(std::string(table.Entry(i)) + "|" + table.Description(i));
    return out;
}

TEST_F(PrefixTest, UniquePrefixesAndFirstDescriptionWins) {
    Gateway("a.ini", "Prefix1=43;Austria\nPrefix2=49;Germany\n");
    Gateway("b.ini", "Prefix1=43;Other\nPrefix2=1;USA;Canada\nPrefix3=4;Four\n");
    ASSERT_EQ(0, ScanGateways());
    auto table = CurrentPrefixTable();
    EXPECT_EQ((Names{"43|Austria", "49|Germany", "1|USA;Canada", "4|Four"}), Prefixes(*table));
    EXPECT_STREQ("43", table->Entry(0));   // reads as the prefix alone
    EXPECT_EQ(nullptr, table->Entry(4));
}

TEST_F(PrefixTest, ValueWithoutSeparatorEndsTheFilesListWithNotice) {
    standin::SetPopupService(true);
    Gateway("a.ini", "Prefix1=43;Austria\nPrefix2=49Germany\nPrefix3=1;USA\n");
    Gateway("b.ini", "Prefix1=7;Russia\n");
    ASSERT_EQ(0, ScanGateways());
    EXPECT_EQ((Names{"43|Austria", "7|Russia"}), Prefixes(*CurrentPrefixTable()));
    EXPECT_EQ((Names{"a.ini", "b.ini"}), Order());   // the gateway stays usable
    auto popups = standin::Popups();
    ASSERT_EQ(1u, popups.size());
    EXPECT_EQ("Error: No ; seperator in Prefix #2 in Gateway file a.ini", popups[0].text);
}

TEST_F(PrefixTest, ListEndsAtFirstGap) {
    Gateway("a.ini", "Prefix1=43;Austria\nPrefix2=\nPrefix3=1;USA\n");
    ASSERT_EQ(0, ScanGateways());
    EXPECT_EQ((Names{"43|Austria"}), Prefixes(*CurrentPrefixTable()));
}

TEST_F(PrefixTest, TableHoldsAt255AndDropsTheRest) {
    for (int file = 0; file < 3; ++file) {
        std::string keys;
        for (int n = 1; n <= 100; ++n) {
            keys += "Prefix" + std::to_string(n) + "=" + std::to_string(file * 1000 + n) + ";d\n";
        }
        Gateway("g" + std::to_string(file) + ".ini", keys);
    }
    ASSERT_EQ(0, ScanGateways());
    auto table = CurrentPrefixTable();
    ASSERT_EQ(255u, table->Count());
    EXPECT_STREQ("2055", table->Entry(254));
    EXPECT_EQ(nullptr, table->Entry(255));
    EXPECT_EQ(3, CountGateways());
}

TEST_F(PrefixTest, AddGatewayGathersIntoTheLiveTable) {
    Gateway("a.ini", "Prefix1=43;Austria\n");
    Gateway("b.ini", "Prefix1=43;Other\nPrefix2=44;UK\n");
    ASSERT_EQ(0, AddGateway("a.ini", 0));
    ASSERT_EQ(0, AddGateway("b.ini", 1));
    EXPECT_EQ((Names{"-a.ini", "b.ini"}), Order());
    EXPECT_EQ((Names{"43|Austria", "44|UK"}), Prefixes(*CurrentPrefixTable()));
}

TEST_F(PrefixTest, SnapshotOutlivesRebuild) {
    Gateway("a.ini", "Prefix1=43;Austria\n");
    ASSERT_EQ(0, ScanGateways());
    auto before = CurrentPrefixTable();
    const char* entry = before->Entry(0);
    Gateway("a.ini", "Prefix1=49;Germany\n");
    ASSERT_EQ(0, RebuildCatalogue());
    FreeCatalogue();
    EXPECT_STREQ("43", entry);
    EXPECT_STREQ("Austria", before->Description(0));
    EXPECT_EQ(0u, CurrentPrefixTable()->Count());
}

}  // namespace
