// The reject run against the sandbox's webmaster platform: what the platform recorded is the
// check, and the outcome decides between the completion message and the failure message.
#include "table/reject_run.h"

#include <gtest/gtest.h>

#include <memory>

#include "support/sandbox_suite.h"
#include "table/memory_link_list.h"
#include "web/codepage.h"

namespace brevink {
namespace {

constexpr const char* kSite = "www.example-a.com";

std::string CompletionMessage() {
    return Gbk(u8"所有链站已拒绝完成，可登录百度站长平台查看效果。（一般生效时间为15~30天）");
}

// `rows` rows whose URLs name their row; the rows in `ticked` get state 1.
std::unique_ptr<MemoryLinkList> TableOf(int rows, const std::vector<int>& ticked) {
    auto list = std::make_unique<MemoryLinkList>();
    for (int i = 0; i < rows; ++i) {
        const int row = list->InsertRow(std::to_string(i + 1));
        list->SetCell(row, 1, "http://link.example/" + std::to_string(i) + "?q=a b~c");
    }
    for (int row : ticked) {
        list->SetCheckState(row, 1);
    }
    return list;
}

std::vector<int> FirstRows(int n) {
    std::vector<int> rows;
    for (int i = 0; i < n; ++i) {
        rows.push_back(i);
    }
    return rows;
}

class RejectRunTest : public SandboxSuiteTest {
  protected:
    void SetUp() override {
        SandboxSuiteTest::SetUp();
        cookie_ = SessionCookie();
    }

    RejectOutcome Run(const LinkList& list) {
        return RejectRun(list, Services(), kSite, cookie_, noStop_);
    }

    std::string cookie_;
    std::atomic<bool> noStop_{false};
};

struct TickCase {
    const char* name;
    int rows;
    std::vector<int> ticked;
    std::vector<size_t> entries;  // URLs per request the platform received, in order
};

class RejectRunTickTest : public RejectRunTest, public ::testing::WithParamInterface<TickCase> {};

TEST_P(RejectRunTickTest, ThePlatformReceivesExactlyTheTickedLinksInRowOrder) {
    const TickCase& c = GetParam();
    const std::unique_ptr<MemoryLinkList> list = TableOf(c.rows, c.ticked);
    const RejectOutcome outcome = Run(*list);

    EXPECT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.links, c.ticked.size());
    EXPECT_EQ(outcome.batches, c.entries.size());
    EXPECT_EQ(RejectMessage(outcome), CompletionMessage());

    const std::vector<test::SandboxRecord> records = Sandbox().Requests("reject");
    ASSERT_EQ(records.size(), c.entries.size());
    std::vector<std::string> received;
    for (size_t i = 0; i < records.size(); ++i) {
        const test::SandboxRecord& r = records[i];
        EXPECT_EQ(r.urls.size(), c.entries[i]) << "request " << i;
        EXPECT_EQ(r.key, kSite);
        EXPECT_EQ(r.Note("logged-in"), "1");
        EXPECT_EQ(r.Note("odd-entries"), "0");
        EXPECT_EQ(r.Header("Cookie"), cookie_);
        EXPECT_EQ(r.body.empty(), c.entries[i] == 0);
        received.insert(received.end(), r.urls.begin(), r.urls.end());
    }
    std::vector<std::string> expected;
    for (int row : c.ticked) {
        expected.push_back(list->Cell(row, 1));
    }
    EXPECT_EQ(received, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Ticks, RejectRunTickTest,
    ::testing::Values(TickCase{"None", 10, {}, {0}}, TickCase{"One", 10, {4}, {1}},
                      TickCase{"ThreeOfTen", 10, {1, 5, 9}, {3}},
                      TickCase{"Thousand", 1200, FirstRows(1000), {1000, 0}},
                      TickCase{"ThousandAndOne", 1001, FirstRows(1001), {1000, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RejectRunTest, OnlyStateOneCountsAndColumnOneIsWhatIsSent) {
    const std::unique_ptr<MemoryLinkList> list = TableOf(3, {0, 2});
    const std::string chinese = Gbk(u8"http://中文.example/页 ~");
    list->SetCell(2, 1, chinese);
    list->SetCell(0, 2, "anchor text is not sent");
    EXPECT_TRUE(Run(*list).Succeeded());
    const std::vector<test::SandboxRecord> records = Sandbox().Requests("reject");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].urls, (std::vector<std::string>{list->Cell(0, 1), chinese}));
}

TEST_F(RejectRunTest, AStoppedPlatformGivesTheFailureCountNeverTheCompletion) {
    struct Case {
        int rows;
        std::vector<int> ticked;
        size_t failedLinks;
        size_t failedBatches;
    };
    test::SandboxProcess stopped;
    ASSERT_TRUE(stopped.Started()) << stopped.Error();
    const Endpoints endpoints = stopped.Endpoints();
    stopped.Stop();
    for (const Case& c :
         {Case{10, {1, 5, 9}, 3, 1}, Case{10, {}, 0, 1}, Case{1001, FirstRows(1001), 1001, 2}}) {
        SCOPED_TRACE(c.ticked.size());
        const RejectOutcome outcome =
            RejectRun(*TableOf(c.rows, c.ticked), endpoints, kSite, cookie_, noStop_);
        EXPECT_FALSE(outcome.Succeeded());
        EXPECT_EQ(outcome.failedLinks, c.failedLinks);
        EXPECT_EQ(outcome.failedBatches, c.failedBatches);
        const std::string message = RejectMessage(outcome);
        EXPECT_NE(message, CompletionMessage());
        EXPECT_NE(message.find(std::to_string(c.failedLinks)), std::string::npos) << message;
    }
}

TEST_F(RejectRunTest, AnErrorStatusCountsAsNotSubmitted) {
    Endpoints wrong = Services();
    wrong.platformHost = wrong.rankHost;  // answers, but 404 for the disavow path
    const RejectOutcome outcome = RejectRun(*TableOf(5, {0, 1}), wrong, kSite, cookie_, noStop_);
    EXPECT_EQ(outcome.failedLinks, 2u);
    EXPECT_NE(RejectMessage(outcome), CompletionMessage());
}

TEST_F(RejectRunTest, AStopBeforeTheFirstBatchSendsNothing) {
    const std::atomic<bool> stop{true};
    const RejectOutcome outcome =
        RejectRun(*TableOf(1001, FirstRows(1001)), Services(), kSite, cookie_, stop);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.failedLinks, 1001u);
    EXPECT_EQ(Sandbox().Count("reject"), 0);
}

}  // namespace
}  // namespace brevink
