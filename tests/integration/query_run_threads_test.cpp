// The query run with its worker pools on real threads against a slow sandbox: stopping in
// either phase joins everything and keeps rows and records in step; readers of the list
// during the lookups (as the UI is) see consistent cells. Also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "support/sandbox_process.h"
#include "table/memory_link_list.h"
#include "table/query_run.h"
#include "web/codepage.h"
#include "web/text.h"

namespace brevink {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLinks = 2000;

class QueryRunThreadsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        test::SandboxOptions options;
        options.links = kLinks;
        options.delayMs = 20;
        sandbox_ = std::make_unique<test::SandboxProcess>(options);
    }
    static void TearDownTestSuite() { sandbox_.reset(); }

    void SetUp() override {
        ASSERT_TRUE(sandbox_->Started()) << sandbox_->Error();
        ASSERT_TRUE(sandbox_->Reset());
    }

    // Starts the run on a thread of its own, as the click does.
    void Start(bool lookups) {
        state.TitlesDone = true;
        state.RanksDone = true;
        state.PagePhase = true;
        state.QueryRunning = true;
        QueryRunInputs inputs;
        inputs.endpoints = sandbox_->Endpoints();
        inputs.cookie = sandbox_->SessionCookie();
        inputs.site = "www.example-a.com";
        inputs.titlesTicked = [lookups] { return lookups; };
        inputs.ranksTicked = [lookups] { return lookups; };
        inputs.setStartEnabled = [this](bool enabled) { enabledAtEnd = enabled; };
        thread = std::thread([this, inputs] { RunQuery(list, state, cache, inputs); });
    }

    // Waits (at most 30 s) until `ready` holds, then stops the run and joins it.
    Clock::duration StopWhen(const std::function<bool()>& ready) {
        const auto deadline = Clock::now() + std::chrono::seconds(30);
        while (!ready() && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_TRUE(ready());
        const auto stopAt = Clock::now();
        state.StopRequested = true;
        thread.join();
        return Clock::now() - stopAt;
    }

    void ExpectInStep() const {
        ASSERT_EQ(state.LinkRecords.size(), static_cast<size_t>(list.RowCount()));
        for (int row = 0; row < list.RowCount(); ++row) {
            ASSERT_EQ(list.Cell(row, 1), state.LinkRecords[row].url);
            ASSERT_EQ(list.Cell(row, 3), state.LinkRecords[row].title);
        }
        EXPECT_FALSE(state.QueryRunning || state.PagePhase);
        EXPECT_TRUE(state.TitlesDone && state.RanksDone);
        EXPECT_TRUE(enabledAtEnd);
    }

    static std::unique_ptr<test::SandboxProcess> sandbox_;
    MemoryLinkList list;
    LinkTableState state;
    RankCache cache;
    std::thread thread;
    bool enabledAtEnd = false;
};

std::unique_ptr<test::SandboxProcess> QueryRunThreadsTest::sandbox_;

TEST_F(QueryRunThreadsTest, StopInThePagePhaseEndsAtTheNextPage) {
    Start(true);
    const auto took = StopWhen([this] { return list.RowCount() >= 300; });
    EXPECT_LT(took, std::chrono::seconds(2));
    EXPECT_LT(list.RowCount(), kLinks);
    ExpectInStep();
    EXPECT_EQ(sandbox_->Count("page") + sandbox_->Count("rank"), 0);  // no lookups started
}

TEST_F(QueryRunThreadsTest, StopInTheLookupsJoinsEveryWorker) {
    Start(true);
    const auto took = StopWhen([this] {
        int titled = 0;
        for (int row = 0; row < 300 && row < list.RowCount(); ++row) {
            titled += list.Cell(row, 3).empty() ? 0 : 1;
        }
        return titled >= 10;
    });
    EXPECT_LT(took, std::chrono::seconds(2));
    EXPECT_EQ(list.RowCount(), kLinks);
    ExpectInStep();
    EXPECT_FALSE(state.TitleQueue.empty());  // tasks left untaken
    EXPECT_LT(sandbox_->Count("page"), kLinks);
}

TEST_F(QueryRunThreadsTest, ReadersSeeWholeCellsWhileWorkersWrite) {
    Start(true);
    int reads = 0;
    while (state.QueryRunning.load()) {
        const int rows = list.RowCount();
        for (int row = rows > 0 ? rows - 1 : 0; row >= 0 && row > rows - 50; --row) {
            const std::string rank = list.Cell(row, 4);
            EXPECT_TRUE(rank.empty() || TextToInt(rank) == (rank[0] - '0')) << rank;
            ++reads;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    thread.join();
    EXPECT_GT(reads, 0);
    ASSERT_EQ(list.RowCount(), kLinks);
    ExpectInStep();
    for (int row = 0; row < kLinks; row += 97) {
        const LinkRecord& record = state.LinkRecords[row];
        EXPECT_EQ(record.title, Gbk(sandbox_->ExpectedTitle(record.url)));
        EXPECT_EQ(list.Cell(row, 4), std::to_string(record.rank));
    }
    EXPECT_TRUE(state.TitleQueue.empty() && state.RankQueue.empty());
}

}  // namespace
}  // namespace brevink
