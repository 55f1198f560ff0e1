#include "table/tick_commands.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/test_link_list.h"
#include "table/sort_table.h"

namespace brevink {
namespace {

using test::AddRows;
using test::MakeRecord;
using test::TestLinkList;
using States = std::vector<int>;

struct TickCase {
    const char* name;
    std::function<void(LinkList&, LinkTableState&)> command;
    States before;
    std::vector<int> selected;
    States after;
};

class TickCommandTest : public ::testing::TestWithParam<TickCase> {};

// Rows ticked as `before`, records as `before` too; afterwards both must read `after`.
TEST_P(TickCommandTest, SetsBoxesAndRecordsTogether) {
    const TickCase& c = GetParam();
    TestLinkList list;
    LinkTableState state;
    for (size_t i = 0; i < c.before.size(); ++i) {
        AddRows(list, state, {MakeRecord("u" + std::to_string(i), "", "", -1, c.before[i] == 1)});
    }
    list.selected = c.selected;
    c.command(list, state);
    ASSERT_EQ(list.rows.size(), c.after.size());
    for (size_t i = 0; i < c.after.size(); ++i) {
        EXPECT_EQ(list.rows[i].checkState, c.after[i]) << "row " << i;
        EXPECT_EQ(state.LinkRecords[i].checked, c.after[i] == 1) << "record " << i;
        EXPECT_EQ(list.rows[i].cells[1], "u" + std::to_string(i));
    }
    EXPECT_EQ(list.selected, c.selected);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, TickCommandTest,
    ::testing::Values(
        TickCase{"InvertAll", InvertAll, {1, 0, 1}, {}, {0, 1, 0}},
        TickCase{"CheckAll", CheckAll, {0, 1, 0}, {1}, {1, 1, 1}},
        TickCase{"UncheckAll", UncheckAll, {1, 1, 0}, {0}, {0, 0, 0}},
        TickCase{
            "InvertSelected", InvertSelected, {0, 0, 1, 0, 0, 1, 1}, {2, 5}, {0, 0, 0, 0, 0, 0, 1}},
        TickCase{"InvertSelectedUntickedRows", InvertSelected, {1, 0, 0, 1}, {1, 2}, {1, 1, 1, 1}},
        TickCase{"CheckSelectedAlreadyTicked", CheckSelected, {1, 0, 1}, {0, 2}, {1, 0, 1}},
        TickCase{"CheckSelected", CheckSelected, {0, 0, 0, 0}, {1, 3}, {0, 1, 0, 1}},
        TickCase{"NothingSelected", CheckSelected, {0, 1}, {}, {0, 1}},
        TickCase{"InvertNothingSelected", InvertSelected, {0, 1}, {}, {0, 1}},
        TickCase{"EmptyTable", InvertAll, {}, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TickCommandEdgeTest, RowsWithoutRecordsGetOnlyTheirBox) {
    TestLinkList list;
    LinkTableState state;
    AddRows(list, state, {MakeRecord("a")});
    list.InsertRow("2");  // a run has added the row but not yet its record
    InvertAll(list, state);
    EXPECT_EQ(list.rows[1].checkState, 1);
    ASSERT_EQ(state.LinkRecords.size(), 1u);
    EXPECT_TRUE(state.LinkRecords[0].checked);
}

// While a run adds rows the records are the run's; the boxes keep the ticks until the records
// take them over before a sort moves them.
TEST(TickCommandEdgeTest, TicksDuringThePagePhaseReachTheRecordsBeforeASort) {
    TestLinkList list;
    LinkTableState state;
    AddRows(list, state, {MakeRecord("ccc"), MakeRecord("a"), MakeRecord("bb")});
    state.PagePhase = true;
    list.selected = {0};
    CheckSelected(list, state);
    list.rows[2].checkState = 1;
    OnCheckBoxChanged(state, 2, 1);
    EXPECT_FALSE(state.LinkRecords[0].checked || state.LinkRecords[2].checked);
    state.PagePhase = false;
    SortTable(list, state, 1, true);
    EXPECT_EQ(test::ColumnOf(list, 1), (std::vector<std::string>{"a", "bb", "ccc"}));
    EXPECT_EQ((States{list.rows[0].checkState, list.rows[1].checkState, list.rows[2].checkState}),
              (States{0, 1, 1}));
    EXPECT_TRUE(state.LinkRecords[1].checked && state.LinkRecords[2].checked);
}

TEST(CheckBoxChangedTest, OnlyStateOneTicks) {
    LinkTableState state;
    state.LinkRecords = {MakeRecord("a"), MakeRecord("b", "", "", -1, true)};
    OnCheckBoxChanged(state, 0, 1);
    OnCheckBoxChanged(state, 1, 2);
    EXPECT_TRUE(state.LinkRecords[0].checked);
    EXPECT_FALSE(state.LinkRecords[1].checked);
    OnCheckBoxChanged(state, -1, 1);  // no such rows: nothing happens
    OnCheckBoxChanged(state, 2, 1);
    EXPECT_EQ(state.LinkRecords.size(), 2u);
}

TEST(CheckBoxChangedTest, AUserTickSurvivesASort) {
    TestLinkList list;
    LinkTableState state;
    AddRows(list, state, {MakeRecord("long.example"), MakeRecord("b"), MakeRecord("cc")});
    list.rows[0].checkState = 1;  // the user's click, then the list's event
    OnCheckBoxChanged(state, 0, 1);
    SortTable(list, state, 1, true);
    EXPECT_EQ(list.rows[2].cells[1], "long.example");
    EXPECT_EQ(list.rows[2].checkState, 1);
    EXPECT_EQ(list.rows[0].checkState + list.rows[1].checkState, 0);
}

}  // namespace
}  // namespace brevink
