// The scripted request (the disavow batches' engine) as it reaches a raw recording server,
// and its reply rules: header lines without the status line, cookies replaced.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/expect_request.h"
#include "support/recording_server.h"
#include "web/scripted_request.h"

namespace brevink {
namespace {

using test::Hold;
using test::HttpReply;
using test::RecordingServer;
using test::Send;

constexpr const char* kAgent = "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr const char* kAccept =
    "Accept: image/jpeg, application/x-ms-application, image/gif, application/xaml+xml, "
    "image/pjpeg, application/x-ms-xbap, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*";
constexpr const char* kLanguage = "Accept-Language: zh-CN";
constexpr const char* kForm = "Content-Type: application/x-www-form-urlencoded";
constexpr const char* kReferer = "Referer: http://{hp}/p";

TEST(WithHttpScheme, PrefixUnlessExactLowerCaseScheme) {
    EXPECT_EQ(WithHttpScheme("zhanzhang.example/inbound"), "http://zhanzhang.example/inbound");
    EXPECT_EQ(WithHttpScheme("http://a/b"), "http://a/b");
    EXPECT_EQ(WithHttpScheme("https://a/b"), "https://a/b");
    EXPECT_EQ(WithHttpScheme("HTTP://a/b"), "http://HTTP://a/b");
    EXPECT_EQ(WithHttpScheme(""), "http://");
}

struct ScriptedCase {
    const char* name;
    std::string url;
    std::string method;
    std::string headers;
    std::string body;
    std::string cookies;
    std::vector<std::string> expected;
    std::string expectedBody = {};
};

std::vector<ScriptedCase> ScriptedCases() {
    return {
        // The disavow batch as the reject run sends it.
        {"DisavowPost",
         "{hp}/inbound/addrejectbatch",
         "post",
         "X-Request-By: baidu.ajax\r\nX-Requested-With: XMLHttpRequest",
         "urls=a",
         "BDUSS=x;",
         {"POST /inbound/addrejectbatch HTTP/1.1", "Host: {hp}", "X-Request-By: baidu.ajax",
          "X-Requested-With: XMLHttpRequest", kAgent, "Referer: http://{hp}/inbound/addrejectbatch",
          kAccept, kLanguage, kForm, "Cookie: BDUSS=x;", "Content-Length: 6"},
         "urls=a"},
        {"BareGetGetsAllFiveDefaults",
         "http://{hp}/p",
         "",
         "",
         "",
         "",
         {"GET /p HTTP/1.1", "Host: {hp}", kAgent, kReferer, kAccept, kLanguage, kForm}},
        {"CallerAgentKept",
         "http://{hp}/p",
         "get",
         "User-Agent: Mine",
         "",
         "",
         {"GET /p HTTP/1.1", "Host: {hp}", "User-Agent: Mine", kReferer, kAccept, kLanguage,
          kForm}},
        // "Accept" stands inside "Accept-Language": neither default goes out, nor curl's own.
        {"CallerLanguageStopsBothAccepts",
         "http://{hp}/p",
         "",
         "Accept-Language: en\r\n",
         "",
         "",
         {"GET /p HTTP/1.1", "Host: {hp}", "Accept-Language: en", kAgent, kReferer, kForm}},
        {"NameTestIsExactCase",
         "http://{hp}/p",
         "",
         "user-agent: lower",
         "",
         "",
         {"GET /p HTTP/1.1", "Host: {hp}", "user-agent: lower", kAgent, kReferer, kAccept,
          kLanguage, kForm}},
        {"ValueKeepsItsBlanks",
         "http://{hp}/p",
         "",
         "X-A:  two\r\nX-B:none",
         "",
         "",
         {"GET /p HTTP/1.1", "Host: {hp}", "X-A:  two", "X-B:none", kAgent, kReferer, kAccept,
          kLanguage, kForm}},
        {"OneTrueLength",
         "http://{hp}/p",
         "POST",
         "Content-Length: 99",
         "abc",
         "",
         {"POST /p HTTP/1.1", "Host: {hp}", kAgent, kReferer, kAccept, kLanguage, kForm,
          "Content-Length: 3"},
         "abc"},
        {"EmptyPostCarriesZeroLength",
         "http://{hp}/p",
         "POST",
         "",
         "",
         "",
         {"POST /p HTTP/1.1", "Host: {hp}", kAgent, kReferer, kAccept, kLanguage, kForm,
          "Content-Length: 0"}},
    };
}

class ScriptedBytes : public ::testing::TestWithParam<ScriptedCase> {
  protected:
    RecordingServer server_;
};

TEST_P(ScriptedBytes, RequestLineAndHeaderLinesInOrder) {
    const ScriptedCase& c = GetParam();
    server_.Answer({Send(HttpReply("200 OK", {}, "ok"))});
    std::string url = test::WithHostPort(c.url, server_.HostPort());
    std::string cookies = c.cookies;
    ScriptedRequestArgs args;
    args.url = &url;
    args.method = c.method;
    args.headers = c.headers;
    args.body = c.body;
    args.cookies = &cookies;
    args.timeoutSeconds = 1;
    EXPECT_EQ(ScriptedRequest(args), "ok");
    EXPECT_TRUE(url.starts_with("http://"));
    test::ExpectSingleRequest(server_, c.expected, c.expectedBody);
}

INSTANTIATE_TEST_SUITE_P(Cases, ScriptedBytes, ::testing::ValuesIn(ScriptedCases()),
                         [](const auto& info) { return std::string(info.param.name); });

struct Exchange {
    std::string body;
    std::string headers = "old";
    std::string cookies = "sent=1;";
    int status = -1;
    std::chrono::milliseconds took{};
};

Exchange Post(const std::string& address, bool follow = true) {
    Exchange exchange;
    std::string url = address;
    ScriptedRequestArgs args;
    args.url = &url;
    args.method = "post";
    args.body = "x=1";
    args.responseHeaders = &exchange.headers;
    args.cookies = &exchange.cookies;
    args.statusCode = &exchange.status;
    args.followRedirects = follow;
    args.timeoutSeconds = 1;
    const auto start = std::chrono::steady_clock::now();
    exchange.body = ScriptedRequest(args);
    exchange.took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    return exchange;
}

TEST(ScriptedReply, HeaderLinesWithoutStatusAndCookiesReplaced) {
    RecordingServer server;
    server.Answer({Send(
        HttpReply("200 OK", {"Set-Cookie: a=1; path=/", "X-B: 2", "Set-Cookie: b=2; HttpOnly"},
                  "{\"status\":0}"))});
    const Exchange exchange = Post(server.Url("/batch"));
    EXPECT_EQ(exchange.body, "{\"status\":0}");
    EXPECT_EQ(exchange.headers,
              "Set-Cookie: a=1; path=/\r\nX-B: 2\r\nSet-Cookie: b=2; HttpOnly\r\n"
              "Content-Length: 12\r\n");
    EXPECT_EQ(exchange.cookies, "a=1;b=2;");
    EXPECT_EQ(exchange.status, 200);
}

TEST(ScriptedReply, ReplyWithoutCookiesEmptiesTheText) {
    RecordingServer server;
    server.Answer({Send(HttpReply("404 Not Found", {}, "no"))});
    const Exchange exchange = Post(server.Url("/batch"));
    EXPECT_EQ(exchange.body, "no");
    EXPECT_EQ(exchange.cookies, "");
    EXPECT_EQ(exchange.status, 404);
}

TEST(ScriptedReply, RedirectNotFollowedWhenAsked) {
    RecordingServer server;
    server.Answer({Send(HttpReply("302 Found", {"Location: /x"}, "moved"))});
    const Exchange exchange = Post(server.Url("/batch"), false);
    EXPECT_EQ(exchange.body, "moved");
    EXPECT_EQ(exchange.status, 302);
    EXPECT_EQ(server.Requests().size(), 1u);
}

// A failed exchange leaves nothing behind, and its status tells it from a reply.
TEST(ScriptedReply, FailuresGiveEmptyResultsWithinTheLimit) {
    RecordingServer silent;
    silent.Answer({Hold()});
    RecordingServer cut;
    cut.Answer({Send("HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nContent-Length: 9\r\n\r\nab")});
    for (const std::string& url :
         {silent.Url("/batch"), cut.Url("/batch"), std::string("http://nonexistent.invalid/")}) {
        SCOPED_TRACE(url);
        const Exchange exchange = Post(url);
        EXPECT_EQ(exchange.body, "");
        EXPECT_EQ(exchange.headers, "");
        EXPECT_EQ(exchange.cookies, "");
        EXPECT_EQ(exchange.status, 0);
        EXPECT_LT(exchange.took, std::chrono::milliseconds(2500));
    }
}

}  // namespace
}  // namespace brevink
