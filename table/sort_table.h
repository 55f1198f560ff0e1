#pragma once
// The column sort: a stable bucket sort of the records by one of their integer keys, written
// back into the existing rows. No texts are compared.
#include <cstddef>
#include <vector>

#include "table/link_list.h"
#include "table/link_state.h"

namespace brevink {

// False while a run may still write rows or records by index (before the first run, in the
// page phase and while lookups run): reordering them then would misplace those writes.
bool CanReorderTable(const LinkTableState& state);

// Positions 0..n-1 in stable ascending order of their keys; every negative key (a rank never
// looked up is -1) belongs to one group below key 0. Linear in n: no comparisons.
std::vector<size_t> StableOrderByKey(const std::vector<int>& keys);

// Puts the records into `order` (positions in their current order): element t becomes the
// record that was at order[t]. The records are moved, not copied.
void ReorderRecords(LinkTableState& state, const std::vector<size_t>& order);

// The sort key of a record for the list column 1 to 4 (byte lengths, or the rank).
int SortKeyOf(const LinkRecord& record, int column);

// Reorders the records by the key of `column` (1 to 4) and rewrites the rows. Descending is
// the exact reverse of the ascending result, ties included.
void SortTable(LinkList& list, LinkTableState& state, int column, bool ascending);

// Writes columns 1 to 4 and the check box of every row from its record, with the list hidden
// meanwhile. Column 0 (the row number) is never rewritten.
void RefillTable(LinkList& list, const LinkTableState& state);

enum class HeaderClick { Refused, Ignored, Sorted };

// A click on the header of `column`: refused while reordering is not allowed, ignored for
// the "ID" column, otherwise the column's direction flips and the table is sorted.
HeaderClick OnHeaderClicked(LinkList& list, LinkTableState& state, int column);

}  // namespace brevink
