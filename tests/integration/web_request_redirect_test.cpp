// Redirects (followed across HTTP and HTTPS, or returned as they are) and HTTPS trust.
#include <gtest/gtest.h>

#include <string>

#include "support/recording_server.h"
#include "support/tls_server.h"
#include "web/web_request.h"

namespace brevink {
namespace {

using test::HttpReply;
using test::RecordingServer;
using test::Send;
using test::TlsServer;

const std::string kBlanks(4096, ' ');

struct Result {
    std::string body;
    std::string headers;
    std::string cookies;
};

Result Fetch(const std::string& url, bool follow = true, const std::string& caFile = {},
             const std::string& method = {}, const std::string& body = {}) {
    Result result;
    result.cookies = "old=1;";
    WebRequestArgs args;
    args.url = url;
    args.method = method;
    args.body = body;
    args.followRedirects = follow;
    args.caFile = caFile;
    args.responseHeaders = &result.headers;
    args.cookies = &result.cookies;
    args.timeoutSeconds = 1;
    result.body = WebRequest(args);
    return result;
}

std::string Redirect(std::string_view status, const std::string& to,
                     const std::string& cookie = "moved=1") {
    return HttpReply(status, {"Location: " + to, "Set-Cookie: " + cookie + "; path=/"}, "moved");
}

bool HasLine(const test::RecordedRequest& request, std::string_view prefix) {
    for (const std::string& line : request.Lines()) {
        if (line.starts_with(prefix)) {
            return true;
        }
    }
    return false;
}

class WebRequestRedirect : public ::testing::Test {
  protected:
    RecordingServer server_;
};

TEST_F(WebRequestRedirect, NotFollowedReturnsTheRedirectItself) {
    server_.Answer({Send(Redirect("302 Found", "/next"))});
    const Result result = Fetch(server_.Url("/start"), false);
    EXPECT_EQ(result.body, "moved");
    EXPECT_TRUE(result.headers.starts_with("HTTP/1.1 302 Found\r\nLocation: /next\r\n"));
    EXPECT_EQ(result.cookies, "old=1;moved=1;");
    EXPECT_EQ(server_.Requests().size(), 1u);
}

// Only the final reply's cookies reach the caller's text, as with the platform's own
// stack when it keeps its hands off cookies.
TEST_F(WebRequestRedirect, FollowedGivesFinalReplyAndItsCookiesOnly) {
    server_.Answer("/start", {Send(Redirect("301 Moved Permanently", "/next", "first=1"))});
    server_.Answer("/next", {Send(HttpReply("200 OK", {"Set-Cookie: last=2; path=/"}, "done"))});
    const Result result = Fetch(server_.Url("/start"));
    EXPECT_EQ(result.body, "done");
    EXPECT_TRUE(result.headers.starts_with("HTTP/1.1 200 OK\r\n"));
    EXPECT_EQ(result.cookies, "old=1;last=2;");
}

TEST_F(WebRequestRedirect, LoopEndsAfterTenRedirectsWithEmptyResult) {
    server_.Answer({Send(Redirect("302 Found", "/again"))});
    const Result result = Fetch(server_.Url("/again"));
    EXPECT_EQ(result.body, "");
    EXPECT_EQ(result.headers, kBlanks);
    EXPECT_EQ(result.cookies, "old=1;");
    EXPECT_EQ(server_.Requests().size(), 11u);
}

TEST_F(WebRequestRedirect, RedirectWithoutLocationIsTheReply) {
    server_.Answer({Send(HttpReply("302 Found", {}, "nowhere"))});
    EXPECT_EQ(Fetch(server_.Url("/x")).body, "nowhere");
}

// 302 turns a POST into a GET without body and body lines; 307 repeats the POST as it was.
TEST_F(WebRequestRedirect, MethodAndBodyPerStatus) {
    for (const std::string status : {"302 Found", "307 Temporary Redirect"}) {
        SCOPED_TRACE(status);
        RecordingServer server;
        server.Answer("/form", {Send(Redirect(status, "/after"))});
        server.Answer("/after", {Send(HttpReply("200 OK", {}, "ok"))});
        EXPECT_EQ(Fetch(server.Url("/form"), true, {}, "POST", "a=1").body, "ok");
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 2u);
        const bool kept = status.starts_with("307");
        EXPECT_EQ(requests[1].RequestLine(), kept ? "POST /after HTTP/1.1" : "GET /after HTTP/1.1");
        EXPECT_EQ(requests[1].body, kept ? "a=1" : "");
        EXPECT_EQ(HasLine(requests[1], "Content-Type: "), kept);
        EXPECT_EQ(HasLine(requests[1], "Content-Length: 3"), kept);
        EXPECT_TRUE(HasLine(requests[1], "Referer: " + server.Url("/form")));
    }
}

// The caller's cookie text belongs to the host it was given for: another port of that host
// gets it, another host does not.
TEST_F(WebRequestRedirect, CookieTextStaysWithItsHost) {
    RecordingServer samePlace;
    RecordingServer elsewhere("127.0.0.4");
    samePlace.Answer({Send(HttpReply("200 OK", {}, "same"))});
    elsewhere.Answer({Send(HttpReply("200 OK", {}, "other"))});
    server_.Answer("/same", {Send(Redirect("302 Found", samePlace.Url("/")))});
    server_.Answer("/other", {Send(Redirect("302 Found", elsewhere.Url("/")))});
    EXPECT_EQ(Fetch(server_.Url("/same")).body, "same");
    EXPECT_EQ(Fetch(server_.Url("/other")).body, "other");
    EXPECT_TRUE(HasLine(samePlace.Requests().at(0), "Cookie: old=1;"));
    EXPECT_FALSE(HasLine(elsewhere.Requests().at(0), "Cookie:"));
}

class WebRequestTls : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { tls_ = new TlsServer; }
    static void TearDownTestSuite() {
        delete tls_;
        tls_ = nullptr;
    }
    static TlsServer* tls_;
};

TlsServer* WebRequestTls::tls_ = nullptr;

TEST_F(WebRequestTls, TrustedThroughExtraCertificateFile) {
    tls_->Put("page", HttpReply("200 OK", {"Set-Cookie: tls=1; path=/"}, "secure page"));
    const Result result = Fetch(tls_->Url("/page"), true, tls_->CertFile());
    EXPECT_EQ(result.body, "secure page");
    EXPECT_TRUE(result.headers.starts_with("HTTP/1.1 200 OK\r\n"));
    EXPECT_EQ(result.cookies, "old=1;tls=1;");
}

// Certificate checks are never switched off: an unknown issuer or another name fails.
TEST_F(WebRequestTls, UntrustedOrMismatchedCertificateGivesEmptyResult) {
    tls_->Put("page", HttpReply("200 OK", {"Set-Cookie: tls=1; path=/"}, "secure page"));
    const std::string byName = "https://localhost:" + std::to_string(tls_->Port()) + "/page";
    for (const auto& [url, caFile] : {std::pair{tls_->Url("/page"), std::string()},
                                      std::pair{tls_->Url("/page"), std::string("/no/such.pem")},
                                      std::pair{byName, tls_->CertFile()}}) {
        SCOPED_TRACE(url + " " + caFile);
        const Result result = Fetch(url, true, caFile);
        EXPECT_EQ(result.body, "");
        EXPECT_EQ(result.headers, kBlanks);
        EXPECT_EQ(result.cookies, "old=1;");
    }
}

TEST_F(WebRequestTls, RedirectsFollowedFromHttpToHttpsAndBack) {
    RecordingServer plain;
    plain.Answer("/start", {Send(Redirect("302 Found", tls_->Url("/hop")))});
    plain.Answer("/end", {Send(HttpReply("200 OK", {}, "back on http"))});
    tls_->Put("hop", Redirect("302 Found", plain.Url("/end")));
    const Result result = Fetch(plain.Url("/start"), true, tls_->CertFile());
    EXPECT_EQ(result.body, "back on http");
    const auto requests = plain.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].RequestLine(), "GET /end HTTP/1.1");
}

TEST_F(WebRequestTls, SchemeInCapitalsIsSecureToo) {
    tls_->Put("caps", HttpReply("200 OK", {}, "tls"));
    const std::string url = "HTTPS://127.0.0.1:" + std::to_string(tls_->Port()) + "/caps";
    EXPECT_EQ(Fetch(url, true, tls_->CertFile()).body, "tls");
}

}  // namespace
}  // namespace brevink
