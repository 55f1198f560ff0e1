// HostOf: the lower-case host of a site text or a link URL.
#include <gtest/gtest.h>

#include "platform/inbound_links.h"
#include "web/codepage.h"

namespace brevink {
namespace {

struct HostCase {
    std::string text;
    std::string host;
};

class HostOfTest : public ::testing::TestWithParam<HostCase> {};

TEST_P(HostOfTest, GivesTheBareLowerCaseHost) {
    EXPECT_EQ(HostOf(GetParam().text), GetParam().host) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostOfTest,
    ::testing::Values(HostCase{"WWW.Example.COM", "www.example.com"},
                      HostCase{"http://www.example.com/", "www.example.com"},
                      HostCase{"HTTP://Www.Example.com:8080/path/x?q=1", "www.example.com"},
                      HostCase{"https://Sub.Example.com/a?b=c", "sub.example.com"},
                      HostCase{"HTTPS://a.b:443", "a.b"},
                      HostCase{"www.a.com/path/x.html", "www.a.com"},
                      HostCase{"127.0.1.5:8080/page", "127.0.1.5"},
                      HostCase{"http://127.0.1.5:8080", "127.0.1.5"}, HostCase{"localhost", ""},
                      HostCase{"http://localhost/x", ""}, HostCase{"", ""}, HostCase{"http:/", ""},
                      HostCase{"h.t", "h.t"}, HostCase{"http://", ""}, HostCase{"https://.", "."},
                      HostCase{"/x.html", ""}));

TEST(HostOf, KeepsGbkBytesAndFoldsOnlyAsciiLetters) {
    EXPECT_EQ(HostOf(Gbk(u8"http://例子.COM/页面")), Gbk(u8"例子.com"));
}

TEST(InboundDetailUrl, BareHostAndPrefixedSiteGiveTheSameRequest) {
    Endpoints endpoints;
    endpoints.platformHost = "127.0.0.1:8080";
    const std::string expected =
        "http://127.0.0.1:8080/inbound/detail?d=www.a.com&root=0&site=http%3A%2F%2Fwww.a.com"
        "%2F&pagesize=100&page=3";
    EXPECT_EQ(InboundDetailUrl(endpoints, "Www.A.com", 3), expected);
    EXPECT_EQ(InboundDetailUrl(endpoints, "http://www.a.com/", 3), expected);
}

}  // namespace
}  // namespace brevink
