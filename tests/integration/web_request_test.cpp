// The engine's requests as they reach a raw recording server, byte for byte, and what it
// makes of the replies: header block, body, cookies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/expect_request.h"
#include "support/recording_server.h"
#include "web/web_request.h"

namespace brevink {
namespace {

using test::HttpReply;
using test::RecordingServer;
using test::Send;
using namespace std::string_literals;

constexpr const char* kAccept =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
    "application/msword, */*";
constexpr const char* kAgent = "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

struct RequestCase {
    const char* name;
    std::string url;  // "{hp}" is the server
    std::string method;
    std::string headers;
    std::string body;
    std::string cookies;
    std::string agent;
    std::vector<std::string> expected;  // request line and header lines, in order
    std::string expectedBody = {};
};

const std::string kReferer = "Referer: http://{hp}/p";

std::vector<RequestCase> RequestCases() {
    return {
        {"DefaultGet",
         "http://{hp}/a/b?x=1&y=2",
         "",
         "",
         "",
         "",
         "",
         {"GET /a/b?x=1&y=2 HTTP/1.1", "Host: {hp}", kAccept, "Referer: http://{hp}/a/b?x=1&y=2",
          "Accept-Language: zh-cn", kAgent}},
        {"PostSevenBytes",
         "http://{hp}/p",
         "post",
         "",
         "a=1&b=2",
         "",
         "",
         {"POST /p HTTP/1.1", "Host: {hp}", kAccept, kReferer, "Accept-Language: zh-cn",
          "Content-Type: application/x-www-form-urlencoded", "Content-Length: 7", kAgent},
         "a=1&b=2"},
        // The stack's own length line of an empty POST is true; no type is added.
        {"PostEmptyBody",
         "http://{hp}/p",
         "POST",
         "",
         "",
         "",
         "",
         {"POST /p HTTP/1.1", "Host: {hp}", kAccept, kReferer, "Accept-Language: zh-cn", kAgent,
          "Content-Length: 0"}},
        {"PutSendsNoBody",
         "http://{hp}/p",
         "put",
         "",
         "x=1",
         "",
         "",
         {"PUT /p HTTP/1.1", "Host: {hp}", kAccept, kReferer, "Accept-Language: zh-cn", kAgent}},
        {"LowerCaseAcceptKept",
         "http://{hp}/p",
         "",
         "accept: text/html\r\n",
         "",
         "",
         "",
         {"GET /p HTTP/1.1", "Host: {hp}", "accept: text/html", kReferer, "Accept-Language: zh-cn",
          kAgent}},
        {"CallerLengthReplacedByTrueOne",
         "http://{hp}/p",
         "POST",
         "X-One: 1\r\nContent-Length: 99\r\n",
         "abc",
         "",
         "",
         {"POST /p HTTP/1.1", "Host: {hp}", "X-One: 1", kAccept, kReferer, "Accept-Language: zh-cn",
          "Content-Type: application/x-www-form-urlencoded", "Content-Length: 3", kAgent},
         "abc"},
        {"CallerTypeKept",
         "http://{hp}/p",
         "POST",
         "Content-Type: text/plain\r\n",
         "abc",
         "",
         "",
         {"POST /p HTTP/1.1", "Host: {hp}", "Content-Type: text/plain", kAccept, kReferer,
          "Accept-Language: zh-cn", "Content-Length: 3", kAgent},
         "abc"},
        {"CookieLineLast",
         "http://{hp}/p",
         "",
         "",
         "",
         "BAIDUID=1;UBI=x;",
         "",
         {"GET /p HTTP/1.1", "Host: {hp}", kAccept, kReferer, "Accept-Language: zh-cn", kAgent,
          "Cookie: BAIDUID=1;UBI=x;"}},
        {"OwnAgent",
         "http://{hp}/p",
         "",
         "",
         "",
         "",
         "Agent/1.0",
         {"GET /p HTTP/1.1", "Host: {hp}", kAccept, kReferer, "Accept-Language: zh-cn",
          "User-Agent: Agent/1.0"}},
        {"CallerAgentOnlyOnce",
         "http://{hp}/p",
         "",
         "User-Agent: Mine\r\n",
         "",
         "",
         "",
         {"GET /p HTTP/1.1", "Host: {hp}", "User-Agent: Mine", kAccept, kReferer,
          "Accept-Language: zh-cn"}},
        {"EmptyCallerHeaderSent",
         "http://{hp}/p",
         "",
         "X-Empty:\r\n",
         "",
         "",
         "",
         {"GET /p HTTP/1.1", "Host: {hp}", "X-Empty:", kAccept, kReferer, "Accept-Language: zh-cn",
          kAgent}},
        {"NoSchemeMeansHttp",
         "{hp}/p",
         "",
         "",
         "",
         "",
         "",
         {"GET /p HTTP/1.1", "Host: {hp}", kAccept, "Referer: {hp}/p", "Accept-Language: zh-cn",
          kAgent}},
        {"NoPathSendsSlash",
         "http://{hp}",
         "",
         "",
         "",
         "",
         "",
         {"GET / HTTP/1.1", "Host: {hp}", kAccept, "Referer: http://{hp}", "Accept-Language: zh-cn",
          kAgent}},
        {"QueryRightAfterHost",
         "HTTP://{hp}?q=1",
         "",
         "",
         "",
         "",
         "",
         {"GET /?q=1 HTTP/1.1", "Host: {hp}", kAccept, "Referer: HTTP://{hp}?q=1",
          "Accept-Language: zh-cn", kAgent}},
        // A link whose query names an https address still goes out as plain HTTP.
        {"HttpsInQueryStaysPlain",
         "http://{hp}/r?u=https://x.cn/",
         "",
         "",
         "",
         "",
         "",
         {"GET /r?u=https://x.cn/ HTTP/1.1", "Host: {hp}", kAccept,
          "Referer: http://{hp}/r?u=https://x.cn/", "Accept-Language: zh-cn", kAgent}},
        {"PathAsPassed",
         "http://{hp}/a/../b/./c",
         "",
         "",
         "",
         "",
         "",
         {"GET /a/../b/./c HTTP/1.1", "Host: {hp}", kAccept, "Referer: http://{hp}/a/../b/./c",
          "Accept-Language: zh-cn", kAgent}},
        // Bytes outside ASCII and blanks go out percent-encoded; the server decodes the same bytes.
        {"GbkBytesAndBlankEscaped",
         "http://{hp}/\xC4\xE3 x",
         "",
         "",
         "",
         "",
         "",
         {"GET /%c4%e3%20x HTTP/1.1", "Host: {hp}", kAccept, "Referer: http://{hp}/\xC4\xE3 x",
          "Accept-Language: zh-cn", kAgent}},
    };
}

class WebRequestBytes : public ::testing::TestWithParam<RequestCase> {
  protected:
    RecordingServer server_;
};

TEST_P(WebRequestBytes, RequestLineAndHeaderLinesInOrder) {
    const RequestCase& c = GetParam();
    server_.Answer({Send(HttpReply("200 OK", {}, "ok"))});
    WebRequestArgs args;
    args.url = test::WithHostPort(c.url, server_.HostPort());
    args.method = c.method;
    args.headers = c.headers;
    args.body = c.body;
    args.userAgent = c.agent;
    std::string cookies = c.cookies;
    args.cookies = &cookies;
    args.timeoutSeconds = 1;
    EXPECT_EQ(WebRequest(args), "ok");
    test::ExpectSingleRequest(server_, c.expected, c.expectedBody);
}

INSTANTIATE_TEST_SUITE_P(Cases, WebRequestBytes, ::testing::ValuesIn(RequestCases()),
                         [](const auto& info) { return std::string(info.param.name); });

class WebRequestReply : public ::testing::Test {
  protected:
    std::string Fetch(std::string* headers, std::string* cookies) {
        WebRequestArgs args;
        args.url = server_.Url("/page");
        args.responseHeaders = headers;
        args.cookies = cookies;
        args.timeoutSeconds = 1;
        return WebRequest(args);
    }
    RecordingServer server_;
};

TEST_F(WebRequestReply, HeaderBlockIsRawWithClosingBlankLineAndBodyKeepsNul) {
    server_.Answer({Send("HTTP/1.1 200 OK\r\nX-A: 1\r\nContent-Length: 3\r\n\r\na\0b"s)});
    std::string headers;
    std::string cookies;
    EXPECT_EQ(Fetch(&headers, &cookies), std::string("a\0b", 3));
    EXPECT_EQ(headers, "HTTP/1.1 200 OK\r\nX-A: 1\r\nContent-Length: 3\r\n\r\n");
    EXPECT_EQ(cookies, "");
}

TEST_F(WebRequestReply, BareLineFeedsBecomeCrLf) {
    server_.Answer({Send("HTTP/1.1 200 OK\nX-A: 1\nContent-Length: 2\n\nok")});
    std::string headers;
    EXPECT_EQ(Fetch(&headers, nullptr), "ok");
    EXPECT_EQ(headers, "HTTP/1.1 200 OK\r\nX-A: 1\r\nContent-Length: 2\r\n\r\n");
}

TEST_F(WebRequestReply, ErrorStatusBodyReturnedAndCookiesMergedInPlace) {
    server_.Answer({Send(HttpReply(
        "404 Not Found",
        {"Set-Cookie: BAIDUID=xyz; path=/", "Set-Cookie: NEW=1; path=/", "Set-Cookie: BARE=2"},
        "gone"))});
    std::string headers;
    std::string cookies = "BAIDUID= ;UBI= ;";
    EXPECT_EQ(Fetch(&headers, &cookies), "gone");
    EXPECT_TRUE(headers.starts_with("HTTP/1.1 404 Not Found\r\n"));
    EXPECT_EQ(cookies, "BAIDUID=xyz;UBI= ;NEW=1;");
}

TEST_F(WebRequestReply, ExchangeWithoutSetCookieLeavesCookiesAlone) {
    server_.Answer({Send(HttpReply("200 OK", {}, "x"))});
    std::string cookies = "a=1;";
    Fetch(nullptr, &cookies);
    EXPECT_EQ(cookies, "a=1;");
}

// What cannot become a request at all gives the empty header block and no traffic.
TEST(WebRequestRefused, UnusableRequestGivesEmptyHeaderBlock) {
    RecordingServer server;
    const std::string hp = server.HostPort();
    const struct {
        std::string url;
        std::string method;
    } cases[] = {
        {"http://" + hp + "/a\r\nX-Injected: 1", ""},
        {"http:///nohost", ""},
        {"http://user@" + hp + "/", ""},
        {"http://127.0.0.1:99999/", ""},
        {"http://" + hp + "/", "GET /x HTTP/1.1\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url + " " + c.method);
        WebRequestArgs args;
        args.url = c.url;
        args.method = c.method;
        std::string headers = "old";
        std::string cookies = "a=1;";
        args.responseHeaders = &headers;
        args.cookies = &cookies;
        args.timeoutSeconds = 1;
        EXPECT_EQ(WebRequest(args), "");
        EXPECT_EQ(headers, "");
        EXPECT_EQ(cookies, "a=1;");
    }
    EXPECT_TRUE(server.Requests().empty());
}

// Credentials answer a challenge: the first request goes without them, the second with them.
TEST(WebRequestCredentials, ServerAndProxyLoginsAnswerTheirChallenges) {
    const auto challenger = [](std::string asked, std::string answered, std::string challenge) {
        return [=](const test::RecordedRequest& request) -> test::Reply {
            for (const std::string& line : request.Lines()) {
                if (line.starts_with(answered)) {
                    return {Send(HttpReply("200 OK", {}, line))};
                }
            }
            return {Send(HttpReply(asked, {challenge}, "login first"))};
        };
    };
    RecordingServer server;
    server.Answer(
        challenger("401 Unauthorized", "Authorization:", "WWW-Authenticate: Basic realm=\"site\""));
    RecordingServer proxy;
    proxy.Answer(challenger("407 Proxy Authentication Required",
                            "Proxy-Authorization:", "Proxy-Authenticate: Basic realm=\"proxy\""));
    WebRequestArgs args;
    args.timeoutSeconds = 1;
    args.url = server.Url("/private");
    args.serverUser = "u";
    args.serverPassword = "p";
    EXPECT_EQ(WebRequest(args), "Authorization: Basic dTpw");
    // Through the proxy the request line names the whole URL; the server is never contacted.
    args = {};
    args.timeoutSeconds = 1;
    args.url = "http://127.0.0.9:1/via";
    args.proxy = proxy.HostPort() + "\x01pu\x01pp";
    EXPECT_EQ(WebRequest(args), "Proxy-Authorization: Basic cHU6cHA=");
    const auto requests = proxy.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].RequestLine(), "GET http://127.0.0.9:1/via HTTP/1.1");
    EXPECT_EQ(server.Requests().size(), 2u);
}

// The engine's own store: only for requests without a cookie text. A server address of its
// own keeps these cookies away from the other tests' requests.
TEST(WebRequestCookieStore, CookieLessRequestsShareTheEngineStore) {
    RecordingServer server("127.0.0.3");
    server.Answer("/set", {Send(HttpReply("200 OK", {"Set-Cookie: kept=1; path=/"}, "set"))});
    server.Answer({Send(HttpReply("200 OK", {}, "ok"))});
    auto fetch = [&](const std::string& path, std::string cookies) {
        WebRequestArgs args;
        args.url = server.Url(path);
        args.cookies = &cookies;
        args.timeoutSeconds = 1;
        WebRequest(args);
        return cookies;
    };
    EXPECT_EQ(fetch("/set", ""), "kept=1;");
    EXPECT_EQ(fetch("/blank", "  "), "  ");
    EXPECT_EQ(fetch("/own", "mine=2;"), "mine=2;");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    // The store's line comes right after Host; our own text replaces it, never joins it.
    EXPECT_EQ(requests[1].Lines()[2], "Cookie: kept=1");
    int cookieLines = 0;
    for (const std::string& line : requests[2].Lines()) {
        cookieLines += line.starts_with("Cookie:") ? 1 : 0;
    }
    EXPECT_EQ(cookieLines, 1);
    EXPECT_EQ(requests[2].Lines().back(), "Cookie: mine=2;");
}

}  // namespace
}  // namespace brevink
