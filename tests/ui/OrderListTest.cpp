#include <gtest/gtest.h>

#include <string>

#include "ui/OrderList.h"

namespace {

// Rows are single letters; upper case is checked. `selected` holds the
// selected row numbers as digits; ops: U(p), D(own), R(otate).
struct MoveCase {
    const char* title;
    const char* rows;
    const char* selected;
    const char* ops;
    const char* expectedRows;
    const char* expectedSelected;
    int expectedChanges;
};

ui::OrderList Make(const std::string& rows, const std::string& selected) {
    std::vector<ui::OrderRow> list;
    for (char c : rows) {
        ui::OrderRow row;
        row.file = std::string(1, static_cast<char>(std::tolower(c)));
        row.checked = std::isupper(static_cast<unsigned char>(c)) != 0;
        list.push_back(row);
    }
    ui::OrderList out;
    out.Assign(list);
    for (char c : selected) {
        out.SetSelected(c - '0', true);
        out.SetFocus(c - '0');
    }
    return out;
}

std::string RowsOf(const ui::OrderList& list) {
    std::string out;
    for (const auto& row : list.rows) out += row.checked ? static_cast<char>(std::toupper(row.file[0])) : row.file[0];
    return out;
}

std::string SelectedOf(const ui::OrderList& list) {
    std::string out;
    for (int i = 0; i < list.Count(); ++i)
        if (list.selected[static_cast<size_t>(i)]) out += static_cast<char>('0' + i);
    return out;
}

class OrderListMoves : public ::testing::TestWithParam<MoveCase> {};

TEST_P(OrderListMoves, RowsSelectionAndReports) {
    const MoveCase& c = GetParam();
    ui::OrderList list = Make(c.rows, c.selected);
    int changes = 0;
    for (const char* op = c.ops; *op; ++op) {
        if (*op == 'U') changes += list.MoveUp();
        if (*op == 'D') changes += list.MoveDown();
        if (*op == 'R') changes += list.Rotate();
    }
    EXPECT_EQ(RowsOf(list), c.expectedRows);
    EXPECT_EQ(SelectedOf(list), c.expectedSelected);
    EXPECT_EQ(changes, c.expectedChanges);
    int first = list.FirstSelected();
    if (first >= 0 && list.SelectedCount() == 1) {
        EXPECT_EQ(list.focus, first);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OrderListMoves,
    ::testing::Values(
        MoveCase{"UpMovesTheSelectedGateway", "ABC", "1", "U", "BAC", "0", 1},
        MoveCase{"RotateAfterUpSelectsRowZero", "ABC", "1", "UR", "ACB", "0", 3},
        MoveCase{"RotateFromLastRowFollowsTheGateway", "ABC", "2", "R", "BCA", "1", 2},
        MoveCase{"RotateFromMiddleSelectsRowBefore", "ABCD", "2", "R", "BCDA", "1", 3},
        MoveCase{"UpOnFirstRowDoesNothing", "ABC", "0", "U", "ABC", "0", 0},
        MoveCase{"DownOnLastRowDoesNothing", "ABC", "2", "D", "ABC", "2", 0},
        MoveCase{"DownTwiceToTheBottom", "AbC", "0", "DD", "bCA", "2", 2},
        MoveCase{"ChecksTravelWithTheirRows", "aBc", "1", "DU", "aBc", "1", 2},
        MoveCase{"NoSelectionMovesNothing", "ABC", "", "UD", "ABC", "", 0},
        MoveCase{"RotateWithoutSelectionLeavesNoneSelected", "ABC", "", "R", "BCA", "", 2},
        MoveCase{"SeveralSelectedOnlyTheSelectionChanges", "ABC", "02", "R", "ABC", "0", 0},
        MoveCase{"SeveralSelectedUpDoesNothing", "ABC", "12", "UD", "ABC", "12", 0},
        MoveCase{"OneRowRotates", "A", "0", "RUD", "A", "0", 0},
        MoveCase{"EmptyListDoesNothing", "", "", "UDR", "", "", 0}),
    [](const ::testing::TestParamInfo<MoveCase>& test) { return test.param.title; });

TEST(OrderListKeys, CharactersAndTheirActions) {
    EXPECT_EQ(ui::ListKeyOf(' '), ui::ListKey::kReportChanged);
    EXPECT_EQ(ui::ListKeyOf('-'), ui::ListKey::kUp);
    EXPECT_EQ(ui::ListKeyOf('+'), ui::ListKey::kDown);
    EXPECT_EQ(ui::ListKeyOf('R'), ui::ListKey::kRotate);
    EXPECT_EQ(ui::ListKeyOf('r'), ui::ListKey::kRotate);
    for (char c : {'u', 'd', '=', '\r', 'x'}) EXPECT_EQ(ui::ListKeyOf(c), ui::ListKey::kNone) << c;
}

}  // namespace
