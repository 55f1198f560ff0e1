#include "web/curl_hop.h"

#include <algorithm>
#include <fstream>
#include <memory>

#include "web/curl_engine.h"
#include "web/header_lines.h"
#include "web/text.h"

namespace brevink::engine {

namespace {

using Clock = HopProgress::Clock;

// Headers that curl would send on its own unless the list names them; a bare "Name:" entry
// keeps them off the wire.
constexpr std::string_view kCurlOwnHeaders[] = {"Accept", "Expect", "Content-Type"};

std::string_view WithoutLineEnd(std::string_view line) {
    if (line.ends_with('\n')) {
        line.remove_suffix(1);
    }
    if (line.ends_with('\r')) {
        line.remove_suffix(1);
    }
    return line;
}

int StatusOf(std::string_view statusLine) {
    const size_t blank = statusLine.find(' ');
    return blank == std::string_view::npos ? 0 : TextToInt(statusLine.substr(blank + 1));
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto& progress = *static_cast<HopProgress*>(user);
    const std::string_view line = WithoutLineEnd({data, size * count});
    progress.lastActivity = Clock::now();
    if (line.starts_with("HTTP/")) {
        // A new reply: an interim 1xx or an authentication round came before it.
        progress.lines.clear();
        progress.body.clear();
        progress.headersAt.reset();
    } else if (progress.headersAt) {
        return size * count;  // a trailer after a chunked body belongs to no header block
    }
    if (!line.empty()) {
        progress.lines.emplace_back(line);
    } else if (!progress.lines.empty() && StatusOf(progress.lines.front()) >= 200) {
        progress.headersAt = progress.lastActivity;
    }
    return size * count;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto& progress = *static_cast<HopProgress*>(user);
    progress.body.append(data, size * count);
    progress.lastActivity = Clock::now();
    return size * count;
}

int OnConnected(void* user, char*, char*, int, int) {
    auto& progress = *static_cast<HopProgress*>(user);
    progress.lastActivity = Clock::now();
    progress.connectedAt = progress.lastActivity;
    return CURL_PREREQFUNC_OK;
}

// A header line as curl takes it: "Name;" sends a header with an empty value, where
// "Name:" would only remove one of curl's own.
std::string CurlLine(const std::string& line) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos ||
        !TrimBlanks(std::string_view(line).substr(colon + 1)).empty()) {
        return line;
    }
    return line.substr(0, colon) + ";";
}

struct SlistFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, SlistFree>;

HeaderList CurlHeaderList(const std::vector<std::string>& lines) {
    curl_slist* list = nullptr;
    auto append = [&list](const std::string& text) {
        if (curl_slist* longer = curl_slist_append(list, text.c_str())) {
            list = longer;
        }
    };
    for (const std::string& line : lines) {
        append(CurlLine(line));
    }
    for (std::string_view own : kCurlOwnHeaders) {
        const bool named = std::any_of(lines.begin(), lines.end(), [own](const std::string& line) {
            return IsHeaderNamed(line, own);
        });
        if (!named) {
            append(std::string(own) + ":");
        }
    }
    return HeaderList(list);
}

bool Readable(const std::string& path) {
    return std::ifstream(path).is_open();
}

// How long a wait for the network may last before the abort switch is looked at again.
constexpr long kAbortCheckMs = 100;

long AtLeastOneMs(long ms) {
    return std::max(ms, 1L);
}

}  // namespace

CurlCall::CurlCall(const TransferRequest& request)
    : request_(request), easy_(curl_easy_init()), multi_(curl_multi_init()) {
    if (Ready()) {
        SetCallOptions();
    }
}

CurlCall::~CurlCall() {
    if (multi_ != nullptr) {
        curl_multi_cleanup(multi_);
    }
    if (easy_ != nullptr) {
        curl_easy_cleanup(easy_);
    }
}

void CurlCall::SetCallOptions() {
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy_, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy_, CURLOPT_PATH_AS_IS, 1L);    // the path goes out as the caller wrote it
    curl_easy_setopt(easy_, CURLOPT_FORBID_REUSE, 1L);  // a slot of the server limit is a socket
    curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 0L);  // redirects are followed hop by hop
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, AtLeastOneMs(request_.limits.connectMs));
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, &progress_);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, &progress_);
    curl_easy_setopt(easy_, CURLOPT_PREREQFUNCTION, OnConnected);
    curl_easy_setopt(easy_, CURLOPT_PREREQDATA, &progress_);
    // An empty proxy text also keeps the environment's proxy variables out.
    curl_easy_setopt(easy_, CURLOPT_PROXY, request_.proxy.c_str());
    curl_easy_setopt(easy_, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    if (request_.proxyLogin.given) {
        curl_easy_setopt(easy_, CURLOPT_PROXYUSERNAME, request_.proxyLogin.user.c_str());
        curl_easy_setopt(easy_, CURLOPT_PROXYPASSWORD, request_.proxyLogin.password.c_str());
        curl_easy_setopt(easy_, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
    }
    if (request_.serverLogin.given) {
        // Credentials answer the server's challenge; they are not pushed on every request.
        curl_easy_setopt(easy_, CURLOPT_USERNAME, request_.serverLogin.user.c_str());
        curl_easy_setopt(easy_, CURLOPT_PASSWORD, request_.serverLogin.password.c_str());
        curl_easy_setopt(easy_, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
    }
    if (request_.useCookieStore) {
        curl_easy_setopt(easy_, CURLOPT_SHARE, EngineCookieStore());
        curl_easy_setopt(easy_, CURLOPT_COOKIEFILE, "");
    }
    // The extra file comes beside the system store: Debian's libcurl keeps its CA directory
    // when CAINFO is replaced. A file that cannot be read leaves the system store alone.
    if (!request_.caFile.empty() && Readable(request_.caFile)) {
        curl_easy_setopt(easy_, CURLOPT_CAINFO, request_.caFile.c_str());
    }
}

void CurlCall::SetHopOptions(const Hop& hop, curl_slist* headers) {
    curl_easy_setopt(easy_, CURLOPT_URL, hop.url.c_str());
    curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(easy_, CURLOPT_NOBODY, 0L);
    if (hop.sendBody) {
        curl_easy_setopt(easy_, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request_.body.size()));
        curl_easy_setopt(easy_, CURLOPT_POSTFIELDS, request_.body.data());
    } else if (hop.method == "HEAD") {
        curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
    } else {
        curl_easy_setopt(easy_, CURLOPT_HTTPGET, 1L);
    }
    const bool ownVerb =
        hop.sendBody ? hop.method == "POST" : hop.method == "GET" || hop.method == "HEAD";
    if (!ownVerb) {
        curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, hop.method.c_str());
    }
}

TransferReply CurlCall::Send(const Hop& hop) {
    progress_ = HopProgress{};
    progress_.lastActivity = Clock::now();
    const HeaderList headers = CurlHeaderList(hop.lines);
    SetHopOptions(hop, headers.get());
    if (curl_multi_add_handle(multi_, easy_) != CURLM_OK) {
        return {};
    }
    const CURLcode result = Drive();
    curl_multi_remove_handle(multi_, easy_);
    return TakeReply(result);
}

CURLcode CurlCall::Drive() {
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi_, &running) != CURLM_OK) {
            return CURLE_FAILED_INIT;
        }
        curl_off_t uploaded = 0;
        curl_easy_getinfo(easy_, CURLINFO_SIZE_UPLOAD_T, &uploaded);
        const auto now = Clock::now();
        if (uploaded != progress_.uploaded) {
            progress_.uploaded = uploaded;
            progress_.lastActivity = now;
        }
        if (RequestsAborted()) {
            return CURLE_ABORTED_BY_CALLBACK;
        }
        if (running == 0) {
            int left = 0;
            const CURLMsg* message = curl_multi_info_read(multi_, &left);
            return message != nullptr ? message->data.result : CURLE_FAILED_INIT;
        }
        const auto deadline = NextDeadline();
        if (deadline && now >= *deadline) {
            return CURLE_OPERATION_TIMEDOUT;
        }
        long waitMs = kAbortCheckMs;
        if (deadline) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - now);
            waitMs = std::clamp(static_cast<long>(left.count()), 1L, kAbortCheckMs);
        }
        curl_multi_poll(multi_, nullptr, 0, static_cast<int>(waitMs), nullptr);
    }
}

// Before the connection stands, curl's own connect time-out rules.
std::optional<Clock::time_point> CurlCall::NextDeadline() const {
    if (!progress_.connectedAt) {
        return std::nullopt;
    }
    const TransferLimits& limits = request_.limits;
    auto deadline = progress_.lastActivity + std::chrono::milliseconds(limits.stallMs);
    if (!progress_.headersAt) {
        return std::min(deadline,
                        *progress_.connectedAt + std::chrono::milliseconds(limits.headersMs));
    }
    if (limits.bodyMs > 0) {
        deadline =
            std::min(deadline, *progress_.headersAt + std::chrono::milliseconds(limits.bodyMs));
    }
    return deadline;
}

TransferReply CurlCall::TakeReply(CURLcode result) {
    TransferReply reply;
    if (!progress_.headersAt) {
        reply.outcome = TransferOutcome::NoReply;
        return reply;
    }
    long status = 0;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
    reply.status = static_cast<int>(status);
    reply.headerLines = std::move(progress_.lines);
    if (result == CURLE_OK) {
        reply.outcome = TransferOutcome::Complete;
        reply.body = std::move(progress_.body);
    } else {
        reply.outcome = TransferOutcome::BodyFailed;
    }
    return reply;
}

std::string CurlCall::RedirectUrl() const {
    char* url = nullptr;
    curl_easy_getinfo(easy_, CURLINFO_REDIRECT_URL, &url);
    return url != nullptr ? std::string(url) : std::string();
}

}  // namespace brevink::engine
