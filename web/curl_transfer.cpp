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

// An upper-case verb may go into the request line only when it is one HTTP token.
bool IsToken(std::string_view verb) {
    constexpr std::string_view kMarks = "!#$%&'*+-.^_`|~";
    if (verb.empty()) {
        return false;
    }
    for (const char c : verb) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!plain && kMarks.find(c) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

// Blanks escaped so that the request line stays three words; curl refuses them otherwise.
std::string WithEscapedBlanks(std::string_view url) {
    std::string escaped;
    for (const char c : url) {
        escaped += c == ' ' ? std::string_view("%20") : std::string_view(&c, 1);
    }
    return escaped;
}

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
    const std::string escaped = WithEscapedBlanks(address);
    if (!url || curl_url_set(url.get(), CURLUPART_URL, escaped.c_str(), 0) != CURLUE_OK) {
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

void UseProxy(const std::string& proxyText, TransferRequest& request) {
    const std::vector<std::string> pieces = SplitText(proxyText, "\x01");
    request.proxy = pieces.empty() ? proxyText : pieces[0];
    if (pieces.size() >= 2) {
        request.proxyLogin = {true, pieces[1], pieces.size() >= 3 ? pieces[2] : std::string()};
    }
}

TransferReply RunTransfer(const TransferRequest& request) {
    InitCurlOnce();
    CurlCall call(request);
    if (!call.Ready()) {
        return {};
    }
    const std::optional<Server> first = ServerOf(request.url);
    if (!first || !IsToken(request.method)) {
        TransferReply reply;
        reply.outcome = TransferOutcome::Unusable;
        return reply;
    }
    Hop hop{WithEscapedBlanks(request.url), request.method, request.sendBody, {}};
    Server server = *first;
    for (int redirects = 0;; ++redirects) {
        if (IsReservedName(server.host) || RequestsAborted()) {
            return NoReply();
        }
        hop.lines = LinesFor(request, hop.sendBody, server.host == first->host);
        TransferReply reply;
        {
            const ServerSlot slot(server.key);
            if (RequestsAborted()) {
                return NoReply();
            }
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
