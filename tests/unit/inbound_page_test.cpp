// Reading the platform's link-list reply: the count, the page check and the link lines.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/inbound_links.h"
#include "web/codepage.h"
#include "web/text.h"

namespace brevink {
namespace {

// A reply as the platform writes it: the count quoted, the page number unquoted, the items
// with escaped slashes.
std::string Reply(const std::string& count, const std::string& page, const std::string& items) {
    return "{\"status\":0,\"data\":{\"count\":\"" + count + "\",\"page\":" + page +
           ",\"pagesize\":100,\"list\":[" + items + "]}}";
}

std::string Item(const std::string& url, const std::string& anchor) {
    return "{\"outer_url\":\"" + url + "\",\"anchor\":\"" + anchor + "\",\"time\":\"2014\"}";
}

struct PageCase {
    const char* name;
    std::string reply;
    int page;
    std::string lines;
};

class InboundPageTest : public ::testing::TestWithParam<PageCase> {};

TEST_P(InboundPageTest, GivesLinesOrTheDoneMarker) {
    EXPECT_EQ(InboundPageOfReply(GetParam().reply, GetParam().page), GetParam().lines);
}

std::vector<PageCase> PageCases() {
    const std::string two =
        Item("http:\\/\\/a.com\\/x\\/y.html", "abc") + "," + Item("http:\\/\\/b.com\\/", "");
    return {
        {"TwoItemsTwoLines", Reply("2", "1", two), 1,
         "http://a.com/x/y.html|abc\r\nhttp://b.com/|\r\n"},
        {"EscapedAnchor", Reply("1", "1", Item("a.com", "\\u4e2d\\u6587 ok")), 1,
         "a.com|" + Gbk(u8"中文") + " ok\r\n"},
        {"EscapesAmongRawGbk", Reply("1", "1", Item("a.com", Gbk(u8"中") + "\\u6587!")), 1,
         "a.com|" + Gbk(u8"中文") + "!\r\n"},
        {"CharacterOutsideGbk", Reply("1", "1", Item("a.com", "x\\u0e01y")), 1, "a.com|x?y\r\n"},
        {"UrlKeepsItsEscapes", Reply("1", "1", Item("http:\\/\\/a.com\\/\\u4e2d", "a")), 1,
         "http://a.com/\\u4e2d|a\r\n"},
        {"PageMismatch", Reply("250", "3", two), 4, DoneMarker()},
        {"EmptyListIsNotDone", Reply("250", "2", ""), 2, ""},
        {"EmptyReply", "", 1, DoneMarker()},
        {"ErrorPage", "<html><body>502 Bad Gateway</body></html>", 1, DoneMarker()},
        {"ListNeverCloses", "{\"page\":1,\"list\":[" + Item("a.com", "x") + ",{\"outer_u", 1, ""},
        {"HugePageNumber", Reply("1", "99999999999", two), 1, DoneMarker()},
        {"NegativePageNumber", Reply("1", "-1", two), 1, DoneMarker()},
    };
}

INSTANTIATE_TEST_SUITE_P(Cases, InboundPageTest, ::testing::ValuesIn(PageCases()),
                         [](const auto& info) { return std::string(info.param.name); });

struct CountCase {
    std::string reply;
    int count;
};

class InboundCountTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(InboundCountTest, ReadsTheQuotedCount) {
    EXPECT_EQ(InboundCountOfReply(GetParam().reply), GetParam().count) << GetParam().reply;
}

INSTANTIATE_TEST_SUITE_P(Cases, InboundCountTest,
                         ::testing::Values(CountCase{Reply("250", "1", ""), 250},
                                           CountCase{Reply(" 12", "1", ""), 12},
                                           CountCase{Reply("-5", "1", ""), 0},
                                           CountCase{Reply("99999999999", "1", ""), INT_MAX},
                                           CountCase{Reply("abc", "1", ""), 0}, CountCase{"", 0},
                                           CountCase{"{\"count\":\"7", 0},
                                           CountCase{"<html>error</html>", 0}));

TEST(InboundPage, TenMegabyteReplyIsReadWhole) {
    const int items = 100000;
    std::string list;
    list.reserve(static_cast<size_t>(items) * 100);
    for (int i = 0; i < items; ++i) {
        if (i > 0) {
            list += ',';
        }
        list += Item("http:\\/\\/host" + std::to_string(i) + ".example.com\\/page.html",
                     "\\u4e2d\\u6587 anchor text");
    }
    const std::string reply = Reply("100000", "1", list);
    ASSERT_GT(reply.size(), 9u * 1000 * 1000);
    const std::string lines = InboundPageOfReply(reply, 1);
    const std::vector<std::string> split = SplitText(lines, "\r\n");
    ASSERT_EQ(split.size(), static_cast<size_t>(items));
    EXPECT_EQ(split.back(),
              "http://host99999.example.com/page.html|" + Gbk(u8"中文") + " anchor text");
}

TEST(InboundPage, TenMegabyteListThatNeverClosesGivesNoLines) {
    std::string reply = "{\"page\":1,\"list\":[";
    while (reply.size() < 10u * 1000 * 1000) {
        reply += "{\"outer_url\":\"x\"},";
    }
    EXPECT_EQ(InboundPageOfReply(reply, 1), "");
}

}  // namespace
}  // namespace brevink
