// How the readers of platform replies scale: each is timed on an input and on one twice as
// large; a ratio near 2 means linear time (a quadratic reader would show about 4).
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/inbound_links.h"
#include "platform/lookups.h"
#include "platform/reject_batch.h"
#include "platform/site_list.h"
#include "web/codepage.h"

using namespace brevink;

namespace {

double Milliseconds(const std::function<size_t()>& run) {
    double best = 1e300;
    for (int round = 0; round < 3; ++round) {
        const auto start = std::chrono::steady_clock::now();
        volatile size_t sink = run();
        (void)sink;
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

std::string InboundReply(int items) {
    std::string reply =
        "{\"data\":{\"count\":\"" + std::to_string(items) + "\",\"page\":1,\"list\":[";
    for (int i = 0; i < items; ++i) {
        reply += (i > 0 ? "," : "");
        reply += "{\"outer_url\":\"http:\\/\\/h" + std::to_string(i) +
                 ".example.com\\/page.html\",\"anchor\":\"\\u4e2d\\u6587 anchor\"}";
    }
    return reply + "]}}";
}

std::string Utf8Page(size_t bytes) {
    std::string page = "<html><head><meta charset=\"utf-8\"></head><body>";
    const std::string chunk = "\xE6\xAD\xA3\xE6\x96\x87 text ";  // "正文" in UTF-8
    while (page.size() < bytes) {
        page += chunk;
    }
    return page + "<title>end</title>";
}

std::string SitePage(int sites) {
    std::string page = "<label>" + Gbk(u8"请输入您想查询的网站地址：</label>") + "<ul>";
    for (int i = 0; i < sites; ++i) {
        page += "<li data-value=\"site" + std::to_string(i) + ".com\"></li>";
    }
    return page + "</ul>";
}

std::vector<std::string> Urls(size_t n) {
    std::vector<std::string> urls;
    for (size_t i = 0; i < n; ++i) {
        urls.push_back("http://h" + std::to_string(i) + ".example.com/a b~c.html");
    }
    return urls;
}

void Report(const char* what, const char* unit, double size,
            const std::function<size_t(int)>& run) {
    const double small = Milliseconds([&] { return run(1); });
    const double large = Milliseconds([&] { return run(2); });
    std::printf("%-34s %8.0f %-6s %9.1f ms   x2: %9.1f ms   ratio %.2f\n", what, size, unit, small,
                large, large / small);
}

}  // namespace

int main() {
    const std::string reply1 = InboundReply(50000), reply2 = InboundReply(100000);
    Report("inbound page (50k/100k items)", "MB", reply1.size() / 1e6,
           [&](int k) { return InboundPageOfReply(k == 1 ? reply1 : reply2, 1).size(); });
    const std::string page1 = Utf8Page(5000000), page2 = Utf8Page(10000000);
    Report("page title, UTF-8 page", "MB", page1.size() / 1e6,
           [&](int k) { return TitleOfPage(k == 1 ? page1 : page2, "").size(); });
    const std::string sites1 = SitePage(50000), sites2 = SitePage(100000);
    Report("site list (50k/100k sites)", "MB", sites1.size() / 1e6,
           [&](int k) { return SiteListOfPage(k == 1 ? sites1 : sites2).size(); });
    const std::vector<std::string> urls1 = Urls(100000), urls2 = Urls(200000);
    Report("reject bodies (100k/200k URLs)", "URLs", 100000,
           [&](int k) { return BuildRejectBodies(k == 1 ? urls1 : urls2).size(); });
    return 0;
}
