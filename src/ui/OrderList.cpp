#include "ui/OrderList.h"

#include <utility>

namespace ui {

void OrderList::Assign(std::vector<OrderRow> newRows) {
    rows = std::move(newRows);
    selected.assign(rows.size(), 0);
    focus = -1;
}

int OrderList::SelectedCount() const {
    int n = 0;
    for (char s : selected) n += s ? 1 : 0;
    return n;
}

int OrderList::FirstSelected() const {
    for (size_t i = 0; i < selected.size(); ++i)
        if (selected[i]) return static_cast<int>(i);
    return -1;
}

void OrderList::SetSelected(int row, bool on) {
    if (row == -1) {
        selected.assign(rows.size(), on ? 1 : 0);
    } else if (row >= 0 && row < Count()) {
        selected[static_cast<size_t>(row)] = on ? 1 : 0;
    }
}

void OrderList::SetFocus(int row) {
    if (row >= 0 && row < Count()) focus = row;
}

int OrderList::Step(int direction) {
    if (SelectedCount() != 1) return 0;
    int s = FirstSelected();
    int t = s + direction;
    if (t < 0 || t >= Count()) return 0;
    std::swap(rows[static_cast<size_t>(s)], rows[static_cast<size_t>(t)]);
    SetSelected(s, false);
    SetSelected(t, true);
    SetFocus(t);
    return 1;
}

int OrderList::MoveUp() { return Step(-1); }
int OrderList::MoveDown() { return Step(+1); }

int OrderList::Rotate() {
    const int s = FirstSelected();
    const int n = Count();
    SetSelected(s, false);
    SetSelected(0, true);
    SetFocus(0);
    int changes = 0;
    for (int i = 0; i < n - 1; ++i) changes += MoveDown();
    SetSelected(n - 1, false);
    const int target = s == 0 ? 0 : s - 1;
    SetSelected(target, true);
    SetFocus(target);
    return changes;
}

ListKey ListKeyOf(char c) {
    switch (c) {
    case ' ': return ListKey::kReportChanged;
    case '-': return ListKey::kUp;
    case '+': return ListKey::kDown;
    case 'R':
    case 'r': return ListKey::kRotate;
    default: return ListKey::kNone;
    }
}

}  // namespace ui
