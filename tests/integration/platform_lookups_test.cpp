// Page titles and site ranks against the sandbox's linking pages and rank service.
#include <gtest/gtest.h>

#include "platform/inbound_links.h"
#include "platform/lookups.h"
#include "support/sandbox_suite.h"
#include "web/codepage.h"

namespace brevink {
namespace {

class LookupsTest : public SandboxSuiteTest {
  protected:
    // A path on linking-page host 127.0.1.<host>.
    static std::string PageHostUrl(int host, const std::string& path) {
        return "http://127.0.1." + std::to_string(host) + ":" +
               std::to_string(Sandbox().PagesPort()) + path;
    }
};

// Pages k = 8 .. 23 take every form twice: UTF-8 with and without a byte-order mark, declared
// in the page or in the header or not at all, GBK declared or not, markers in capitals, no title.
TEST_F(LookupsTest, TitlesOfEveryPageFormComeOutInGbk) {
    for (int k = 8; k < 24; ++k) {
        const std::string url = Sandbox().PageUrl(k % 8 + 1, k);
        SCOPED_TRACE(url);
        const std::string expected =
            k % 8 == 7 ? "" : Gbk(u8"外链页面") + std::to_string(k) + Gbk(u8" - 示例站点");
        ASSERT_EQ(Gbk(Sandbox().ExpectedTitle(url)), expected);
        EXPECT_EQ(FetchPageTitle(Services(), url), expected);
    }
    EXPECT_EQ(Sandbox().Count("page"), 16);  // a page with a body is asked for once
}

TEST_F(LookupsTest, TitleFetchTriesFiveTimesWhileTheBodyIsEmpty) {
    EXPECT_EQ(FetchPageTitle(Services(), PageHostUrl(2, "/empty")), "");
    EXPECT_EQ(Sandbox().Count("page"), 5);
    EXPECT_EQ(FetchPageTitle(Services(), PageHostUrl(3, "/flaky/4/12")),
              Gbk(u8"外链页面12 - 示例站点"));
    EXPECT_EQ(FetchPageTitle(Services(), PageHostUrl(3, "/flaky/5/12")), "");
    EXPECT_EQ(Sandbox().Count("flaky"), 10);
    EXPECT_EQ(FetchPageTitle(Services(), std::string("http://") + kDeadHost + "/page/1"), "");
}

TEST_F(LookupsTest, RankIsAskedForOncePerHost) {
    RankCache cache;
    // Hosts 127.0.1.1 .. 127.0.1.8, three links each; the rank is the host's last digit.
    for (int round = 0; round < 3; ++round) {
        for (int host = 1; host <= 8; ++host) {
            const std::string url = Sandbox().PageUrl(host, round * 100 + host);
            EXPECT_EQ(FetchSiteRank(Services(), cache, url), std::to_string(host % 10)) << url;
        }
    }
    EXPECT_EQ(Sandbox().Count("rank"), 8);
    EXPECT_EQ(cache.Size(), 8u);
    const auto records = Sandbox().Requests("rank");
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records[0].method, "GET");
    EXPECT_EQ(records[0].target, "/ajaxAction/baidurank.php?queryurl=127.0.1.1");
    EXPECT_EQ(records[0].Header("Cookie"), "");
}

TEST_F(LookupsTest, EmptyAndMissingRanksAreKeptToo) {
    RankCache cache;
    EXPECT_EQ(FetchSiteRank(Services(), cache, "http://empty.example.com/x"), "");
    EXPECT_EQ(Sandbox().Count("rank"), 3);  // an empty reply is asked for three times
    EXPECT_EQ(FetchSiteRank(Services(), cache, "http://NoRank.example.com/"), "");
    EXPECT_EQ(Sandbox().Count("rank"), 4);
    EXPECT_EQ(FetchSiteRank(Services(), cache, "empty.example.com"), "");
    EXPECT_EQ(FetchSiteRank(Services(), cache, "norank.example.com/y"), "");
    EXPECT_EQ(Sandbox().Count("rank"), 4);
    std::string rank = "x";
    EXPECT_TRUE(cache.Lookup("empty.example.com", rank));
    EXPECT_EQ(rank, "");
}

TEST_F(LookupsTest, RankCacheKeepsRanksOfAnEarlierRun) {
    RankCache cache;
    cache.Store("127.0.1.4", "9");  // found by an earlier run
    EXPECT_EQ(FetchSiteRank(Services(), cache, Sandbox().PageUrl(4, 1)), "9");
    EXPECT_EQ(Sandbox().Count("rank"), 0);
}

TEST(RankUnreachable, GivesTheEmptyRankAndStoresIt) {
    Endpoints endpoints;
    endpoints.rankHost = kDeadHost;
    RankCache cache;
    EXPECT_EQ(FetchSiteRank(endpoints, cache, "http://a.example.com/"), "");
    EXPECT_EQ(cache.Size(), 1u);
}

}  // namespace
}  // namespace brevink
