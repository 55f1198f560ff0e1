#include "table/sort_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <numeric>
#include <random>

#include "support/test_link_list.h"

namespace brevink {
namespace {

using test::AddRows;
using test::ColumnOf;
using test::MakeRecord;
using test::TestLinkList;

std::vector<size_t> ReferenceOrder(const std::vector<int>& keys) {
    std::vector<size_t> order(keys.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return std::max(keys[a], -1) < std::max(keys[b], -1);
    });
    return order;
}

struct OrderCase {
    const char* name;
    std::vector<int> keys;
    std::vector<size_t> order;
};

class StableOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(StableOrderTest, GivesTheStableAscendingOrder) {
    EXPECT_EQ(StableOrderByKey(GetParam().keys), GetParam().order);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, StableOrderTest,
    ::testing::Values(OrderCase{"Empty", {}, {}}, OrderCase{"AllZero", {0, 0, 0}, {0, 1, 2}},
                      OrderCase{"Distinct", {3, 1, 2}, {1, 2, 0}},
                      OrderCase{"TiesKeepTheirOrder", {2, 1, 2, 1}, {1, 3, 0, 2}},
                      OrderCase{
                          "NegativesBelowZeroInTheirOrder", {0, -1, 4, -7, -1}, {1, 3, 4, 0, 2}},
                      OrderCase{"AcrossTheDigitBoundary",
                                {70000, 65536, 65535, 1 << 30, INT_MAX, 65534, 65536},
                                {5, 2, 1, 6, 0, 3, 4}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StableOrderTest, AgreesWithStableSortOnRandomKeys) {
    std::mt19937 random(7);
    for (int maxKey : {1, 10, 300, 65535, 65536, 200000, INT_MAX}) {
        std::uniform_int_distribution<int> key(-2, maxKey);
        std::vector<int> keys(5000);
        for (int& k : keys) {
            k = key(random);
        }
        EXPECT_EQ(StableOrderByKey(keys), ReferenceOrder(keys)) << "largest key " << maxKey;
    }
}

// Rows whose URLs have the byte lengths 3, 1, 3, 2, 1 (ties tell their order by letter).
class SortTableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        AddRows(list, state,
                {MakeRecord("aaa", "a1"), MakeRecord("b", "b123"), MakeRecord("ccc", "c"),
                 MakeRecord("dd", "d12", "", 5, true), MakeRecord("e", "e12")});
    }
    std::vector<std::string> Urls() const { return ColumnOf(list, 1); }

    TestLinkList list;
    LinkTableState state;
};

TEST_F(SortTableTest, UrlDescendingIsTheExactReverseOfAscending) {
    SortTable(list, state, 1, true);
    const std::vector<std::string> ascending = Urls();
    EXPECT_EQ(ascending, (std::vector<std::string>{"b", "e", "dd", "aaa", "ccc"}));
    SortTable(list, state, 1, false);
    std::vector<std::string> descending = Urls();
    std::reverse(descending.begin(), descending.end());
    EXPECT_EQ(descending, ascending);
}

TEST_F(SortTableTest, EqualKeysKeepTheOrderOfThePreviousSort) {
    SortTable(list, state, 2, true);  // anchors: c, a1, d12, e12, b123
    SortTable(list, state, 1, true);
    EXPECT_EQ(Urls(), (std::vector<std::string>{"e", "b", "dd", "ccc", "aaa"}));
}

TEST_F(SortTableTest, RowsFollowTheirRecordsButNotTheirNumbers) {
    SortTable(list, state, 1, false);
    EXPECT_EQ(ColumnOf(list, 0), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    for (size_t i = 0; i < list.rows.size(); ++i) {
        const LinkRecord& record = state.LinkRecords[i];
        EXPECT_EQ(list.rows[i].cells[1], record.url);
        EXPECT_EQ(list.rows[i].cells[2], record.anchor);
        EXPECT_EQ(list.rows[i].checkState, record.checked ? 1 : 0);
    }
    EXPECT_EQ(list.rows[2].cells[1], "dd");
    EXPECT_EQ(list.rows[2].checkState, 1);  // the ticked row moved with its tick
    EXPECT_EQ(list.rows[2].cells[4], "5");
}

TEST(SortRankTest, UnrankedRowsFormOneGroupBelowRankZero) {
    TestLinkList list;
    LinkTableState state;
    AddRows(list, state,
            {MakeRecord("r3", "", "", 3), MakeRecord("n1"), MakeRecord("r0", "", "", 0),
             MakeRecord("n2"), MakeRecord("r5", "", "", 5)});
    SortTable(list, state, 4, true);
    EXPECT_EQ(ColumnOf(list, 1), (std::vector<std::string>{"n1", "n2", "r0", "r3", "r5"}));
    EXPECT_EQ(ColumnOf(list, 4), (std::vector<std::string>{"", "", "0", "3", "5"}));
    SortTable(list, state, 4, false);
    EXPECT_EQ(ColumnOf(list, 1), (std::vector<std::string>{"r5", "r3", "r0", "n2", "n1"}));
}

TEST(RefillTableTest, WritesEveryRowWithTheListHiddenAndNeverColumnZero) {
    TestLinkList list;
    LinkTableState state;
    AddRows(list, state, {MakeRecord("u1"), MakeRecord("u2")});
    list.rows[0].cells[0] = "17";
    state.LinkRecords[0] = MakeRecord("x", "anchor", "title", -1, true);
    state.LinkRecords[1] = MakeRecord("y", "", "", 12);
    RefillTable(list, state);
    EXPECT_EQ(list.writesWhileVisible, 0);
    EXPECT_TRUE(list.visible);
    EXPECT_EQ(list.rows[0].cells, (std::array<std::string, 5>{"17", "x", "anchor", "title", ""}));
    EXPECT_EQ(list.rows[0].checkState, 1);
    EXPECT_EQ(list.rows[1].cells, (std::array<std::string, 5>{"2", "y", "", "", "12"}));
    EXPECT_EQ(list.rows[1].checkState, 0);
}

TEST(RefillTableTest, ARowWithoutRecordIsLeftAlone) {
    TestLinkList list;
    LinkTableState state;
    AddRows(list, state, {MakeRecord("u1")});
    list.InsertRow("2");
    state.LinkRecords[0].url = "v1";
    RefillTable(list, state);
    EXPECT_EQ(ColumnOf(list, 1), (std::vector<std::string>{"v1", ""}));
}

struct RunFlags {
    const char* name;
    bool titlesDone, ranksDone, pagePhase, queryRunning;
};

class HeaderRefusalTest : public ::testing::TestWithParam<RunFlags> {};

TEST_P(HeaderRefusalTest, RefusesWithoutSortingOrFlipping) {
    TestLinkList list;
    LinkTableState state;
    AddRows(list, state, {MakeRecord("bb"), MakeRecord("a")});
    state.TitlesDone = GetParam().titlesDone;
    state.RanksDone = GetParam().ranksDone;
    state.PagePhase = GetParam().pagePhase;
    state.QueryRunning = GetParam().queryRunning;
    for (int column = 0; column <= 4; ++column) {
        EXPECT_EQ(OnHeaderClicked(list, state, column), HeaderClick::Refused);
    }
    EXPECT_EQ(state.SortAscending, (std::array<bool, 4>{}));
    EXPECT_EQ(ColumnOf(list, 1), (std::vector<std::string>{"bb", "a"}));
}

INSTANTIATE_TEST_SUITE_P(Runs, HeaderRefusalTest,
                         ::testing::Values(RunFlags{"BeforeTheFirstRun", false, false, false,
                                                    false},
                                           RunFlags{"TitlesPending", false, true, false, true},
                                           RunFlags{"RanksPending", true, false, false, true},
                                           RunFlags{"PagePhase", true, true, true, true},
                                           RunFlags{"RunStillEnding", true, true, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

class HeaderClickTest : public SortTableTest {
  protected:
    void SetUp() override {
        SortTableTest::SetUp();
        state.TitlesDone = true;
        state.RanksDone = true;
    }
};

TEST_F(HeaderClickTest, EachColumnKeepsItsOwnDirection) {
    EXPECT_EQ(OnHeaderClicked(list, state, 2), HeaderClick::Sorted);
    EXPECT_EQ(OnHeaderClicked(list, state, 1), HeaderClick::Sorted);
    EXPECT_EQ(Urls(), (std::vector<std::string>{"e", "b", "dd", "ccc", "aaa"}));
    EXPECT_EQ(OnHeaderClicked(list, state, 1), HeaderClick::Sorted);
    EXPECT_EQ(Urls(), (std::vector<std::string>{"aaa", "ccc", "dd", "b", "e"}));
    EXPECT_EQ(state.SortAscending, (std::array<bool, 4>{false, true, false, false}));
}

TEST_F(HeaderClickTest, TheIdColumnDoesNothing) {
    EXPECT_EQ(OnHeaderClicked(list, state, 0), HeaderClick::Ignored);
    EXPECT_EQ(Urls(), (std::vector<std::string>{"aaa", "b", "ccc", "dd", "e"}));
    EXPECT_EQ(state.SortAscending, (std::array<bool, 4>{}));
}

TEST_F(HeaderClickTest, TitlesNeverLookedUpKeepOrReverseTheOrder) {
    OnHeaderClicked(list, state, 3);
    EXPECT_EQ(Urls(), (std::vector<std::string>{"aaa", "b", "ccc", "dd", "e"}));
    OnHeaderClicked(list, state, 3);
    EXPECT_EQ(Urls(), (std::vector<std::string>{"e", "dd", "ccc", "b", "aaa"}));
}

TEST(HeaderClickEmptyTest, AnEmptyTableOnlyFlipsTheDirection) {
    TestLinkList list;
    LinkTableState state;
    state.TitlesDone = true;
    state.RanksDone = true;
    EXPECT_EQ(OnHeaderClicked(list, state, 4), HeaderClick::Sorted);
    EXPECT_EQ(state.SortAscending, (std::array<bool, 4>{false, false, false, true}));
    EXPECT_TRUE(list.rows.empty());
}

}  // namespace
}  // namespace brevink
