// The site list and the inbound-link pages against the sandbox's webmaster platform.
#include <gtest/gtest.h>

#include <cctype>

#include "platform/inbound_links.h"
#include "platform/site_list.h"
#include "support/sandbox_suite.h"
#include "web/codepage.h"
#include "web/text.h"

namespace brevink {
namespace {

using LinksTest = SandboxSuiteTest;

const char* const kSites =
    "www.example-a.com\r\nhttp://shop.example-b.cn/\r\nempty.example-c.net\r\n"
    "more.example-d.org\r\nfewer.example-e.org\r\n";

TEST_F(LinksTest, SiteListOfALoggedInAccount) {
    const std::string cookie = Sandbox().SessionCookie();
    EXPECT_EQ(FetchSiteList(Services(), cookie), kSites);
    const auto records = Sandbox().Requests("sites");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].method, "GET");
    EXPECT_EQ(records[0].target, "/inbound/index");
    EXPECT_EQ(records[0].Header("Cookie"), cookie);
    EXPECT_EQ(records[0].Note("logged-in"), "1");
}

TEST_F(LinksTest, SiteListWithoutLoginOrServiceIsEmpty) {
    EXPECT_EQ(FetchSiteList(Services(), ""), "");
    EXPECT_EQ(FetchSiteList(Services(), "BDUSS=stale;"), "");
    EXPECT_EQ(Sandbox().Count("sites"), 2);
    Endpoints dead = Services();
    dead.platformHost = kDeadHost;
    EXPECT_EQ(FetchSiteList(dead, Sandbox().SessionCookie()), "");
}

std::string DetailTarget(const std::string& host, int page) {
    return "/inbound/detail?d=" + host + "&root=0&site=http%3A%2F%2F" + host +
           "%2F&pagesize=100&page=" + std::to_string(page);
}

// The anchor that the sandbox gives link k, as the program reads it (GBK; "?" for what GBK
// lacks).
std::string ExpectedAnchor(int k) {
    const std::string n = std::to_string(k);
    if (k % 10 == 0) {
        return "";
    }
    if (k % 50 == 7) {
        return "Hangul ?? " + n;
    }
    if (k % 3 == 0) {
        return "seo tools " + n;
    }
    if (k % 3 == 1) {
        return Gbk(u8"优质外链") + n + Gbk(u8"号");
    }
    return Gbk(u8"网站建设 教程 ") + n;
}

// Pages 1, 2, ... up to the done marker, as the query run asks for them.
std::vector<std::string> AllPages(const Endpoints& endpoints, const std::string& cookie,
                                  const std::string& site, int count) {
    std::vector<std::string> pages;
    for (int n = 1; n <= count; ++n) {
        std::string page = FetchInboundPage(endpoints, cookie, site, n);
        if (page == DoneMarker()) {
            break;
        }
        pages.push_back(std::move(page));
    }
    return pages;
}

TEST_F(LinksTest, TwoHundredFiftyLinksEndOnThePageMismatch) {
    const std::string cookie = Sandbox().SessionCookie();
    const int count = FetchInboundCount(Services(), cookie, "WWW.Example-A.com");
    ASSERT_EQ(count, 250);
    const std::vector<std::string> pages = AllPages(Services(), cookie, "www.example-a.com", count);
    ASSERT_EQ(pages.size(), 3u);
    std::vector<std::string> lines;
    for (const std::string& page : pages) {
        const std::vector<std::string> pageLines = SplitText(page, "\r\n");
        lines.insert(lines.end(), pageLines.begin(), pageLines.end());
    }
    EXPECT_EQ(SplitText(pages[2], "\r\n").size(), 50u);
    ASSERT_EQ(lines.size(), 250u);
    const std::string pagePrefix = ":" + std::to_string(Sandbox().PagesPort()) + "/page/";
    for (int k = 1; k <= 250; ++k) {
        const std::string& line = lines[static_cast<size_t>(k - 1)];
        const size_t bar = line.find('|');
        ASSERT_NE(bar, std::string::npos) << line;
        const std::string url = line.substr(0, bar);
        EXPECT_EQ(url.rfind("http://127.0.1.", 0), 0u) << url;
        const size_t at = url.find(pagePrefix + std::to_string(k));
        ASSERT_NE(at, std::string::npos) << url;
        const size_t after = at + pagePrefix.size() + std::to_string(k).size();
        EXPECT_TRUE(after == url.size() || !std::isdigit(static_cast<unsigned char>(url[after])))
            << url;
        EXPECT_EQ(line.substr(bar + 1), ExpectedAnchor(k)) << "link " << k;
    }
    const auto records = Sandbox().Requests("detail");
    ASSERT_EQ(records.size(), 5u);  // the count and pages 1 to 4
    const int pagesAsked[] = {1, 1, 2, 3, 4};
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].method, "POST");
        EXPECT_EQ(records[i].target, DetailTarget("www.example-a.com", pagesAsked[i]));
        EXPECT_EQ(records[i].Header("Cookie"), cookie);
        EXPECT_EQ(records[i].body, "");
    }
}

TEST_F(LinksTest, CountAndPagesFollowWhatThePlatformDelivers) {
    const std::string cookie = Sandbox().SessionCookie();
    struct Case {
        const char* site;
        int count;
        size_t pages;
        size_t lastPageLines;
    };
    for (const Case& c :
         {Case{"http://shop.example-b.cn/", 120, 2, 20}, Case{"more.example-d.org", 150, 2, 80},
          Case{"fewer.example-e.org", 150, 2, 20}}) {
        SCOPED_TRACE(c.site);
        const int count = FetchInboundCount(Services(), cookie, c.site);
        EXPECT_EQ(count, c.count);
        const std::vector<std::string> pages = AllPages(Services(), cookie, c.site, count);
        ASSERT_EQ(pages.size(), c.pages);
        EXPECT_EQ(SplitText(pages.back(), "\r\n").size(), c.lastPageLines);
    }
    EXPECT_EQ(FetchInboundCount(Services(), cookie, "empty.example-c.net"), 0);
}

TEST_F(LinksTest, NotLoggedInOrUnreachableGivesNoLinks) {
    EXPECT_EQ(FetchInboundCount(Services(), "", "www.example-a.com"), 0);
    EXPECT_EQ(FetchInboundPage(Services(), "", "www.example-a.com", 1), DoneMarker());
    const std::string cookie = Sandbox().SessionCookie();
    EXPECT_EQ(FetchInboundCount(Services(), cookie, "unknown.example.com"), 0);
    EXPECT_EQ(FetchInboundPage(Services(), cookie, "unknown.example.com", 1), DoneMarker());
    Endpoints dead = Services();
    dead.platformHost = kDeadHost;
    EXPECT_EQ(FetchInboundCount(dead, cookie, "www.example-a.com"), 0);
    EXPECT_EQ(FetchInboundPage(dead, cookie, "www.example-a.com", 1), DoneMarker());
}

}  // namespace
}  // namespace brevink
