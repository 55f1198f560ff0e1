// The disavow bodies: encoded entries joined by "&", at most 1000 a body, a final body always.
#include <gtest/gtest.h>

#include "platform/reject_batch.h"
#include "web/codepage.h"
#include "web/text.h"

namespace brevink {
namespace {

std::string Entry(size_t i) {
    return "urls%5B%5D=http%3A%2F%2Fs" + std::to_string(i) + ".com+url";
}

std::vector<std::string> Urls(size_t n) {
    std::vector<std::string> urls;
    for (size_t i = 0; i < n; ++i) {
        urls.push_back("http://s" + std::to_string(i) + ".com");
    }
    return urls;
}

class RejectBodiesTest : public ::testing::TestWithParam<size_t> {};

// Every body is its entries in order joined by single "&"; full bodies come first, then the rest.
TEST_P(RejectBodiesTest, SplitsIntoBodiesOfAtMostAThousand) {
    const size_t n = GetParam();
    const std::vector<std::string> bodies = BuildRejectBodies(Urls(n));
    ASSERT_EQ(bodies.size(), n / 1000 + 1);
    size_t next = 0;
    for (size_t b = 0; b < bodies.size(); ++b) {
        const size_t count = b + 1 < bodies.size() ? 1000 : n % 1000;
        std::string expected;
        for (size_t i = 0; i < count; ++i, ++next) {
            expected += (i > 0 ? "&" : "") + Entry(next);
        }
        ASSERT_EQ(bodies[b], expected) << "body " << b << " of " << n << " URLs";
    }
    EXPECT_EQ(next, n);
}

INSTANTIATE_TEST_SUITE_P(Counts, RejectBodiesTest,
                         ::testing::Values(0, 1, 3, 999, 1000, 1001, 2000, 2500, 100000));

TEST(RejectBodies, EncodesBlankTildeAndChinese) {
    const std::vector<std::string> bodies =
        BuildRejectBodies({"http://a.com/x y", "http://b.com/~z", Gbk(u8"http://c.com/中")});
    const std::string zhong = UrlEncode(Gbk(u8"中"));
    ASSERT_EQ(zhong.size(), 6u);
    EXPECT_EQ(bodies, (std::vector<std::string>{"urls%5B%5D=http%3A%2F%2Fa.com%2Fx+y+url&"
                                                "urls%5B%5D=http%3A%2F%2Fb.com%2F%7Ez+url&"
                                                "urls%5B%5D=http%3A%2F%2Fc.com%2F%D6%D0+url"}));
}

}  // namespace
}  // namespace brevink
