#include "table/tick_commands.h"

#include <algorithm>
#include <vector>

namespace brevink {

namespace {

// A row that has no record yet (a run may still be adding them) keeps only its box.
void SetTick(LinkList& list, LinkTableState& state, int row, int checkState) {
    list.SetCheckState(row, checkState);
    OnCheckBoxChanged(state, row, checkState);
}

int Inverted(const LinkList& list, int row) {
    return list.CheckState(row) != 0 ? 0 : 1;
}

std::vector<int> AllRows(const LinkList& list) {
    std::vector<int> rows(static_cast<size_t>(std::max(list.RowCount(), 0)));
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i] = static_cast<int>(i);
    }
    return rows;
}

void SetTicks(LinkList& list, LinkTableState& state, const std::vector<int>& rows, int checkState) {
    for (int row : rows) {
        SetTick(list, state, row, checkState);
    }
}

void InvertTicks(LinkList& list, LinkTableState& state, const std::vector<int>& rows) {
    for (int row : rows) {
        SetTick(list, state, row, Inverted(list, row));
    }
}

}  // namespace

void CheckAll(LinkList& list, LinkTableState& state) {
    SetTicks(list, state, AllRows(list), 1);
}

void UncheckAll(LinkList& list, LinkTableState& state) {
    SetTicks(list, state, AllRows(list), 0);
}

void InvertAll(LinkList& list, LinkTableState& state) {
    InvertTicks(list, state, AllRows(list));
}

void CheckSelected(LinkList& list, LinkTableState& state) {
    SetTicks(list, state, list.SelectedRows(), 1);
}

void InvertSelected(LinkList& list, LinkTableState& state) {
    InvertTicks(list, state, list.SelectedRows());
}

void OnCheckBoxChanged(LinkTableState& state, int row, int checkState) {
    if (state.PagePhase) {
        return;
    }
    if (row >= 0 && static_cast<size_t>(row) < state.LinkRecords.size()) {
        state.LinkRecords[static_cast<size_t>(row)].checked = checkState == 1;
    }
}

void SyncTicksFromList(const LinkList& list, LinkTableState& state) {
    const size_t rows = static_cast<size_t>(std::max(list.RowCount(), 0));
    const size_t count = std::min(rows, state.LinkRecords.size());
    for (size_t i = 0; i < count; ++i) {
        state.LinkRecords[i].checked = list.CheckState(static_cast<int>(i)) == 1;
    }
}

}  // namespace brevink
