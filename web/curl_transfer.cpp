#include "web/curl_transfer.h"

#include <memory>
#include <optional>

#include "web/curl_engine.h"
#include "web/curl_hop.h"
#include "web/text.h"

namespace brevink::engine {

namespace {

struct Server {
    std::string host;  // lower case
    std::string key;   // host and port: the unit of the connection limit
};

struct UrlFree {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

std::string UrlPart(CURLU* url, CURLUPart part, unsigned flags = 0) {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, flags) != CURLUE_OK) {
        return {};
    }
    std::string copy(text);
    curl_free(text);
    return copy;
}

// The server that an http:// or https:// URL names; nothing for any other URL.
std::optional<Server> ServerOf(const std::string& address) {
    const std::unique_ptr<CURLU, UrlFree> url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, address.c_str(), 0) != CURLUE_OK) {
        return std::nullopt;
    }
    const std::string scheme = AsciiLower(UrlPart(url.get(), CURLUPART_SCHEME));
    const std::string host = AsciiLower(UrlPart(url.get(), CURLUPART_HOST));
    if ((scheme != "http" && scheme != "https") || host.empty()) {
        return std::nullopt;
    }
    return Server{host, host + ":" + UrlPart(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT)};
}

// Names under "invalid" are reserved never to resolve: no lookup goes out for them.
bool IsReservedName(std::string host) {
    while (host.ends_with('.')) {
        host.pop_back();
    }
    return host == "invalid" || host.ends_with(".invalid");
}

bool IsFollowed(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::vector<std::string> LinesFor(const TransferRequest& request, bool sendBody, bool sameHost) {
    std::vector<std::string> lines;
    for (const HeaderLine& line : request.headers) {
        if ((line.withBodyOnly && !sendBody) || (line.sameHostOnly && !sameHost)) {
            continue;
        }
        lines.push_back(line.text);
    }
    return lines;
}

// 303 asks for a GET; 301 and 302 turn a POST into a GET as browsers do; 307 and 308 keep
// the method and the body.
Hop NextHop(const Hop& hop, int status, std::string url) {
    Hop next{std::move(url), hop.method, hop.sendBody, {}};
    const bool toGet = status == 303 ? hop.method != "HEAD"
                                     : (status == 301 || status == 302) && hop.method == "POST";
    if (toGet) {
        next.method = "GET";
        next.sendBody = false;
    }
    return next;
}

TransferReply NoReply() {
    TransferReply reply;
    reply.outcome = TransferOutcome::NoReply;
    return reply;
}

}  // namespace

TransferReply RunTransfer(const TransferRequest& request) {
    InitCurlOnce();
    CurlCall call(request);
    const std::optional<Server> first = ServerOf(request.url);
    if (!call.Ready() || !first) {
        return {};
    }
    Hop hop{request.url, request.method, request.sendBody, {}};
    Server server = *first;
    for (int redirects = 0;; ++redirects) {
        if (IsReservedName(server.host)) {
            return NoReply();
        }
        hop.lines = LinesFor(request, hop.sendBody, server.host == first->host);
        TransferReply reply;
        {
            const ServerSlot slot(server.key);
            reply = call.Send(hop);
        }
        std::string next = IsFollowed(reply.status) ? call.RedirectUrl() : std::string();
        if (!request.followRedirects || reply.outcome != TransferOutcome::Complete ||
            next.empty()) {
            return reply;
        }
        const std::optional<Server> nextServer = ServerOf(next);
        if (redirects == kMaxRedirects || !nextServer) {
            return NoReply();
        }
        hop = NextHop(hop, reply.status, std::move(next));
        server = *nextServer;
    }
}

}  // namespace brevink::engine
