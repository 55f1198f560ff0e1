// The checked request: one engine request with its reply decoded by the charset rule and
// judged by a marker (the login POST).
#include <gtest/gtest.h>

#include <string>

#include "support/recording_server.h"
#include "web/checked_request.h"
#include "web/codepage.h"

namespace brevink {
namespace {

using test::HttpReply;
using test::RecordingServer;
using test::Send;

struct Outputs {
    std::string session = "unchanged";
    std::string bodyText;
    std::string headerBlock;
    std::string cookiesOut;
};

CheckedRequestArgs ArgsFor(const std::string& url, Outputs& out) {
    CheckedRequestArgs args;
    args.sessionOut = &out.session;
    args.url = url;
    args.usePost = 1;
    args.body = "u=1";
    args.checkIn = 2;
    args.successMarker = "Set-Cookie: PTOKEN";
    args.bodyText = &out.bodyText;
    args.headerBlock = &out.headerBlock;
    args.cookiesOut = &out.cookiesOut;
    args.cookiesIn = "BAIDUID=1;";
    return args;
}

// The login POST: its redirect is not followed, the redirect's cookies make the session.
TEST(CheckedRequest, LoginPostSucceedsOnMarkerInRedirectHeaders) {
    RecordingServer server;
    server.Answer({Send(HttpReply(
        "302 Found",
        {"Location: /home", "Set-Cookie: PTOKEN=abc; path=/", "Set-Cookie: BAIDUID=2; path=/"},
        "moved"))});
    Outputs out;
    EXPECT_TRUE(CheckedRequest(ArgsFor(server.Url("/login"), out)));
    EXPECT_EQ(out.session, "BAIDUID=2;PTOKEN=abc;");
    EXPECT_EQ(out.cookiesOut, "BAIDUID=2;PTOKEN=abc;");
    EXPECT_TRUE(out.headerBlock.starts_with("HTTP/1.1 302 Found\r\n"));
    EXPECT_EQ(out.bodyText, "moved");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].RequestLine(), "POST /login HTTP/1.1");
    EXPECT_EQ(requests[0].body, "u=1");
}

struct CharsetCase {
    const char* name;
    std::string languageLine;  // empty: none
    bool bodyInGbk;
};

class CheckedCharset : public ::testing::TestWithParam<CharsetCase> {};

TEST_P(CheckedCharset, BodyDecodedByLanguageLine) {
    const CharsetCase& c = GetParam();
    static constexpr std::u8string_view kWords = u8"登录成功";
    static const std::string gbk = Gbk(kWords);
    static const std::string utf8(kWords.begin(), kWords.end());
    RecordingServer server;
    std::vector<std::string> lines;
    if (!c.languageLine.empty()) {
        lines.push_back(c.languageLine);
    }
    server.Answer({Send(HttpReply("200 OK", lines, c.bodyInGbk ? gbk : utf8))});
    Outputs out;
    CheckedRequestArgs args = ArgsFor(server.Url("/page"), out);
    args.usePost = 0;
    args.checkIn = 1;
    args.successMarker = gbk;
    EXPECT_TRUE(CheckedRequest(args));
    EXPECT_EQ(out.bodyText, gbk);
    EXPECT_EQ(server.Requests().at(0).RequestLine(), "GET /page HTTP/1.1");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CheckedCharset,
    ::testing::Values(CharsetCase{"ZhCnMeansGbk", "Accept-Language: zh-CN", true},
                      CharsetCase{"BlanksAndCaseIgnored", "Accept-Language:  Z H-cn ", true},
                      CharsetCase{"OtherLanguageMeansUtf8", "Accept-Language: en", false},
                      CharsetCase{"NameIsExactCase", "accept-language: zh-cn", false},
                      CharsetCase{"NoLineMeansUtf8", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CheckedRequest, MarkersAndCheckModes) {
    RecordingServer server;
    server.Answer({Send(HttpReply("200 OK", {"Set-Cookie: s=1; path=/"}, "error=0"))});
    struct {
        int checkIn;
        std::string success;
        std::string failure;
        bool expected;
    } cases[] = {
        {1, "error=0", "", true},        {1, "error=1", "", false},
        {1, "", "error=1", true},        {1, "", "error=0", false},
        {2, "", "Set-Cookie: s", false}, {2, "s=1", "", true},
        {3, "error=0", "", false},       {0, "", "nothing", false},
        {1, "ERROR=0", "", false},  // markers are exact case
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.checkIn) + " " + c.success + " " + c.failure);
        Outputs out;
        CheckedRequestArgs args = ArgsFor(server.Url("/x"), out);
        args.checkIn = c.checkIn;
        args.successMarker = c.success;
        args.failureMarker = c.failure;
        EXPECT_EQ(CheckedRequest(args), c.expected);
        // Every output but the session is written whatever the check says.
        EXPECT_EQ(out.bodyText, "error=0");
        EXPECT_EQ(out.cookiesOut, "BAIDUID=1;s=1;");
        EXPECT_TRUE(out.headerBlock.starts_with("HTTP/1.1 200 OK"));
        EXPECT_EQ(out.session, c.expected ? "BAIDUID=1;s=1;" : "unchanged");
    }
}

// A request that got no reply has no failure marker in it, yet it did not succeed.
TEST(CheckedRequest, NoReplyIsNeverSuccess) {
    Outputs out;
    CheckedRequestArgs args = ArgsFor("http://nonexistent.invalid/login", out);
    args.successMarker.clear();
    args.failureMarker = "error";
    for (const int checkIn : {1, 2}) {
        args.checkIn = checkIn;
        EXPECT_FALSE(CheckedRequest(args));
        EXPECT_EQ(out.session, "unchanged");
        EXPECT_EQ(out.bodyText, "");
        EXPECT_EQ(out.headerBlock, std::string(4096, ' '));
        EXPECT_EQ(out.cookiesOut, "BAIDUID=1;");
    }
}

}  // namespace
}  // namespace brevink
