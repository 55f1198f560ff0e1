// Replies that go wrong: every one ends within the time limit (1 s here) with the outcome
// that callers rely on: an empty body, and a header block and cookies only where a header
// block really arrived.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "support/recording_server.h"
#include "web/web_request.h"

namespace brevink {
namespace {

using namespace std::chrono_literals;
using test::Hold;
using test::HttpReply;
using test::Pause;
using test::RecordingServer;
using test::Reply;
using test::Send;

const std::string kBlanks(4096, ' ');
const std::string kCookieHead = "HTTP/1.1 200 OK\r\nSet-Cookie: got=1; path=/\r\n";

struct Outcome {
    std::string body;
    std::string headers;
    std::string cookies;
    std::chrono::milliseconds took;
};

Outcome Fetch(const std::string& url, int timeoutSeconds = 1) {
    Outcome outcome;
    outcome.cookies = "old=1;";
    WebRequestArgs args;
    args.url = url;
    args.responseHeaders = &outcome.headers;
    args.cookies = &outcome.cookies;
    args.timeoutSeconds = timeoutSeconds;
    const auto start = std::chrono::steady_clock::now();
    outcome.body = WebRequest(args);
    outcome.took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    return outcome;
}

std::string LongHeaderBlock(size_t size) {
    std::string block = kCookieHead + "Content-Length: 3\r\n";
    const std::string tail = "\r\n\r\n";
    block += "X-Fill: " + std::string(size - block.size() - 8 - tail.size(), 'x') + tail;
    return block;
}

enum class Block { Blanks, Arrived };

struct FaultCase {
    const char* name;
    Reply reply;
    std::string body;  // expected
    Block block;
    bool cookiesMerged;
    std::chrono::milliseconds atLeast;
};

std::vector<FaultCase> FaultCases() {
    Reply trickle = {Send(kCookieHead + "Content-Length: 1000\r\n\r\n")};
    for (int i = 0; i < 40; ++i) {
        trickle.push_back(Pause(100));
        trickle.push_back(Send("x"));
    }
    return {
        // Nothing comes back: the receive limit (T/3) ends the wait.
        {"NoAnswer", {Hold()}, "", Block::Blanks, false, 300ms},
        {"HalfAHeaderBlockThenStall",
         {Send("HTTP/1.1 200 OK\r\nX-A: 1\r\n"), Hold()},
         "",
         Block::Blanks,
         false,
         300ms},
        {"HeadersThenStall",
         {Send(kCookieHead + "Content-Length: 100\r\n\r\n0123"), Hold()},
         "",
         Block::Arrived,
         true,
         300ms},
        {"ClosedMidBody",
         {Send(kCookieHead + "Content-Length: 100\r\n\r\n0123")},
         "",
         Block::Arrived,
         true,
         0ms},
        // A byte every 100 ms never stalls long enough; the body limit T ends it.
        {"BodySlowerThanLimit", trickle, "", Block::Arrived, true, 950ms},
        {"InvalidChunks",
         {Send(kCookieHead +
               "Transfer-Encoding: chunked\r\n\r\n3\r\nabc\r\nzz\r\nxx\r\n0\r\n\r\n")},
         "",
         Block::Arrived,
         true,
         0ms},
        {"ChunksCutShort",
         {Send(kCookieHead + "Transfer-Encoding: chunked\r\n\r\n10\r\nabc")},
         "",
         Block::Arrived,
         true,
         0ms},
        // The platform's buffer holds 4,095 bytes: a longer block is not read, cookies neither.
        {"HeaderBlockOver4095",
         {Send(LongHeaderBlock(4096) + "abc")},
         "abc",
         Block::Blanks,
         false,
         0ms},
        {"HeaderBlockOf4095",
         {Send(LongHeaderBlock(4095) + "abc")},
         "abc",
         Block::Arrived,
         true,
         0ms},
        {"NothingButClose", {}, "", Block::Blanks, false, 0ms},
    };
}

class WebRequestFaults : public ::testing::TestWithParam<FaultCase> {
  protected:
    RecordingServer server_;
};

TEST_P(WebRequestFaults, EndsWithinLimitWithItsOutcome) {
    const FaultCase& c = GetParam();
    server_.Answer(c.reply);
    const Outcome outcome = Fetch(server_.Url("/fault"));
    EXPECT_EQ(outcome.body, c.body);
    if (c.block == Block::Blanks) {
        EXPECT_EQ(outcome.headers, kBlanks);
    } else {
        EXPECT_TRUE(outcome.headers.starts_with("HTTP/1.1 200 OK\r\nSet-Cookie: got=1; path=/\r\n"))
            << outcome.headers;
        EXPECT_TRUE(outcome.headers.ends_with("\r\n\r\n"));
    }
    EXPECT_EQ(outcome.cookies, c.cookiesMerged ? "old=1;got=1;" : "old=1;");
    EXPECT_GE(outcome.took, c.atLeast);
    EXPECT_LT(outcome.took, 2500ms);
}

INSTANTIATE_TEST_SUITE_P(Replies, WebRequestFaults, ::testing::ValuesIn(FaultCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// A port that was free a moment ago: nothing listens there.
int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof where;
    bind(fd, reinterpret_cast<sockaddr*>(&where), size);
    getsockname(fd, reinterpret_cast<sockaddr*>(&where), &size);
    close(fd);
    return ntohs(where.sin_port);
}

TEST(WebRequestUnreachable, RefusedAndUnresolvableGiveBlankBlock) {
    for (const std::string& url : {"http://127.0.0.1:" + std::to_string(FreePort()) + "/",
                                   std::string("http://nonexistent.invalid/x"),
                                   std::string("https://Sub.NonExistent.INVALID./")}) {
        SCOPED_TRACE(url);
        const Outcome outcome = Fetch(url);
        EXPECT_EQ(outcome.body, "");
        EXPECT_EQ(outcome.headers, kBlanks);
        EXPECT_EQ(outcome.cookies, "old=1;");
        EXPECT_LT(outcome.took, 1000ms);
    }
}

TEST(WebRequestLargeBody, FiftyMegabytesKeptWhole) {
    RecordingServer server;
    std::string body(50u << 20, '\0');
    for (size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<char>(i * 7 % 251);
    }
    server.Answer({Send(HttpReply("200 OK", {}, body))});
    // Not a time-out case: the limit is set wide so that a slow (sanitizer) build gets through.
    const Outcome outcome = Fetch(server.Url("/big"), 60);
    EXPECT_EQ(outcome.body.size(), body.size());
    EXPECT_TRUE(outcome.body == body);
}

}  // namespace
}  // namespace brevink
