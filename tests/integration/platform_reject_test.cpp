// Disavow batches against the sandbox's webmaster platform, checked by what it recorded.
#include <gtest/gtest.h>

#include "platform/reject_batch.h"
#include "support/sandbox_suite.h"
#include "web/codepage.h"

namespace brevink {
namespace {

using RejectTest = SandboxSuiteTest;

std::vector<std::string> Urls(size_t n) {
    std::vector<std::string> urls;
    for (size_t i = 0; i < n; ++i) {
        urls.push_back("http://127.0.1.3:8080/page/" + std::to_string(i) + "?a=1&b=x y~z");
    }
    return urls;
}

TEST_F(RejectTest, OneBatchArrivesAsSent) {
    const std::string cookie = Sandbox().SessionCookie();
    const std::vector<std::string> urls = {"http://a.example.com/x y", "http://b.example.com/~z",
                                           Gbk(u8"http://c.example.com/中文")};
    const std::vector<std::string> bodies = BuildRejectBodies(urls);
    ASSERT_EQ(bodies.size(), 1u);
    const RejectReply reply = SendRejectBatch(Services(), "www.example-a.com", bodies[0], cookie);
    EXPECT_TRUE(reply.answered);
    EXPECT_EQ(reply.status, 200);
    const auto records = Sandbox().Requests("reject");
    ASSERT_EQ(records.size(), 1u);
    const test::SandboxRecord& r = records[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.target,
              "/inbound/addrejectbatch?site=http%3A%2F%2Fwww.example-a.com%2F&d=www.example-a.com");
    EXPECT_EQ(r.key, "www.example-a.com");
    EXPECT_EQ(r.body, bodies[0]);
    EXPECT_EQ(r.urls, urls);
    EXPECT_EQ(r.Note("logged-in"), "1");
    EXPECT_EQ(r.Note("odd-entries"), "0");
    EXPECT_EQ(r.Header("X-Request-By"), "baidu.ajax");
    EXPECT_EQ(r.Header("X-Requested-With"), "XMLHttpRequest");
    EXPECT_EQ(r.Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(r.Header("Cookie"), cookie);
}

TEST_F(RejectTest, ARunOfBatchesDeliversEveryUrlOnce) {
    const std::string cookie = Sandbox().SessionCookie();
    for (const size_t n : {size_t{0}, size_t{1000}, size_t{2500}}) {
        SCOPED_TRACE(n);
        ASSERT_TRUE(Sandbox().Reset());
        const std::vector<std::string> urls = Urls(n);
        for (const std::string& body : BuildRejectBodies(urls)) {
            EXPECT_TRUE(SendRejectBatch(Services(), "www.example-a.com", body, cookie).answered);
        }
        const auto records = Sandbox().Requests("reject");
        ASSERT_EQ(records.size(), n / 1000 + 1);
        std::vector<std::string> received;
        for (const test::SandboxRecord& r : records) {
            EXPECT_EQ(r.Header("Cookie"), cookie);  // every batch sends the same cookie text
            EXPECT_EQ(r.Note("odd-entries"), "0");
            received.insert(received.end(), r.urls.begin(), r.urls.end());
        }
        EXPECT_EQ(received, urls);
        EXPECT_EQ(records.back().body.empty(), n % 1000 == 0);
    }
}

TEST_F(RejectTest, AnswerStatusIsReported) {
    // The rank service has no such path: a reply arrives, but not a success.
    Endpoints wrong = Services();
    wrong.platformHost = Services().rankHost;
    const RejectReply notFound = SendRejectBatch(wrong, "www.example-a.com", "", "");
    EXPECT_FALSE(notFound.answered);
    EXPECT_GE(notFound.status, 400);
    Endpoints dead = Services();
    dead.platformHost = kDeadHost;
    const RejectReply none = SendRejectBatch(dead, "www.example-a.com", "", "");
    EXPECT_FALSE(none.answered);
    EXPECT_EQ(none.status, 0);
}

}  // namespace
}  // namespace brevink
