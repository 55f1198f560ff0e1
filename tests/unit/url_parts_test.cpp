// How the engine cuts a URL into scheme, host, port and path.
#include <gtest/gtest.h>

#include "web/web_request.h"

namespace brevink {
namespace {

struct UrlCase {
    const char* url;
    bool secure;
    const char* host;
    int port;
    const char* path;
};

class SplitUrlCases : public ::testing::TestWithParam<UrlCase> {};

TEST_P(SplitUrlCases, Parts) {
    const UrlCase& c = GetParam();
    const UrlParts parts = SplitUrl(c.url);
    EXPECT_EQ(parts.secure, c.secure);
    EXPECT_EQ(parts.host, c.host);
    EXPECT_EQ(parts.port, c.port);
    EXPECT_EQ(parts.path, c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Urls, SplitUrlCases,
    ::testing::Values(
        UrlCase{"https://WwW.Example.COM/a/B?x=Y", true, "www.example.com", 443, "/a/B?x=Y"},
        UrlCase{"HTTPS://host/", true, "host", 443, "/"},
        UrlCase{"https://host:8443/p", true, "host", 8443, "/p"},
        UrlCase{"http://Host:8080", false, "host", 8080, "/"},
        UrlCase{"example.com/path/x", false, "example.com", 80, "/path/x"},
        UrlCase{"example.com", false, "example.com", 80, "/"},
        // Another address in the query decides neither the scheme nor the port.
        UrlCase{"http://a.com/r?u=https://b.com/", false, "a.com", 80, "/r?u=https://b.com/"},
        UrlCase{"http://a.com/r?https", false, "a.com", 80, "/r?https"},
        UrlCase{"ftp://a.com/x", false, "ftp", 80, "//a.com/x"},
        // The host ends at the query or the fragment as well as at the path.
        UrlCase{"http://a.com?x=1/2", false, "a.com", 80, "/?x=1/2"},
        UrlCase{"http://a.com#top", false, "a.com", 80, "/#top"},
        // The path is taken after the host, not where the host's text first occurs.
        UrlCase{"http://h/x", false, "h", 80, "/x"},
        UrlCase{"http://a.com:81x/p", false, "a.com", 81, "/p"},
        UrlCase{"http://a.com:/p", false, "a.com", 80, "/p"},
        UrlCase{"https://a.com:0/p", true, "a.com", 443, "/p"},
        UrlCase{"http://a.com:65536/p", false, "a.com", -1, "/p"},
        UrlCase{"http://a.com:123456/p", false, "a.com", -1, "/p"},
        UrlCase{"http://a.com/\xC4\xE3?q=\xD6\xD0", false, "a.com", 80, "/\xC4\xE3?q=\xD6\xD0"},
        UrlCase{"", false, "", 80, "/"}));

}  // namespace
}  // namespace brevink
