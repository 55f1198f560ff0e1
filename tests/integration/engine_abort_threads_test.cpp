// The switch that the program throws when it closes: requests in flight, requests waiting
// for a place at a busy server and requests made afterwards all end at once with no reply.
// Its own executable, since the switch cannot be undone.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "support/recording_server.h"
#include "web/scripted_request.h"
#include "web/web_request.h"

namespace brevink {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

TEST(EngineAbort, EndsWaitingAndLaterRequestsAtOnce) {
    test::RecordingServer silent;  // accepts and never answers
    silent.Answer(test::Reply{test::Hold()});
    test::RecordingServer answering;
    answering.Answer(test::Reply{test::Send(test::HttpReply("200 OK", {}, "body"))});

    // Eleven requests to one server: ten hold its places, the eleventh waits for one.
    std::vector<std::future<std::string>> inFlight;
    for (int i = 0; i < 11; ++i) {
        inFlight.push_back(std::async(std::launch::async, [&] {
            WebRequestArgs args;
            args.url = silent.Url("/slow");
            return WebRequest(args);  // the default 15 s limit
        }));
    }
    auto scripted = std::async(std::launch::async, [&] {
        std::string url = silent.Url("/batch");
        ScriptedRequestArgs args;
        args.url = &url;
        args.method = "post";
        args.body = "urls%5B%5D=a+url";
        return ScriptedRequest(args);
    });
    std::this_thread::sleep_for(milliseconds(300));

    const auto thrown = Clock::now();
    AbortAllRequests();
    for (auto& request : inFlight) {
        EXPECT_EQ(request.get(), "");
    }
    EXPECT_EQ(scripted.get(), "");
    EXPECT_LT(Clock::now() - thrown, milliseconds(1500));

    WebRequestArgs later;
    later.url = answering.Url("/");
    const auto asked = Clock::now();
    EXPECT_EQ(WebRequest(later), "");
    EXPECT_LT(Clock::now() - asked, milliseconds(200));
    EXPECT_TRUE(answering.Requests().empty());
}

}  // namespace
}  // namespace brevink
