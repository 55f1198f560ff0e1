// The sandbox's own contract, checked with plain libcurl requests: the platform's markers, the
// pages of links, the disavow record, the rank service, the linking pages and its life cycle.
#include <gtest/gtest.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/plain_http.h"
#include "support/sandbox_process.h"

namespace brevink::test {
namespace {

const std::string kSiteLabel =
    "\xE8\xAF\xB7\xE8\xBE\x93\xE5\x85\xA5\xE6\x82\xA8\xE6\x83\xB3\xE6\x9F\xA5\xE8\xAF\xA2\xE7\x9A"
    "\x84\xE7\xBD\x91\xE7\xAB\x99\xE5\x9C\xB0\xE5\x9D\x80\xEF\xBC\x9A</label>";  // UTF-8

std::string ToGbk(const std::string& utf8) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1))
        return "";
    out.resize(out.size() - outLeft);
    return out;
}

size_t Occurrences(const std::string& text, const std::string& needle) {
    size_t count = 0;
    for (size_t pos = text.find(needle); pos != std::string::npos;
         pos = text.find(needle, pos + 1)) {
        ++count;
    }
    return count;
}

class SandboxTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { sandbox_ = std::make_unique<SandboxProcess>(); }
    static void TearDownTestSuite() { sandbox_.reset(); }
    void SetUp() override {
        ASSERT_TRUE(sandbox_->Started()) << sandbox_->Error();
        ASSERT_TRUE(sandbox_->Reset());
        cookie_ = sandbox_->SessionCookie();
    }

    static std::string Platform(const std::string& pathAndQuery) {
        return "http://" + sandbox_->Endpoints().platformHost + pathAndQuery;
    }
    static std::string DetailPath(const std::string& host, int page) {
        return "/inbound/detail?d=" + host + "&root=0&site=http%3A%2F%2F" + host +
               "%2F&pagesize=100&page=" + std::to_string(page);
    }
    PlainReply Post(const std::string& pathAndQuery, const std::string& body = "") const {
        return PlainPost(Platform(pathAndQuery), body, {"Cookie: " + cookie_});
    }

    static std::unique_ptr<SandboxProcess> sandbox_;
    std::string cookie_;
};

std::unique_ptr<SandboxProcess> SandboxTest::sandbox_;

TEST_F(SandboxTest, PrintsEndpointsThatPointAtLoopback) {
    const Endpoints& endpoints = sandbox_->Endpoints();
    for (const std::string* host : {&endpoints.accountHost, &endpoints.platformHost,
                                    &endpoints.portalHost, &endpoints.rankHost}) {
        const std::string port = host->substr(std::min(host->size(), size_t{10}));
        EXPECT_EQ(host->rfind("127.0.0.1:", 0), 0u) << *host;
        EXPECT_TRUE(!port.empty() && port.find_first_not_of("0123456789") == std::string::npos)
            << *host;
    }
    EXPECT_EQ(access(endpoints.caFile.c_str(), R_OK), 0) << endpoints.caFile;
    EXPECT_EQ(sandbox_->EndpointsSection().rfind("[Endpoints]\nAccountHost=127.0.0.1:", 0), 0u);
    EXPECT_EQ(sandbox_->EndpointsSection().find("[Sandbox]"), std::string::npos);
    EXPECT_GT(sandbox_->PagesPort(), 0);
}

TEST_F(SandboxTest, SitePageListsTheSitesOnlyForALoggedInCookie) {
    const PlainReply in = PlainGet(Platform("/inbound/index"), {"Cookie: " + cookie_});
    const size_t label = in.body.find(kSiteLabel);
    ASSERT_NE(label, std::string::npos) << in.body;
    const std::string section = in.body.substr(label, in.body.find("</ul>", label) - label);
    const std::vector<std::string> expected = {"www.example-a.com", "http://shop.example-b.cn/",
                                               "empty.example-c.net", "more.example-d.org",
                                               "fewer.example-e.org"};
    std::vector<std::string> values;
    const std::string marker = "data-value=\"";
    for (size_t pos = section.find(marker); pos != std::string::npos;
         pos = section.find(marker, pos + 1)) {
        const size_t start = pos + marker.size();
        values.push_back(section.substr(start, section.find('"', start) - start));
    }
    EXPECT_EQ(values, expected);

    for (const std::string cookie : {"", "BDUSS=forged;PTOKEN=x;"}) {
        const PlainReply out = PlainGet(Platform("/inbound/index"), {"Cookie: " + cookie});
        EXPECT_EQ(out.status, 200);
        EXPECT_EQ(out.body.find(kSiteLabel), std::string::npos);
        EXPECT_EQ(out.body.find("data-value"), std::string::npos);
    }
    EXPECT_EQ(sandbox_->Count("sites"), 3);
    EXPECT_EQ(sandbox_->Count("sites", "demo"), 1);
}

// 250 links: pages 1..3 hold 100, 100 and 50; page 4 is answered with page 3.
TEST_F(SandboxTest, DetailPagesOf250LinksEndOnThePageNumberMismatch) {
    const struct {
        int asked, answered, items;
    } cases[] = {{1, 1, 100}, {2, 2, 100}, {3, 3, 50}, {4, 3, 50}, {0, 1, 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE("page " + std::to_string(c.asked));
        const PlainReply reply = Post(DetailPath("www.example-a.com", c.asked));
        EXPECT_EQ(reply.status, 200);
        EXPECT_NE(reply.body.find("\"count\":\"250\""), std::string::npos);
        EXPECT_NE(reply.body.find("\"page\":" + std::to_string(c.answered) + ","),
                  std::string::npos);
        EXPECT_EQ(Occurrences(reply.body, "\"outer_url\":\"http:\\/\\/127.0.1."),
                  static_cast<size_t>(c.items));
        EXPECT_EQ(Occurrences(reply.body, "},{") + 1, static_cast<size_t>(c.items));
    }
    EXPECT_EQ(sandbox_->Count("detail", "www.example-a.com"), 5);
}

TEST_F(SandboxTest, DetailEscapesSlashesAndNonAsciiAndSendsEmptyAnchors) {
    const std::string body = Post(DetailPath("www.example-a.com", 1)).body;
    EXPECT_EQ(body.find("://"), std::string::npos) << "every slash is escaped";
    for (const unsigned char c : body)
        ASSERT_LT(c, 0x80) << "non-ASCII is sent as \\u escapes";
    // Link 1: 优质外链1号; link 10: empty; link 7: not in GBK.
    EXPECT_NE(body.find("\"anchor\":\"\\u4f18\\u8d28\\u5916\\u94fe1\\u53f7\""), std::string::npos);
    EXPECT_NE(body.find("\"anchor\":\"\""), std::string::npos);
    EXPECT_NE(body.find("\"anchor\":\"Hangul \\ud55c\\uae00 7\""), std::string::npos);
    EXPECT_NE(body.find("\"anchor\":\"seo tools 3\""), std::string::npos);
    EXPECT_NE(body.find("?"), std::string::npos) << "some URLs carry a query string";
}

TEST_F(SandboxTest, DetailAnswersTheCountAsReportedAndRefusesStrangers) {
    const struct {
        std::string host;
        std::string count;
        size_t delivered;
    } sites[] = {{"more.example-d.org", "150", 180},
                 {"fewer.example-e.org", "150", 120},
                 {"shop.example-b.cn", "120", 120},
                 {"empty.example-c.net", "0", 0}};
    for (const auto& site : sites) {
        SCOPED_TRACE(site.host);
        size_t links = 0;
        for (int page = 1; page <= 2; ++page) {
            const std::string body = Post(DetailPath(site.host, page)).body;
            EXPECT_NE(body.find("\"count\":\"" + site.count + "\""), std::string::npos);
            links += Occurrences(body, "\"outer_url\"");
        }
        EXPECT_EQ(links, site.delivered);
    }
    const PlainReply stranger = PlainPost(Platform(DetailPath("www.example-a.com", 1)), "");
    EXPECT_NE(stranger.body.find("\"status\":302"), std::string::npos);
    EXPECT_EQ(stranger.body.find("\"count\""), std::string::npos);
    EXPECT_NE(Post(DetailPath("unknown.example.org", 1)).body.find("\"status\":404"),
              std::string::npos);
}

// A batch of 1000 links is ~70 KB of form body, beyond what the server library takes as a
// plain form; every URL must come through, decoded, in order.
TEST_F(SandboxTest, RecordsEveryUrlOfALargeDisavowBatch) {
    std::vector<std::string> urls;
    std::string body;
    for (int i = 0; i < 1000; ++i) {
        urls.push_back("http://127.0.1." + std::to_string(i % 50 + 1) + ":8080/page/" +
                       std::to_string(i) + "/forum-thread-1-1.html?x=1&y=%3D");
    }
    urls[3] = "http://127.0.1.2/a b~c/\xD6\xD0\xCE\xC4";  // blank, tilde, GBK bytes of 中文
    for (const std::string& url : urls) {
        body += (body.empty() ? "" : "&") + std::string("urls%5B%5D=") + FormEncode(url) + "+url";
    }
    ASSERT_GT(body.size(), 60000u);
    const std::string query =
        "/inbound/addrejectbatch?site=http%3A%2F%2Fwww.example-a.com%2F&d=www.example-a.com";
    const PlainReply reply = PlainPost(
        Platform(query), body,
        {"Cookie: " + cookie_, "X-Request-By: baidu.ajax", "X-Requested-With: XMLHttpRequest",
         "Content-Type: application/x-www-form-urlencoded"});
    EXPECT_EQ(reply.status, 200);
    EXPECT_NE(reply.body.find("\"success\":1000"), std::string::npos) << reply.body;
    EXPECT_EQ(Post(query).status, 200);  // the empty final batch

    const std::vector<SandboxRecord> batches = sandbox_->Requests("reject");
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(batches[0].urls, urls);
    EXPECT_EQ(batches[0].body, body);
    EXPECT_EQ(batches[0].target, query);
    EXPECT_EQ(batches[0].key, "www.example-a.com");
    EXPECT_EQ(batches[0].Header("cookie"), cookie_);
    EXPECT_EQ(batches[0].Header("X-Requested-With"), "XMLHttpRequest");
    EXPECT_EQ(batches[0].Note("logged-in"), "1");
    EXPECT_EQ(batches[0].Note("odd-entries"), "0");
    EXPECT_TRUE(batches[1].urls.empty());
    EXPECT_EQ(batches[1].Note("entries"), "0");
    EXPECT_LT(batches[0].seq, batches[1].seq);
}

TEST_F(SandboxTest, RankFollowsTheHostAndCountsEveryRequest) {
    const struct {
        std::string host, reply;
    } cases[] = {{"127.0.1.13", "3#127.0.1.13"},
                 {"127.0.1.40", "0#127.0.1.40"},
                 {"empty.example.org", ""},
                 {"norank.example.org", "#no rank"}};
    for (const auto& c : cases) {
        const std::string url = "http://" + sandbox_->Endpoints().rankHost +
                                "/ajaxAction/baidurank.php?queryurl=" + c.host;
        EXPECT_EQ(PlainGet(url).body, c.reply) << c.host;
        EXPECT_EQ(PlainGet(url).body, c.reply) << c.host;
    }
    EXPECT_EQ(sandbox_->Count("rank", "127.0.1.13"), 2);
    EXPECT_EQ(sandbox_->Count("rank"), 8);
    ASSERT_TRUE(sandbox_->Reset());
    EXPECT_EQ(sandbox_->Count("rank"), 0);
}

// K % 8 chooses the page's form; the title follows from K alone.
TEST_F(SandboxTest, LinkingPagesComeInEveryCharsetForm) {
    const struct {
        bool gbk, bom, capitals, title;
        std::string declared;  // in the page or the Content-Type header
    } forms[8] = {{false, true, false, true, ""},
                  {false, false, false, true, "<meta charset=\"utf-8\">"},
                  {false, false, false, true, "charset=utf-8"},
                  {true, false, false, true, "charset=gbk\">"},
                  {true, false, false, true, ""},
                  {false, true, true, true, ""},
                  {true, false, true, true, "<meta charset=\"gb2312\">"},
                  {false, false, false, false, "<meta charset=\"utf-8\">"}};
    for (long long k = 800; k < 816; ++k) {
        const auto& form = forms[k % 8];
        SCOPED_TRACE("page " + std::to_string(k));
        const std::string url = sandbox_->PageUrl(static_cast<int>(k % 8) + 1, k) + "/x.html?a=1";
        const PlainReply page = PlainGet(url);
        ASSERT_EQ(page.status, 200);
        const std::string title = "\xE5\xA4\x96\xE9\x93\xBE\xE9\xA1\xB5\xE9\x9D\xA2" +
                                  std::to_string(k) +
                                  " - \xE7\xA4\xBA\xE4\xBE\x8B\xE7\xAB\x99\xE7\x82\xB9";
        const std::string open = form.capitals ? "<TITLE>" : "<title>";
        const std::string close = form.capitals ? "</TITLE>" : "</title>";
        const std::string inPage = open + (form.gbk ? ToGbk(title) : title) + close;
        EXPECT_EQ(page.body.find(inPage) != std::string::npos, form.title);
        EXPECT_EQ(page.body.rfind("\xEF\xBB\xBF", 0) == 0, form.bom);
        if (!form.declared.empty()) {
            EXPECT_NE((page.headers + page.body).find(form.declared), std::string::npos);
        } else {
            EXPECT_EQ((page.headers + page.body).find("charset"), std::string::npos);
        }
        EXPECT_EQ(sandbox_->ExpectedTitle(url), form.title ? title : "");
    }
    EXPECT_EQ(sandbox_->Count("page"), 16);
    EXPECT_EQ(sandbox_->Count("page", "127.0.1.3"), 2);
}

TEST_F(SandboxTest, ExpectedTitleFollowsThePathOfTheUrl) {
    const std::string page9 = sandbox_->ExpectedTitle(sandbox_->PageUrl(1, 9));
    ASSERT_FALSE(page9.empty());
    const std::string base = "http://127.0.1.5:" + std::to_string(sandbox_->PagesPort());
    const struct {
        std::string path;
        std::string title;
    } cases[] = {{"/page/9", page9},
                 {"/page/9/a/b.html?x=/page/3", page9},
                 {"/page/9abc", page9},
                 {"/flaky/2/9", page9},
                 {"/flaky/2/9?x=1", page9},
                 {"/flaky/2/9/x", ""},
                 {"/flaky/9", ""},
                 {"/page/15", ""},
                 {"/page/", ""},
                 {"/empty", ""},
                 {"/other/page/9", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(sandbox_->ExpectedTitle(base + c.path), c.title) << c.path;
}

TEST_F(SandboxTest, FlakyPageAnswersEmptyFirst) {
    const std::string url =
        "http://127.0.1.2:" + std::to_string(sandbox_->PagesPort()) + "/flaky/2/9";
    EXPECT_EQ(PlainGet(url).body, "");
    EXPECT_EQ(PlainGet(url).body, "");
    EXPECT_NE(PlainGet(url).body.find("<title>"), std::string::npos);
    EXPECT_EQ(
        PlainGet("http://127.0.1.2:" + std::to_string(sandbox_->PagesPort()) + "/empty").status,
        200);
}

// The listen backlog and pools hold 100 clients at once (the library's own limits do not).
TEST_F(SandboxTest, ServesHundredClientsAtOnce) {
    std::vector<std::thread> clients;
    std::vector<long> statuses(100, 0);
    for (size_t i = 0; i < statuses.size(); ++i) {
        clients.emplace_back([&statuses, i] {
            statuses[i] =
                PlainGet(sandbox_->PageUrl(static_cast<int>(i % 8) + 1, static_cast<long long>(i)))
                    .status;
        });
    }
    for (std::thread& client : clients)
        client.join();
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), 200), 100);
    EXPECT_EQ(sandbox_->Count("page"), 100);
}

TEST(SandboxLifeTest, ReadsADataFileAndMakesTheCountLie) {
    const std::string path = std::string(BREVINK_BINARY_DIR) + "/sandbox_test_data.txt";
    std::ofstream(path) << "# two sites\nsite Mine.Example.COM/\ncount 7\n"
                           "http://127.0.1.1:{port}/page/3\tanchor \xE4\xB8\xAD\n"
                           "http://127.0.1.2:{port}/page/4\n"
                           "site other.example.net\n";
    SandboxOptions fromFile;
    fromFile.dataFile = path;
    SandboxProcess sandbox(fromFile);
    ASSERT_TRUE(sandbox.Started()) << sandbox.Error();
    const std::string detail =
        "http://" + sandbox.Endpoints().platformHost + "/inbound/detail?d=mine.example.com&page=1";
    const PlainReply reply = PlainPost(detail, "", {"Cookie: " + sandbox.SessionCookie()});
    EXPECT_NE(reply.body.find("\"count\":\"7\""), std::string::npos) << reply.body;
    EXPECT_NE(reply.body.find(
                  "\"outer_url\":\"http:\\/\\/127.0.1.1:" + std::to_string(sandbox.PagesPort()) +
                  "\\/page\\/3\",\"anchor\":\"anchor \\u4e2d\""),
              std::string::npos)
        << reply.body;
    EXPECT_EQ(Occurrences(reply.body, "outer_url"), 2u);
    std::remove(path.c_str());

    SandboxOptions lyingOptions;
    lyingOptions.links = 30;
    lyingOptions.countOffset = -10;
    lyingOptions.pageHosts = 1;
    SandboxProcess lying(lyingOptions);
    ASSERT_TRUE(lying.Started()) << lying.Error();
    const std::string body = PlainPost("http://" + lying.Endpoints().platformHost +
                                           "/inbound/detail?d=www.example-a.com&page=1",
                                       "", {"Cookie: " + lying.SessionCookie()})
                                 .body;
    EXPECT_NE(body.find("\"count\":\"20\""), std::string::npos);
    EXPECT_EQ(Occurrences(body, "outer_url"), 30u);
}

// --delay-ms slows every service, --delay SERVICE=D one of them; the control paths never.
TEST(SandboxLifeTest, DelaysRepliesOfTheChosenServices) {
    using std::chrono::milliseconds;
    const auto elapsed = [](auto&& request) {
        const auto start = std::chrono::steady_clock::now();
        request();
        return std::chrono::steady_clock::now() - start;
    };
    SandboxOptions slow;
    slow.pageHosts = 1;
    slow.delayMs = 400;
    slow.extraArgs = {"--delay", "rank=0"};
    SandboxProcess sandbox(slow);
    ASSERT_TRUE(sandbox.Started()) << sandbox.Error();
    const std::string rank =
        "http://" + sandbox.Endpoints().rankHost + "/ajaxAction/baidurank.php?queryurl=a.b";
    EXPECT_GE(elapsed([&] { PlainGet(sandbox.PageUrl(1, 1)); }), milliseconds(400));
    EXPECT_GE(elapsed([&] {
                  sandbox.SessionCookie();
                  PlainGet("http://" + sandbox.Endpoints().platformHost + "/inbound/index");
              }),
              milliseconds(400));
    EXPECT_LT(elapsed([&] { PlainGet(rank); }), milliseconds(400));
    EXPECT_LT(elapsed([&] { sandbox.Count("page"); }), milliseconds(400));
    EXPECT_EQ(sandbox.Count("rank"), 1);
}

TEST(SandboxLifeTest, StopsCleanlyAndRemovesItsState) {
    SandboxOptions few;
    few.pageHosts = 3;
    SandboxProcess sandbox(few);
    ASSERT_TRUE(sandbox.Started()) << sandbox.Error();
    const std::string caFile = sandbox.Endpoints().caFile;
    const std::string page = sandbox.PageUrl(3, 1);
    EXPECT_EQ(PlainGet(page).status, 200);
    sandbox.Stop();
    EXPECT_EQ(PlainGet(page).status, 0);
    struct stat info {};
    EXPECT_NE(stat(caFile.c_str(), &info), 0) << "the temporary state is removed";
    EXPECT_FALSE(sandbox.Started());
    EXPECT_EQ(sandbox.Get("/sandbox/counts"), "");
}

TEST(SandboxLifeTest, ReportsABinaryThatCannotStart) {
    SandboxOptions bad;
    bad.extraArgs = {"--no-such-option"};
    SandboxProcess sandbox(bad);
    EXPECT_FALSE(sandbox.Started());
    EXPECT_NE(sandbox.Error().find("did not report ready"), std::string::npos);
}

}  // namespace
}  // namespace brevink::test
