#include <sys/stat.h>

#include "CatalogueFixture.h"
#include "StandIn.h"
#include "catalogue/OrderFile.h"
#include "shell/Settings.h"
#include "ui/OptionsPages.h"
#include "ui/OrderPage.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

class OrderPageTest : public CatalogueTest {
protected:
    void ThreeGateways() {
        Gateway("a.ini", "Name=Alpha\n");
        Gateway("b.ini", "Title=no name\n");
        Gateway("c.ini", "Name=" + std::string(300, 'n') + "\n");
        OrderFile("0;b.ini\n");
        ASSERT_EQ(0, RebuildCatalogue());
    }
    static ui::OrderList Shown() {
        ui::OrderList list;
        list.Assign(ui::CatalogueRows());
        return list;
    }
    std::string OrderText() { return testutil::ReadFile(dir.file("gateways.ord")); }
};

TEST_F(OrderPageTest, RowsShowNameFileAndFlag) {
    ThreeGateways();
    ui::OrderList list = Shown();
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.rows[0].file, "b.ini");
    EXPECT_EQ(list.rows[0].title, "");
    EXPECT_FALSE(list.rows[0].checked);
    EXPECT_EQ(list.rows[1].title, "Alpha");
    EXPECT_TRUE(list.rows[1].checked);
    EXPECT_EQ(list.rows[2].title, std::string(255, 'n'));
}

TEST_F(OrderPageTest, TheListIsFilledAgainOnlyWhenTheFirstGatewayChanged) {
    ThreeGateways();
    ui::FillMark mark;
    EXPECT_TRUE(mark.TakeFill());
    EXPECT_FALSE(mark.TakeFill());
    // A rebuild makes new gateways, even where the first has the same name.
    ASSERT_EQ(0, RebuildCatalogue());
    EXPECT_EQ(FirstGateway()->name, "b.ini");
    EXPECT_TRUE(mark.TakeFill());
    ASSERT_EQ(0, RotateGateways());
    EXPECT_TRUE(mark.TakeFill());
    EXPECT_FALSE(mark.TakeFill());
    mark.Forget();
    EXPECT_TRUE(mark.TakeFill());
}

TEST_F(OrderPageTest, ApplySaveAndLoad) {
    ThreeGateways();
    ui::OrderList list = Shown();   // b a c
    list.SetSelected(2, true);
    list.Rotate();                  // a c b
    list.rows[0].checked = false;
    list.rows[2].checked = true;

    // Save writes what the list shows, and leaves the catalogue alone.
    std::string path;
    ASSERT_EQ(0, ui::SaveOrder(list, &path));
    EXPECT_EQ(path, dir.file("gateways.ord"));
    EXPECT_EQ(OrderText(), std::string("0;a.ini") + catalogue::kTextLineEnd + "1;c.ini" + catalogue::kTextLineEnd +
                               "1;b.ini" + catalogue::kTextLineEnd);
    EXPECT_EQ(Order(), (Names{"-b.ini", "a.ini", "c.ini"}));

    ASSERT_EQ(0, ui::ApplyOrder(list));
    EXPECT_EQ(Order(), (Names{"-a.ini", "c.ini", "b.ini"}));

    // Load restores the saved order, not the one applied since.
    list.SetSelected(-1, false);
    list.SetSelected(0, true);
    list.MoveDown();
    ASSERT_EQ(0, ui::ApplyOrder(list));
    EXPECT_EQ(Order(), (Names{"c.ini", "-a.ini", "b.ini"}));
    ASSERT_EQ(0, ui::ReloadCatalogue());
    EXPECT_EQ(Order(), (Names{"-a.ini", "c.ini", "b.ini"}));
}

TEST_F(OrderPageTest, AReadOnlyOrderFileIsLeftAsItWas) {
    ThreeGateways();
    const std::string file = dir.file("gateways.ord");
#ifdef _WIN32
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
#else
    chmod(file.c_str(), 0444);
#endif
    std::string path;
    EXPECT_EQ(-1, ui::SaveOrder(Shown(), &path));
    EXPECT_EQ(OrderText(), "0;b.ini\n");
    EXPECT_EQ(ui::CannotWriteText(path), "Cannot write to file: " + file);
#ifdef _WIN32
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
}

TEST_F(OrderPageTest, AnEmptyCatalogueSavesAnEmptyFile) {
    ui::OrderList list = Shown();
    EXPECT_EQ(list.Rotate() + list.MoveUp(), 0);
    ASSERT_EQ(0, ui::SaveOrder(list, nullptr));
    EXPECT_EQ(OrderText(), "");
}

TEST_F(OrderPageTest, RegistrationAddsBothPages) {
    standin::SetTranslationMarking(true);
    int general = 0, order = 0, instance = 0;
    ui::AddOptionsPages(77, ui::OptionsPageSources{&general, &order, &instance});
    auto pages = standin::OptionsPages();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].dialog, 77);
    EXPECT_EQ(pages[0].title, "Parlet-Plugin");
    EXPECT_EQ(pages[0].group, "");
    EXPECT_EQ(pages[0].templateId, 103);
    EXPECT_EQ(pages[0].dialogProc, &general);
    EXPECT_EQ(pages[1].title, "[T]Gateway order");
    EXPECT_EQ(pages[1].group, "Parlet-Plugin");
    EXPECT_EQ(pages[1].templateId, 112);
    EXPECT_EQ(pages[1].dialogProc, &order);
    EXPECT_EQ(pages[1].instance, &instance);
}

}  // namespace
