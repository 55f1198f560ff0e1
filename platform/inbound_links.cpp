#include "platform/inbound_links.h"

#include <string_view>

#include "web/codepage.h"
#include "web/text.h"
#include "web/web_request.h"

namespace brevink {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && AsciiLower(text.substr(0, prefix.size())) == prefix;
}

// The part of `text` from byte `start` (from 0) up to the first "/" at or after it.
std::string_view UpToSlash(std::string_view text, size_t start) {
    if (start > text.size()) {
        return {};
    }
    const size_t slash = text.find('/', start);
    return text.substr(start, slash == std::string_view::npos ? text.npos : slash - start);
}

// The reply of the platform's link list for one page, decoded to GBK. The POST carries no
// body; the reply's cookies land in a private copy, so the caller's cookie text stays as it is.
std::string InboundReply(const Endpoints& endpoints, const std::string& cookie,
                         const std::string& site, int page) {
    std::string cookieCopy = cookie;
    WebRequestArgs args;
    args.url = InboundDetailUrl(endpoints, site, page);
    args.method = "post";
    args.cookies = &cookieCopy;
    args.caFile = endpoints.caFile;
    return Utf8ToGbk(WebRequest(args));
}

// One "url|anchor\r\n" line of a list item. Slashes are unescaped before both values are
// taken; the anchor's backslash-u escapes become GBK characters.
std::string LinkLineOfItem(std::string_view item) {
    const std::string plain = ReplaceAll(item, "\\/", "/");
    const std::string url = TextBetween(plain, "\"outer_url\":\"", "\"");
    const std::string anchor = TextBetween(plain, "\"anchor\":\"", "\"");
    return url + "|" + DecodeUnicodeEscapes(anchor) + "\r\n";
}

}  // namespace

const std::string& DoneMarker() {
    static const std::string marker = Gbk(u8"完成");
    return marker;
}

std::string HostOf(const std::string& text) {
    // '.', '/' and ':' are below 0x40, so they never stand inside a GBK double-byte character
    // and a plain byte search keeps to character boundaries.
    if (text.find('.') == std::string::npos) {
        return {};
    }
    std::string_view host;
    if (StartsWithNoCase(text, "http://")) {
        host = UpToSlash(text, 7);
    } else {
        host = UpToSlash(text, 0);
    }
    if (StartsWithNoCase(text, "https://")) {
        host = UpToSlash(text, 8);
    }
    host = host.substr(0, host.find(':'));
    return AsciiLower(host);
}

std::string InboundDetailUrl(const Endpoints& endpoints, const std::string& site, int page) {
    const std::string host = HostOf(site);
    return "http://" + endpoints.platformHost + "/inbound/detail?d=" + host +
           "&root=0&site=http%3A%2F%2F" + host + "%2F&pagesize=100&page=" + std::to_string(page);
}

int InboundCountOfReply(const std::string& reply) {
    // A count is never negative; whatever else the platform writes there means no links.
    const int count = TextToInt(TextBetween(reply, "\"count\":\"", "\""));
    return count < 0 ? 0 : count;
}

std::string InboundPageOfReply(const std::string& reply, int page) {
    // The platform answers the page number unquoted; another number means no such page.
    if (TextToInt(TextBetween(reply, "\"page\":", ",")) != page) {
        return DoneMarker();
    }
    std::string lines;
    for (const std::string& item : SplitText(TextBetween(reply, "[", "]"), "},{")) {
        lines += LinkLineOfItem(item);
    }
    return lines;
}

int FetchInboundCount(const Endpoints& endpoints, const std::string& cookie,
                      const std::string& site) {
    return InboundCountOfReply(InboundReply(endpoints, cookie, site, 1));
}

std::string FetchInboundPage(const Endpoints& endpoints, const std::string& cookie,
                             const std::string& site, int page) {
    return InboundPageOfReply(InboundReply(endpoints, cookie, site, page), page);
}

}  // namespace brevink
