// 113 threads (the program's lookup workers) calling WebRequest at once against loopback
// servers: every reply arrives whole, the engine's cookie store serves the cookie-less
// calls, and no server ever sees more than 10 connections from this process at a time.
#include <gtest/gtest.h>

#include <array>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "support/recording_server.h"
#include "web/web_request.h"

namespace brevink {
namespace {

using test::Pause;
using test::RecordedRequest;
using test::RecordingServer;
using test::Reply;
using test::Send;

constexpr int kThreads = 113;
constexpr int kServers = 3;

// Held a while so that requests pile up; the body ends with the connection, so the server
// counts a connection as open until the client has all of it.
Reply SlowReply(const RecordedRequest& request) {
    const std::string target = request.Target();
    const std::string id = target.substr(target.rfind('/') + 1);
    return {Pause(200), Send("HTTP/1.1 200 OK\r\nSet-Cookie: t" + id +
                             "=1; path=/\r\nConnection: close\r\n\r\nbody of " + id)};
}

struct ThreadResult {
    std::string firstBody;
    std::string secondBody;
    std::string cookies;
};

std::string CookieLineOf(const RecordedRequest& request) {
    std::string found;
    for (const std::string& line : request.Lines()) {
        if (line.starts_with("Cookie:")) {
            found += line + "\n";
        }
    }
    return found;
}

TEST(WebRequestThreads, ManyThreadsAtOnceWithinTheServerLimit) {
    std::array<RecordingServer, kServers> servers;
    for (RecordingServer& server : servers) {
        server.Answer(SlowReply);
    }
    std::vector<ThreadResult> results(kThreads);
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            const RecordingServer& server = servers[i % kServers];
            // Even threads use the engine's store, odd ones bring a cookie text of their own.
            std::string cookies = i % 2 == 0 ? std::string() : "own" + std::to_string(i) + "=1;";
            WebRequestArgs args;
            args.cookies = &cookies;
            args.timeoutSeconds = 5;
            start.arrive_and_wait();
            args.url = server.Url("/first/" + std::to_string(i));
            results[i].firstBody = WebRequest(args);
            args.url = server.Url("/second/" + std::to_string(i));
            results[i].secondBody = WebRequest(args);
            results[i].cookies = cookies;
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (int i = 0; i < kThreads; ++i) {
        const std::string id = std::to_string(i);
        EXPECT_EQ(results[i].firstBody, "body of " + id);
        EXPECT_EQ(results[i].secondBody, "body of " + id);
        const std::string own = i % 2 == 0 ? "" : "own" + id + "=1;";
        EXPECT_EQ(results[i].cookies, own + "t" + id + "=1;");
    }
    for (int s = 0; s < kServers; ++s) {
        // The limit holds per server, and it is the limit of one server, not of the process
        // (requests on their way in or out of a slot keep the count a little below 10).
        EXPECT_LE(servers[s].MaxOpenConnections(), 10) << "server " << s;
        EXPECT_GE(servers[s].MaxOpenConnections(), 8) << "server " << s;
        for (const RecordedRequest& request : servers[s].Requests()) {
            const std::string target = request.Target();
            const int i = std::stoi(target.substr(target.rfind('/') + 1));
            const std::string cookieLine = CookieLineOf(request);
            const std::string id = std::to_string(i);
            if (i % 2 == 1) {
                // Their own text alone (merged after the first reply), in one line, never
                // the store's cookies beside it.
                const std::string merged = target.starts_with("/second/") ? "t" + id + "=1;" : "";
                EXPECT_EQ(cookieLine, "Cookie: own" + id + "=1;" + merged + "\n");
            } else if (target.starts_with("/second/")) {
                EXPECT_NE(cookieLine.find("t" + id + "=1"), std::string::npos) << target;
            }
        }
    }
}

}  // namespace
}  // namespace brevink
