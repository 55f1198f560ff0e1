#pragma once
// The tick commands of the list's popup menu and the user's own check-box changes. Each
// command writes a row's check box first and then the `checked` field of its record, so that
// the sort and the filter, which rebuild the boxes from the records, keep every tick.
#include "table/link_list.h"
#include "table/link_state.h"

namespace brevink {

void CheckAll(LinkList& list, LinkTableState& state);
void UncheckAll(LinkList& list, LinkTableState& state);
void InvertAll(LinkList& list, LinkTableState& state);
void CheckSelected(LinkList& list, LinkTableState& state);
void InvertSelected(LinkList& list, LinkTableState& state);

// The user ticked or cleared the box of `row`: its record follows (1 = ticked).
//
// While a run is adding rows (PagePhase) the records belong to the run's thread, which may
// grow them at any moment: the commands then change only the boxes, and the records take
// the boxes over (SyncTicksFromList) before the sort or the filter moves them.
void OnCheckBoxChanged(LinkTableState& state, int row, int checkState);

// Sets `checked` of every record that has a row from that row's box. Not during PagePhase.
void SyncTicksFromList(const LinkList& list, LinkTableState& state);

}  // namespace brevink
