// Cutting the account's sites out of the platform's site page, and the combo items.
#include <gtest/gtest.h>

#include "platform/site_list.h"
#include "web/codepage.h"

namespace brevink {
namespace {

std::string Label() {
    return Gbk(u8"请输入您想查询的网站地址：</label>");
}

std::string SitePage(const std::string& items) {
    return "<html><div data-value=\"outside.com\"></div><form><label>" + Label() +
           "<ul class=\"sites\">" + items + "</ul><ul><li data-value=\"later.com\"></li></ul>";
}

std::string Site(const std::string& value) {
    return "<li data-value=\"" + value + "\">" + value + "</li>";
}

struct SiteCase {
    const char* name;
    std::string page;
    std::string list;
};

class SiteListTest : public ::testing::TestWithParam<SiteCase> {};

TEST_P(SiteListTest, CutsTheSitesOfTheSection) {
    EXPECT_EQ(SiteListOfPage(GetParam().page), GetParam().list);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SiteListTest,
    ::testing::Values(
        SiteCase{"ThreeSitesInPageOrder",
                 SitePage(Site("www.a.com") + Site("http://b.com") + Site("c.com")),
                 "www.a.com\r\nhttp://b.com\r\nc.com\r\n"},
        SiteCase{"RepeatedSiteKeepsItsLastPlace",
                 SitePage(Site("A") + Site("B") + Site("C") + Site("A")), "B\r\nC\r\nA\r\n"},
        SiteCase{"MarkersInCapitals",
                 "<LABEL>" + Label() + "<UL><LI DATA-VALUE=\"x.com\"></LI></UL>", "x.com\r\n"},
        SiteCase{"NoSites", SitePage(""), ""},
        SiteCase{"NeitherMarker", "<html><li data-value=\"x.com\"></li></html>", ""},
        SiteCase{"EmptyReply", "", ""},
        SiteCase{"ListNeverCloses", "<label>" + Label() + "<li data-value=\"x.com\">", ""},
        SiteCase{"ValueNeverCloses", SitePage("<li data-value=\"x.com>"), ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SiteComboItems, SplitsAtEveryLineEnd) {
    EXPECT_EQ(SiteComboItems("a.com\r\n\r\nb.com\r\n"),
              (std::vector<std::string>{"a.com", "", "b.com"}));
    EXPECT_EQ(SiteComboItems("a.com"), (std::vector<std::string>{"a.com"}));
    EXPECT_TRUE(SiteComboItems("").empty());
}

}  // namespace
}  // namespace brevink
