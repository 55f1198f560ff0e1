#include "table/filter_table.h"

#include <gtest/gtest.h>

#include "support/test_link_list.h"
#include "web/codepage.h"

namespace brevink {
namespace {

using test::AddRows;
using test::ColumnOf;
using test::MakeRecord;
using test::TestLinkList;
using Urls = std::vector<std::string>;

struct FilterCase {
    const char* name;
    std::vector<LinkRecord> records;
    FilterField field;
    std::string keyword;
    bool notContaining;
    Urls urls;  // column 1 afterwards
};

class FilterTableTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterTableTest, MovesTheMatchingRowsToTheTopInTheirOrder) {
    const FilterCase& c = GetParam();
    TestLinkList list;
    LinkTableState state;
    AddRows(list, state, c.records);
    FilterTable(list, state, c.field, c.keyword, c.notContaining);
    EXPECT_EQ(ColumnOf(list, 1), c.urls);
    EXPECT_EQ(ColumnOf(list, 0), (Urls{"1", "2", "3", "4"}));
    for (size_t i = 0; i < state.LinkRecords.size(); ++i) {
        EXPECT_EQ(state.LinkRecords[i].url, c.urls[i]);
    }
}

std::vector<LinkRecord> SeoRows() {
    return {MakeRecord("a.com"), MakeRecord("b.com/SEO"), MakeRecord("c.com"),
            MakeRecord("seo.d.com")};
}

// The GBK bytes of "啊啊" are B0 A1 B0 A1; A1 B0 ("“") sits across their boundary.
std::vector<LinkRecord> BoundaryRows() {
    return {MakeRecord("a", Gbk(u8"啊啊")), MakeRecord("b", Gbk(u8"说“好”")), MakeRecord("c", "x"),
            MakeRecord("d", Gbk(u8"“"))};
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, FilterTableTest,
    ::testing::Values(FilterCase{"KeywordInAnyCase",
                                 SeoRows(),
                                 FilterField::Url,
                                 "seo",
                                 false,
                                 {"b.com/SEO", "seo.d.com", "a.com", "c.com"}},
                      FilterCase{"NotContaining",
                                 SeoRows(),
                                 FilterField::Url,
                                 "seo",
                                 true,
                                 {"a.com", "c.com", "b.com/SEO", "seo.d.com"}},
                      FilterCase{"MatchingNothingKeepsTheOrder",
                                 SeoRows(),
                                 FilterField::Url,
                                 "zzz",
                                 false,
                                 {"a.com", "b.com/SEO", "c.com", "seo.d.com"}},
                      FilterCase{"EmptyKeywordOnEmptyTitles",
                                 SeoRows(),
                                 FilterField::Title,
                                 "",
                                 false,
                                 {"a.com", "b.com/SEO", "c.com", "seo.d.com"}},
                      FilterCase{"EmptyKeywordOnEmptyTitlesNotContaining",
                                 SeoRows(),
                                 FilterField::Title,
                                 "",
                                 true,
                                 {"a.com", "b.com/SEO", "c.com", "seo.d.com"}},
                      FilterCase{"EmptyKeywordMatchesEveryFilledField",
                                 {MakeRecord("a"), MakeRecord("b", "x"), MakeRecord("c"),
                                  MakeRecord("d", "y")},
                                 FilterField::Anchor,
                                 "",
                                 false,
                                 {"b", "d", "a", "c"}},
                      FilterCase{"ChineseKeywordOnlyAtCharacterBoundaries",
                                 BoundaryRows(),
                                 FilterField::Anchor,
                                 Gbk(u8"“"),
                                 false,
                                 {"b", "d", "a", "c"}},
                      FilterCase{"OnlyTheChosenField",
                                 {MakeRecord("seo1", "x"), MakeRecord("u2", "SeO", "seo"),
                                  MakeRecord("seo3"), MakeRecord("u4", "", "", -1)},
                                 FilterField::Anchor,
                                 "seo",
                                 false,
                                 {"u2", "seo1", "seo3", "u4"}},
                      FilterCase{"TitleField",
                                 {MakeRecord("u1", "", "SEO tips"), MakeRecord("u2"),
                                  MakeRecord("u3", "", "blog"), MakeRecord("u4", "", "seo")},
                                 FilterField::Title,
                                 "Seo",
                                 false,
                                 {"u1", "u4", "u2", "u3"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FilterTableFieldTest, OnlyAsciiLettersFoldCase) {
    // Full-width "ＳＥＯ" is not "seo", and a GBK byte is never folded.
    const LinkRecord record = MakeRecord(Gbk(u8"ＳＥＯ") + "Seo");
    EXPECT_TRUE(FieldContains(record, FilterField::Url, "sEO"));
    EXPECT_FALSE(FieldContains(record, FilterField::Url, Gbk(u8"ｓｅｏ")));
    EXPECT_EQ(Gbk(u8"啊"), "\xB0\xA1");
    EXPECT_EQ(Gbk(u8"“"), "\xA1\xB0");
}

TEST(FilterTableTicksTest, TicksTravelAndASecondFilterChangesNothing) {
    TestLinkList list;
    LinkTableState state;
    AddRows(list, state,
            {MakeRecord("a.com", "", "", -1, true), MakeRecord("b.seo", "", "", 3, true),
             MakeRecord("c.com"), MakeRecord("d.seo")});
    FilterTable(list, state, FilterField::Url, "SEO", false);
    const std::vector<TestLinkList::Row> once = list.rows;
    EXPECT_EQ(ColumnOf(list, 1), (Urls{"b.seo", "d.seo", "a.com", "c.com"}));
    EXPECT_EQ(list.rows[0].checkState, 1);
    EXPECT_EQ(list.rows[2].checkState, 1);
    EXPECT_EQ(list.rows[1].checkState, 0);
    EXPECT_TRUE(state.LinkRecords[0].checked && state.LinkRecords[2].checked);
    EXPECT_EQ(list.rows[0].cells[4], "3");
    FilterTable(list, state, FilterField::Url, "SEO", false);
    for (size_t i = 0; i < once.size(); ++i) {
        EXPECT_EQ(list.rows[i].cells, once[i].cells);
        EXPECT_EQ(list.rows[i].checkState, once[i].checkState);
    }
    EXPECT_EQ(list.writesWhileVisible, 0);
}

TEST(FilterTableTicksTest, AnEmptyTableStaysEmpty) {
    TestLinkList list;
    LinkTableState state;
    FilterTable(list, state, FilterField::Title, "x", true);
    EXPECT_TRUE(list.rows.empty());
    EXPECT_TRUE(state.LinkRecords.empty());
}

}  // namespace
}  // namespace brevink
