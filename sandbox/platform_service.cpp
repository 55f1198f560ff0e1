// The webmaster platform (HTTP): the site page, the inbound-link pages and the disavow batches.
#include <algorithm>
#include <string>

#include "sandbox/service_context.h"
#include "sandbox/text_codec.h"

namespace sandbox {
namespace {

const char kNotLoggedIn[] = "{\"status\":302,\"msg\":\"not logged in\",\"data\":{}}";

// The account of the request's cookie; "*" for every cookie under --any-cookie.
std::string AccountOf(const httplib::Request& req, const ServiceContext& context) {
    if (context.options.anyCookie)
        return "*";
    return context.accounts.AccountOfCookie(req.get_header_value("Cookie"));
}

std::string SitePage(const DataSet& data, bool loggedIn) {
    std::string page =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
        "<title>\xE5\xA4\x96\xE9\x93\xBE\xE5\x88\x86\xE6\x9E\x90</title></head><body>\n"
        "<ul class=\"nav\"><li><a href=\"/\">\xE9\xA6\x96\xE9\xA1\xB5</a></li>"
        "<li><a href=\"/inbound/index\">\xE5\xA4\x96\xE9\x93\xBE\xE5\x88\x86\xE6\x9E\x90</a></li>"
        "</ul>\n";  // 外链分析, 首页
    if (!loggedIn) {
        return page +
               "<p class=\"login\">\xE8\xAF\xB7\xE5\x85\x88\xE7\x99\xBB\xE5\xBD\x95</p>\n"
               "</body></html>\n";  // 请先登录
    }
    // 请输入您想查询的网站地址：
    page +=
        "<div class=\"site-select\"><label for=\"site\">"
        "\xE8\xAF\xB7\xE8\xBE\x93\xE5\x85\xA5\xE6\x82\xA8\xE6\x83\xB3\xE6\x9F\xA5\xE8\xAF\xA2"
        "\xE7\x9A\x84\xE7\xBD\x91\xE7\xAB\x99\xE5\x9C\xB0\xE5\x9D\x80\xEF\xBC\x9A</label>\n"
        "<ul class=\"site-list\">\n";
    for (const Site& site : data.Sites()) {
        page += "<li data-value=\"" + site.listed + "\">" + site.listed + "</li>\n";
    }
    return page + "</ul></div>\n</body></html>\n";
}

void SitePageReply(const httplib::Request& req, httplib::Response& res, ServiceContext& context) {
    const std::string account = AccountOf(req, context);
    Record record = RecordOf(req, "sites", account);
    record.notes.emplace_back("logged-in", account.empty() ? "0" : "1");
    context.recorder.Add(std::move(record));
    res.set_content(SitePage(context.data, !account.empty()), "text/html; charset=utf-8");
}

std::string LinkItem(const Link& link, const Site& site, long long k) {
    const std::string day = std::to_string(10 + k % 18);
    return "{\"outer_url\":\"" + JsonEscape(link.url) + "\",\"anchor\":\"" +
           JsonEscape(link.anchor) + "\",\"inner_url\":\"" +
           JsonEscape("http://" + site.host + "/") + "\",\"update_time\":\"2023-08-" + day + "\"}";
}

// One page of the list. The platform answers a page beyond the last with the last one, and
// sends the count as a quoted string but the page number unquoted.
std::string DetailJson(const DataSet& data, const Site& site, long long page, long long size) {
    const long long last = std::max(1LL, (site.delivered + size - 1) / size);
    const long long shown = std::clamp(page, 1LL, last);
    const long long first = (shown - 1) * size;
    const long long end = std::min(site.delivered, first + size);
    std::string json = "{\"status\":0,\"msg\":\"\",\"data\":{\"count\":\"" +
                       std::to_string(site.reported) + "\",\"page\":" + std::to_string(shown) +
                       ",\"pagesize\":" + std::to_string(size) + ",\"list\":[";
    json.reserve(json.size() + static_cast<size_t>(end - first) * 200);
    for (long long i = first; i < end; ++i) {
        if (i > first)
            json += ',';
        json += LinkItem(data.LinkAt(site, i), site, i + 1);
    }
    return json + "]}}";
}

long long ParamNumber(const httplib::Request& req, const char* name, long long fallback) {
    const std::string text = req.get_param_value(name);
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    return text.empty() || *end != '\0' ? fallback : value;
}

void DetailReply(const httplib::Request& req, httplib::Response& res, ServiceContext& context) {
    const std::string host = BareHost(req.get_param_value("d"));
    const std::string account = AccountOf(req, context);
    Record record = RecordOf(req, "detail", host);
    record.notes.emplace_back("logged-in", account.empty() ? "0" : "1");
    context.recorder.Add(std::move(record));
    const Site* site = context.data.FindByHost(host);
    std::string json;
    if (account.empty()) {
        json = kNotLoggedIn;
    } else if (site == nullptr) {
        json = "{\"status\":404,\"msg\":\"site not found\",\"data\":{}}";
    } else {
        const long long size = std::clamp(ParamNumber(req, "pagesize", 100), 1LL, 1000LL);
        json = DetailJson(context.data, *site, ParamNumber(req, "page", 1), size);
    }
    res.set_content(json, "application/json; charset=utf-8");
}

// A disavow batch: "urls%5B%5D=" + encoded URL + "+url" entries joined by "&". Up to 1000
// entries make ~60 KB, more than the library takes as a plain form, hence the content reader.
void RejectReply(const httplib::Request& req, httplib::Response& res,
                 const httplib::ContentReader& reader, ServiceContext& context) {
    std::string body;
    reader([&body](const char* data, size_t length) {
        body.append(data, length);
        return true;
    });
    const std::string account = AccountOf(req, context);
    Record record = RecordOf(req, "reject", BareHost(req.get_param_value("d")));
    record.body = body;
    size_t odd = 0;
    for (auto& [name, value] : FormPairs(body)) {
        const bool entry = name == "urls[]" && value.size() >= 4 &&
                           value.compare(value.size() - 4, 4, " url") == 0;
        if (!entry)
            ++odd;
        record.urls.push_back(entry ? value.substr(0, value.size() - 4) : value);
    }
    record.notes.emplace_back("logged-in", account.empty() ? "0" : "1");
    record.notes.emplace_back("entries", std::to_string(record.urls.size()));
    record.notes.emplace_back("odd-entries", std::to_string(odd));
    const size_t count = record.urls.size();
    context.recorder.Add(std::move(record));
    res.set_content(
        account.empty()
            ? std::string(kNotLoggedIn)
            : "{\"status\":0,\"msg\":\"\",\"data\":{\"success\":" + std::to_string(count) + "}}",
        "application/json; charset=utf-8");
}

}  // namespace

void AddPlatformRoutes(httplib::Server& server, ServiceContext& context) {
    server.Get("/inbound/index", [&context](const httplib::Request& req, httplib::Response& res) {
        SitePageReply(req, res, context);
    });
    server.Post("/inbound/detail", [&context](const httplib::Request& req, httplib::Response& res,
                                              const httplib::ContentReader& reader) {
        reader([](const char*, size_t) { return true; });
        DetailReply(req, res, context);
    });
    server.Post("/inbound/addrejectbatch",
                [&context](const httplib::Request& req, httplib::Response& res,
                           const httplib::ContentReader& reader) {
                    RejectReply(req, res, reader, context);
                });
    // The portal's jump page named in the login form; never needed, but present.
    server.Get("/cache/user/html/v3Jump.html",
               [&context](const httplib::Request& req, httplib::Response& res) {
                   context.recorder.Add(RecordOf(req, "portal", ""));
                   res.set_content("<html><body></body></html>\n", "text/html; charset=utf-8");
               });
}

}  // namespace sandbox
