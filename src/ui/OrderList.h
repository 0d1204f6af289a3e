// The Gateway order page's list, apart from its window: the rows in order
// with their check boxes, which rows are selected and which has the focus,
// and the moves Up, Down and Rotate with the selection rules the page
// follows. The page copies the list view into this before a move and back
// after it.
#pragma once

#include <string>
#include <vector>

#include "catalogue/Catalogue.h"

namespace ui {

struct OrderRow {
    GatewayRef gateway;  // the row's data
    std::string title;   // column "Gateway": the definition file's "Name"
    std::string file;    // column "File": the gateway's file name
    bool checked = false;
};

class OrderList {
public:
    std::vector<OrderRow> rows;
    std::vector<char> selected;  // one flag per row
    int focus = -1;

    // Rows in order, nothing selected.
    void Assign(std::vector<OrderRow> newRows);
    int Count() const { return static_cast<int>(rows.size()); }
    int SelectedCount() const;
    int FirstSelected() const;  // -1: none

    // As the list view does: row -1 means every row; a row that does not
    // exist is left alone.
    void SetSelected(int row, bool on);
    void SetFocus(int row);

    // Each gives how many times the page is to be reported changed.
    // Up and Down move the one selected row (with its selection) by one
    // place; with no or several rows selected, or at the edge, nothing
    // happens.
    int MoveUp();
    int MoveDown();
    // Moves the first gateway to the bottom and every other one up, by
    // Down steps from row 0, then selects the row before the one that was
    // first selected (row 0 when it was row 0; none when none was).
    int Rotate();

private:
    int Step(int direction);
};

// What a character typed into the list does before the list sees it.
enum class ListKey { kNone, kReportChanged, kUp, kDown, kRotate };
ListKey ListKeyOf(char c);

}  // namespace ui
