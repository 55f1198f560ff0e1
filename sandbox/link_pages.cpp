#include "sandbox/link_pages.h"

#include <algorithm>
#include <cstdlib>

#include "sandbox/service_context.h"
#include "sandbox/text_codec.h"

namespace sandbox {
namespace {

const char kBom[] = "\xEF\xBB\xBF";

enum class Form { Bom, MetaUtf8, HeaderUtf8, MetaGbk, PlainGbk, BomCapitals, GbkCapitals, NoTitle };

std::string Html(const std::string& head, const std::string& title, bool capitals, long long k) {
    const std::string n = std::to_string(k);
    std::string page = "<!DOCTYPE html>\n<html>\n<head>\n" + head;
    if (!title.empty()) {
        page += capitals ? "<TITLE>" + title + "</TITLE>\n" : "<title>" + title + "</title>\n";
    }
    // 这是第 K 个外链页面。 / 欢迎访问本站，更多精彩内容请关注。
    page += "</head>\n<body>\n<h1>\xE8\xBF\x99\xE6\x98\xAF\xE7\xAC\xAC " + n +
            " \xE4\xB8\xAA\xE5\xA4\x96\xE9\x93\xBE\xE9\xA1\xB5\xE9\x9D\xA2\xE3\x80\x82</h1>\n";
    for (int i = 0; i < 6; ++i) {
        page +=
            "<p>\xE6\xAC\xA2\xE8\xBF\x8E\xE8\xAE\xBF\xE9\x97\xAE\xE6\x9C\xAC\xE7\xAB\x99\xEF\xBC"
            "\x8C\xE6\x9B\xB4\xE5\xA4\x9A\xE7\xB2\xBE\xE5\xBD\xA9\xE5\x86\x85\xE5\xAE\xB9\xE8\xAF"
            "\xB7\xE5\x85\xB3\xE6\xB3\xA8\xE3\x80\x82 <a href=\"/page/" +
            std::to_string(k + i + 1) + "\">more</a></p>\n";
    }
    return page + "</body>\n</html>\n";
}

// The decimal number at the start of `text` (at most 18 digits read); `digits` says how many.
long long LeadingNumber(std::string_view text, size_t& digits) {
    digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    return digits == 0
               ? 0
               : std::atoll(std::string(text.substr(0, std::min<size_t>(digits, 18))).c_str());
}

long long TrailingNumber(std::string_view text, size_t& digits) {
    size_t start = text.size();
    while (start > 0 && text[start - 1] >= '0' && text[start - 1] <= '9')
        --start;
    digits = text.size() - start;
    return digits == 0 ? 0 : std::atoll(std::string(text.substr(start, 9)).c_str());
}

void PageRoute(const httplib::Request& req, httplib::Response& res, ServiceContext& context) {
    context.recorder.Add(RecordOf(req, "page", req.local_addr));
    const PageReply page = LinkPage(std::atoll(req.matches[1].str().c_str()));
    res.set_content(page.body, page.contentType);
}

// "/flaky/N/K": an empty body for the first N requests of the path, then page K.
void FlakyRoute(const httplib::Request& req, httplib::Response& res, ServiceContext& context) {
    const long long seen = context.recorder.Add(RecordOf(req, "flaky", req.local_addr + req.path));
    if (seen <= std::atoll(req.matches[1].str().c_str())) {
        res.set_content("", "text/html");
        return;
    }
    const PageReply page = LinkPage(std::atoll(req.matches[2].str().c_str()));
    res.set_content(page.body, page.contentType);
}

}  // namespace

std::string PageTitle(long long k) {
    // 外链页面 K - 示例站点
    return "\xE5\xA4\x96\xE9\x93\xBE\xE9\xA1\xB5\xE9\x9D\xA2" + std::to_string(k) +
           " - \xE7\xA4\xBA\xE4\xBE\x8B\xE7\xAB\x99\xE7\x82\xB9";
}

bool PageHasTitle(long long k) {
    return static_cast<Form>(k % 8) != Form::NoTitle;
}

PageReply LinkPage(long long k) {
    const std::string title = PageTitle(k);
    const std::string html = "text/html";
    switch (static_cast<Form>(((k % 8) + 8) % 8)) {
        case Form::Bom:
            return {kBom + Html("", title, false, k), html};
        case Form::MetaUtf8:
            return {Html("<meta charset=\"utf-8\">\n", title, false, k), html};
        case Form::HeaderUtf8:
            return {Html("", title, false, k), "text/html; charset=utf-8"};
        case Form::MetaGbk:
            return {Utf8ToGbk(Html("<meta http-equiv=\"Content-Type\" content=\"text/html; "
                                   "charset=gbk\">\n",
                                   title, false, k)),
                    html};
        case Form::PlainGbk:
            return {Utf8ToGbk(Html("", title, false, k)), html};
        case Form::BomCapitals:
            return {kBom + Html("", title, true, k), html};
        case Form::GbkCapitals:
            return {Utf8ToGbk(Html("<meta charset=\"gb2312\">\n", title, true, k)), html};
        case Form::NoTitle:
            return {Html("<meta charset=\"utf-8\">\n", "", false, k), html};
    }
    return {};
}

std::string ExpectedTitle(std::string_view url) {
    const size_t scheme = url.find("://");
    if (scheme == std::string_view::npos)
        return "";
    const size_t slash = url.find('/', scheme + 3);
    std::string_view path = slash == std::string_view::npos ? "" : url.substr(slash);
    path = path.substr(0, path.find('?'));
    size_t digits = 0;
    long long k = -1;
    if (path.rfind("/page/", 0) == 0) {  // "/page/K" and anything after K
        k = LeadingNumber(path.substr(6), digits);
    } else if (path.rfind("/flaky/", 0) == 0) {  // exactly "/flaky/N/K"
        std::string_view rest = path.substr(7);
        LeadingNumber(rest, digits);
        rest.remove_prefix(digits);
        if (digits > 0 && rest.size() > 1 && rest[0] == '/') {
            k = LeadingNumber(rest.substr(1), digits);
            if (digits + 1 != rest.size())
                digits = 0;
        } else {
            digits = 0;
        }
    }
    return digits > 0 && k >= 0 && PageHasTitle(k) ? PageTitle(k) : "";
}

std::string RankReply(const std::string& host) {
    if (host.rfind("empty.", 0) == 0)
        return "";
    if (host.rfind("norank.", 0) == 0)
        return "#no rank";
    size_t digits = 0;
    long long rank = TrailingNumber(host, digits);
    if (digits == 0) {
        for (const char c : host)
            rank += static_cast<unsigned char>(c);
    }
    return std::to_string(rank % 10) + "#" + host;
}

void AddPageRoutes(httplib::Server& server, ServiceContext& context) {
    server.Get(R"(/page/(\d+).*)", [&context](const httplib::Request& req, httplib::Response& res) {
        PageRoute(req, res, context);
    });
    server.Get(R"(/flaky/(\d+)/(\d+))",
               [&context](const httplib::Request& req, httplib::Response& res) {
                   FlakyRoute(req, res, context);
               });
    server.Get("/empty", [&context](const httplib::Request& req, httplib::Response& res) {
        context.recorder.Add(RecordOf(req, "page", req.local_addr));
        res.set_content("", "text/html");
    });
}

}  // namespace sandbox
