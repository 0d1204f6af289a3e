#include <filesystem>

#include "CatalogueFixture.h"
#include "catalogue/OrderFile.h"

namespace {

using ScanTest = CatalogueTest;

TEST_F(ScanTest, FolderWithoutOrderFileGivesNameOrderAllEnabled) {
    Gateway("c.ini");
    Gateway("a.ini");
    Gateway("b.ini");
    ASSERT_EQ(0, ScanGateways());
    EXPECT_EQ((Names{"a.ini", "b.ini", "c.ini"}), Order());
    auto views = ListGateways();
    ASSERT_EQ(3u, views.size());
    EXPECT_EQ(catalogue::JoinPath(folder, "a.ini"), views[0].path);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ScanTest, MissingFolderWarnsWithTranslatedTextAndLeavesCatalogueEmpty) {
    standin::SetTranslationMarking(true);
    Gateway("a.ini");
    ASSERT_EQ(0, ScanGateways());
    SetGatewayFolder(folder + "-missing");
    ASSERT_EQ(0, ScanGateways());
    EXPECT_EQ(0, CountGateways());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(
        "[T]Huston, we got a problem.. The specified gateway-path was not found. Please give me the correct path in "
        "the options dialog",
        boxes[0]);
}

TEST_F(ScanTest, FolderWithoutDefinitionFilesWarns) {
    standin::SetTranslationMarking(true);
    testutil::WriteFile(dir.file("readme.txt"), "x");
    testutil::WriteFile(dir.file("a.ini.bak"), "[Gateway]\n");
    std::filesystem::create_directory(dir.path() / "sub.ini");
    ASSERT_EQ(0, ScanGateways());
    EXPECT_EQ(0, CountGateways());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("[T]No Gateway Configfiles found in specified path. Check options", boxes[0]);
}

TEST_F(ScanTest, ExtensionMatchesWithoutCaseAndOnlyPlainFiles) {
    Gateway("Upper.INI");
    Gateway("mixed.Ini");
    Gateway("long.inix");
    Gateway("plain.ini");
    std::filesystem::create_directory(dir.path() / "folder.ini");
    ASSERT_EQ(0, ScanGateways());
    EXPECT_EQ((Names{"mixed.Ini", "plain.ini", "Upper.INI"}), Order());
}

TEST_F(ScanTest, ScanWithoutCatalogueFails) {
    Gateway("a.ini");
    FreeCatalogue();
    EXPECT_EQ(-1, ScanGateways());
    EXPECT_EQ(0, CountGateways());
}

TEST_F(ScanTest, RescanForgetsRotationsAndDroppedFiles) {
    Gateway("a.ini");
    Gateway("b.ini");
    Gateway("c.ini");
    ASSERT_EQ(0, ScanGateways());
    ASSERT_EQ(0, RotateGateways());
    std::filesystem::remove(dir.file("b.ini"));
    ASSERT_EQ(0, RebuildCatalogue());
    EXPECT_EQ((Names{"a.ini", "c.ini"}), Order());
}

TEST_F(ScanTest, NameWithPercentSignsIsNeverTakenAsFormat) {
    standin::SetTranslationMarking(true);
    Gateway("%s%n%d.ini", "RequiresVersion=bad\n");
    ASSERT_EQ(0, ScanGateways());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(
        "[T]Warning: The specified Gateway %s%n%d.ini has no correct versioning info. It is ignored. Please fix the "
        "RequiresVersion entry in the .ini file.",
        boxes[0]);
}

TEST_F(ScanTest, RefusalTextIsCutAt255Characters) {
    std::string name(200, 'n');
    name += ".ini";
    Gateway(name, "RequiresVersion=9.0.0.0\n");
    ASSERT_EQ(0, ScanGateways());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(255u, boxes[0].size());
    EXPECT_EQ(0u, boxes[0].find("Warning: The specified Gateway " + name + " is designed"));
}

}  // namespace
