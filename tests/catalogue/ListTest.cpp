#include "CatalogueFixture.h"

namespace {

class ListTest : public CatalogueTest {
protected:
    void Three() {
        for (const char* name : {"a.ini", "b.ini", "c.ini"}) ASSERT_EQ(0, AddGateway(name, 1));
    }
};

TEST_F(ListTest, RotateMovesFirstToEnd) {
    Three();
    ASSERT_EQ(0, RotateGateways());
    EXPECT_EQ((Names{"b.ini", "c.ini", "a.ini"}), Order());
    EXPECT_EQ("b.ini", FirstGateway()->name);
}

TEST_F(ListTest, RotateNeedsTwoGateways) {
    EXPECT_EQ(-1, RotateGateways());
    ASSERT_EQ(0, AddGateway("a.ini", 0));
    EXPECT_EQ(-1, RotateGateways());
    EXPECT_EQ((Names{"-a.ini"}), Order());
}

TEST_F(ListTest, FindIsExactAndGivesPosition) {
    Three();
    size_t position = 99;
    GatewayRef found = FindGateway("c.ini", &position);
    ASSERT_TRUE(found);
    EXPECT_EQ("c.ini", found->name);
    EXPECT_EQ(2u, position);
    EXPECT_EQ(catalogue::JoinPath(folder, "c.ini"), found->path);
    position = 99;
    EXPECT_FALSE(FindGateway("C.ini", &position));
    EXPECT_FALSE(FindGateway("c.in", &position));
    EXPECT_FALSE(FindGateway(nullptr, &position));
    EXPECT_EQ(99u, position);
}

TEST_F(ListTest, NoCatalogueTakesNothing) {
    FreeCatalogue();
    EXPECT_EQ(-1, AddGateway("a.ini", 1));
    EXPECT_EQ(0, CountGateways());
    EXPECT_FALSE(FirstGateway());
    EXPECT_EQ(-1, ReorderGateways({}));
    ASSERT_EQ(0, CreateCatalogue());
    EXPECT_EQ(0, AddGateway("a.ini", 1));
    EXPECT_EQ(-1, AddGateway(nullptr, 1));
    EXPECT_EQ(1, CountGateways());
}

TEST_F(ListTest, CreateEmptiesAPresentCatalogue) {
    Three();
    ASSERT_EQ(0, CreateCatalogue());
    EXPECT_EQ(0, CountGateways());
}

TEST_F(ListTest, MoveToEndMovesThatGatewayOnly) {
    Three();
    GatewayRef b = FindGateway("b.ini");
    ASSERT_EQ(0, MoveGatewayToEnd(b));
    EXPECT_EQ((Names{"a.ini", "c.ini", "b.ini"}), Order());
    FreeCatalogue();
    ASSERT_EQ(0, CreateCatalogue());
    ASSERT_EQ(0, AddGateway("b.ini", 1));
    EXPECT_EQ(-1, MoveGatewayToEnd(b));   // same name, other node
    EXPECT_EQ(-1, MoveGatewayToEnd(GatewayRef()));
}

TEST_F(ListTest, ReorderPlacesGivenGatewaysFirstAndKeepsTheRest) {
    Three();
    ASSERT_EQ(0, AddGateway("d.ini", 1));
    GatewayRef a = FindGateway("a.ini"), c = FindGateway("c.ini");
    auto stranger = std::make_shared<GatewayInfo>();
    stranger->name = "x.ini";
    ASSERT_EQ(0, ReorderGateways({{c, 0}, {stranger, 1}, {a, 1}, {c, 1}, {nullptr, 1}}));
    EXPECT_EQ((Names{"-c.ini", "a.ini", "b.ini", "d.ini"}), Order());
}

TEST_F(ListTest, SetEnabledOnlyForListedGateways) {
    Three();
    GatewayRef b = FindGateway("b.ini");
    ASSERT_EQ(0, SetGatewayEnabled(b, 0));
    EXPECT_EQ((Names{"a.ini", "-b.ini", "c.ini"}), Order());
    auto stranger = std::make_shared<GatewayInfo>();
    EXPECT_EQ(-1, SetGatewayEnabled(stranger, 0));
    EXPECT_EQ(1, stranger->enabled.load());
}

TEST_F(ListTest, HeldGatewaySurvivesRebuildAndFree) {
    Gateway("a.ini");
    Gateway("b.ini");
    ASSERT_EQ(0, ScanGateways());
    GatewayRef held = FirstGateway();
    ASSERT_TRUE(held);
    Gateway("z.ini");
    ASSERT_EQ(0, RebuildCatalogue());
    EXPECT_EQ((Names{"a.ini", "b.ini", "z.ini"}), Order());
    EXPECT_NE(held.get(), FirstGateway().get());
    EXPECT_EQ(-1, MoveGatewayToEnd(held));   // not in the new list: nothing moves
    EXPECT_EQ((Names{"a.ini", "b.ini", "z.ini"}), Order());
    FreeCatalogue();
    EXPECT_EQ("a.ini", held->name);
    EXPECT_EQ(catalogue::JoinPath(folder, "a.ini"), held->path);
}

}  // namespace
