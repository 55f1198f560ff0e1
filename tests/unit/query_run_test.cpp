// The query run against the sandbox, into a list in memory: rows, records, queues, the
// requests the platform and the rank service see, and what the counts do to it.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/inbound_links.h"
#include "support/sandbox_suite.h"
#include "table/memory_link_list.h"
#include "table/query_run.h"
#include "web/codepage.h"

namespace brevink {
namespace {

using Clock = std::chrono::steady_clock;

class QueryRunTest : public SandboxSuiteTest {
  protected:
    void SetUp() override {
        SandboxSuiteTest::SetUp();
        cookie_ = SessionCookie();
    }

    // As the click does: both flags true, the run's own flags set, then the run.
    void Run(const std::string& site, bool titles, bool ranks) {
        state.TitlesDone = true;
        state.RanksDone = true;
        state.PagePhase = true;
        state.QueryRunning = true;
        QueryRunInputs inputs;
        inputs.endpoints = Services();
        inputs.cookie = cookie_;
        inputs.site = site;
        inputs.titlesTicked = [titles] { return titles; };
        inputs.ranksTicked = [ranks] { return ranks; };
        inputs.setStartEnabled = [this](bool enabled) {
            buttonStates.push_back(enabled);
            if (enabled) {
                enabledAt = Clock::now();
            }
        };
        inputs.progress = [this](const QueryProgress& progress) {
            if (progress.pagePhase) {
                lastPageAt = Clock::now();
            }
            last = progress;
        };
        RunQuery(list, state, cache, inputs);
    }

    std::vector<std::string> DetailPages() const {
        std::vector<std::string> pages;
        for (const test::SandboxRecord& record : Sandbox().Requests("detail")) {
            pages.push_back(record.target.substr(record.target.rfind("page=") + 5));
        }
        return pages;
    }

    // Rows and records in step, column by column.
    void ExpectRowsMatchRecords() const {
        ASSERT_EQ(state.LinkRecords.size(), static_cast<size_t>(list.RowCount()));
        for (int row = 0; row < list.RowCount(); ++row) {
            const LinkRecord& record = state.LinkRecords[row];
            ASSERT_EQ(list.Cell(row, 0), std::to_string(row + 1));
            ASSERT_EQ(list.Cell(row, 1), record.url);
            ASSERT_EQ(list.Cell(row, 2), record.anchor);
            ASSERT_EQ(list.Cell(row, 3), record.title);
            ASSERT_EQ(record.urlLength, static_cast<int>(record.url.size()));
            ASSERT_EQ(record.anchorLength, static_cast<int>(record.anchor.size()));
            ASSERT_EQ(record.titleLength, static_cast<int>(record.title.size()));
            ASSERT_FALSE(record.checked);
            ASSERT_EQ(list.CheckState(row), 0);
        }
    }

    std::set<std::string> HostsOfRows() const {
        std::set<std::string> hosts;
        for (const LinkRecord& record : state.LinkRecords) {
            hosts.insert(HostOf(record.url));
        }
        return hosts;
    }

    std::string cookie_;
    MemoryLinkList list;
    LinkTableState state;
    RankCache cache;
    std::vector<bool> buttonStates;
    QueryProgress last;
    Clock::time_point lastPageAt;
    Clock::time_point enabledAt;
};

TEST_F(QueryRunTest, AllLinksOfTheSiteBecomeRowsRecordsAndTasks) {
    Run("www.example-a.com", false, false);

    ASSERT_EQ(list.RowCount(), 250);
    ExpectRowsMatchRecords();
    EXPECT_EQ(DetailPages(), (std::vector<std::string>{"1", "1", "2", "3", "4"}));
    EXPECT_EQ(list.LastScrolledRow(), 249);
    for (const LinkRecord& record : state.LinkRecords) {
        EXPECT_EQ(record.rank, -1);
        EXPECT_FALSE(record.url.empty());
    }
    // Link 10's anchor is empty on the platform.
    EXPECT_EQ(list.Cell(9, 2), "");
    EXPECT_EQ(state.LinkRecords[9].anchorLength, 0);
    EXPECT_EQ(list.Cell(0, 2), Gbk(u8"优质外链1号"));

    ASSERT_EQ(state.TitleQueue.size(), 250u);
    ASSERT_EQ(state.RankQueue.size(), 250u);
    for (int row = 0; row < 250; ++row) {
        EXPECT_EQ(state.TitleQueue[row].row, row);
        EXPECT_EQ(state.RankQueue[row].row, row);
    }
    EXPECT_EQ(buttonStates, (std::vector<bool>{false, true}));
    EXPECT_TRUE(state.TitlesDone && state.RanksDone);
    EXPECT_FALSE(state.PagePhase || state.QueryRunning);
    EXPECT_EQ(Sandbox().Count("page") + Sandbox().Count("rank"), 0);
    EXPECT_TRUE(last.finished);
    EXPECT_EQ(last.pages, 3);
    EXPECT_EQ(last.links, 250);
    EXPECT_EQ(last.count, 250);
    // Without lookups the run ends right after the last page (no wait for a poll).
    EXPECT_LT(enabledAt - lastPageAt, std::chrono::milliseconds(500));
}

TEST_F(QueryRunTest, OnlyTitlesTickedFillsTitlesAndLeavesTheRankQueue) {
    Run("www.example-a.com", true, false);

    ASSERT_EQ(list.RowCount(), 250);
    ExpectRowsMatchRecords();
    int titled = 0;
    for (int row = 0; row < 250; ++row) {
        const LinkRecord& record = state.LinkRecords[row];
        EXPECT_EQ(record.title, Gbk(Sandbox().ExpectedTitle(record.url))) << record.url;
        EXPECT_EQ(record.rank, -1);
        EXPECT_EQ(list.Cell(row, 4), "");
        titled += record.title.empty() ? 0 : 1;
    }
    EXPECT_GT(titled, 200);
    EXPECT_TRUE(state.TitleQueue.empty());
    EXPECT_EQ(state.RankQueue.size(), 250u);
    EXPECT_EQ(Sandbox().Count("page"), 250);
    EXPECT_EQ(Sandbox().Count("rank"), 0);
    EXPECT_TRUE(state.TitlesDone && state.RanksDone);
    EXPECT_EQ(last.lookups.titlesDone, 250);
    EXPECT_EQ(last.lookups.titlesTotal, 250);
    EXPECT_EQ(buttonStates, (std::vector<bool>{false, true}));
}

TEST_F(QueryRunTest, SecondRunReplacesRowsAndAsksNoRankTwice) {
    Run("www.example-a.com", false, true);
    const std::set<std::string> firstHosts = HostsOfRows();
    // One request per distinct host, however many links share it.
    EXPECT_EQ(Sandbox().Count("rank"), static_cast<long long>(firstHosts.size()));
    for (int row = 0; row < list.RowCount(); ++row) {
        const std::string host = HostOf(state.LinkRecords[row].url);
        const int expected = (host.back() - '0') % 10;  // the rank service's rule for 127.0.1.x
        EXPECT_EQ(state.LinkRecords[row].rank, expected) << host;
        EXPECT_EQ(list.Cell(row, 4), std::to_string(expected));
    }
    EXPECT_EQ(cache.Size(), firstHosts.size());

    ASSERT_TRUE(Sandbox().Reset());
    buttonStates.clear();
    Run("http://shop.example-b.cn/", false, true);
    ASSERT_EQ(list.RowCount(), 120);
    ExpectRowsMatchRecords();
    EXPECT_EQ(state.TitleQueue.size(), 120u);
    EXPECT_TRUE(state.RankQueue.empty());
    std::set<std::string> newHosts;
    for (const std::string& host : HostsOfRows()) {
        if (!firstHosts.contains(host)) {
            newHosts.insert(host);
        }
    }
    EXPECT_EQ(Sandbox().Count("rank"), static_cast<long long>(newHosts.size()));
    for (const LinkRecord& record : state.LinkRecords) {
        EXPECT_GE(record.rank, 0) << record.url;
        EXPECT_TRUE(record.title.empty());
    }
}

struct CountCase {
    const char* site;
    int rows;            // what the pages deliver, whatever the count says
    int detailRequests;  // the count request and the pages up to the done marker
};

class QueryRunCountTest : public QueryRunTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(QueryRunCountTest, RowsAndRecordsFollowTheDeliveredLinks) {
    const CountCase& c = GetParam();
    Run(c.site, true, true);
    EXPECT_EQ(list.RowCount(), c.rows);
    ExpectRowsMatchRecords();
    EXPECT_EQ(Sandbox().Count("detail"), c.detailRequests);
    EXPECT_EQ(Sandbox().Count("page"), c.rows);
    EXPECT_TRUE(state.TitleQueue.empty() && state.RankQueue.empty());
    EXPECT_TRUE(state.TitlesDone && state.RanksDone);
    for (const LinkRecord& record : state.LinkRecords) {
        EXPECT_GE(record.rank, 0);
    }
    EXPECT_EQ(buttonStates, (std::vector<bool>{false, true}));
}

INSTANTIATE_TEST_SUITE_P(
    Counts, QueryRunCountTest,
    ::testing::Values(CountCase{"empty.example-c.net", 0, 1},   // count 0: no page asked for
                      CountCase{"more.example-d.org", 180, 4},  // reports 150, delivers 180
                      CountCase{"fewer.example-e.org", 120, 4}  // reports 150, delivers 120
                      ));

TEST_F(QueryRunTest, AFailedCountRequestLeavesTheTableEmpty) {
    cookie_ = "BDUSS=unknown;";  // the platform answers "not logged in"
    list.InsertRow("old");
    state.LinkRecords.resize(1);
    state.TitleQueue.push_back({0});
    Run("www.example-a.com", true, true);
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_TRUE(state.LinkRecords.empty());
    EXPECT_TRUE(state.TitleQueue.empty() && state.RankQueue.empty());
    EXPECT_EQ(Sandbox().Count("detail"), 1);
    EXPECT_EQ(buttonStates, (std::vector<bool>{false, true}));
}

}  // namespace
}  // namespace brevink
