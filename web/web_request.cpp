#include "web/web_request.h"

#include <algorithm>

#include "web/curl_engine.h"
#include "web/curl_transfer.h"
#include "web/header_lines.h"
#include "web/text.h"

namespace brevink {

namespace {

using engine::HeaderLine;
using engine::TransferOutcome;

constexpr std::string_view kDefaultAccept =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
    "application/msword, */*";
constexpr size_t kHeaderBlockSize = 4096;  // the platform's buffer, its NUL included

bool IsBlank(std::string_view text) {
    return TrimBlanks(text).empty();
}

bool HasControlByte(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return true;
        }
    }
    return false;
}

// The address that curl is given: the split parts with the path as passed.
std::string CurlUrl(const UrlParts& parts) {
    return (parts.secure ? "https://" : "http://") + parts.host + ":" + std::to_string(parts.port) +
           parts.path;
}

// The URL goes into the Referer line as it is: no control byte may break that line.
bool CanBeRequested(const WebRequestArgs& args, const UrlParts& parts) {
    return !HasControlByte(args.url) && !parts.host.empty() &&
           parts.host.find_first_of("@ ") == std::string::npos && parts.port > 0;
}

// The caller's lines, then the three defaults, then the body's type and its one true
// length (a Content-Length of the caller's is dropped: two lengths get a request refused).
std::vector<HeaderLine> RequestHeaders(const WebRequestArgs& args, const std::string& verb) {
    std::vector<HeaderLine> lines;
    for (std::string& line : engine::HeaderTextLines(args.headers)) {
        if (!engine::IsHeaderNamed(line, "Content-Length")) {
            lines.push_back({std::move(line)});
        }
    }
    std::string text = args.headers;
    auto addUnless = [&](std::string_view name, std::string line, bool bodyOnly) {
        if (!ContainsText(text, name)) {
            text += line + "\r\n";
            lines.push_back({std::move(line), bodyOnly});
        }
    };
    addUnless("Accept: ", std::string(kDefaultAccept), false);
    addUnless("Referer: ", "Referer: " + args.url, false);
    addUnless("Accept-Language: ", "Accept-Language: zh-cn", false);
    if (verb == "POST" && !args.body.empty()) {
        addUnless("Content-Type: ", "Content-Type: application/x-www-form-urlencoded", true);
        lines.push_back({"Content-Length: " + std::to_string(args.body.size()), true});
    }
    const bool ownAgent = std::any_of(lines.begin(), lines.end(), [](const HeaderLine& line) {
        return engine::IsHeaderNamed(line.text, "User-Agent");
    });
    if (!ownAgent) {
        lines.push_back({"User-Agent: " +
                         (IsBlank(args.userAgent) ? std::string(kDefaultAgent) : args.userAgent)});
    }
    return lines;
}

engine::TransferRequest BuildTransfer(const WebRequestArgs& args, const UrlParts& parts,
                                      const std::string& verb, const std::string& cookies) {
    engine::TransferRequest request;
    request.url = CurlUrl(parts);
    request.method = verb;
    request.sendBody = verb == "POST";
    if (request.sendBody) {
        request.body = args.body;
    }
    request.headers = RequestHeaders(args, verb);
    if (!IsBlank(cookies)) {
        // Our own cookie text goes out as one line; it stays with the host it was meant for.
        request.headers.push_back({"Cookie: " + cookies, false, true});
    } else {
        request.useCookieStore = true;
    }
    if (!IsBlank(args.proxy)) {
        engine::UseProxy(args.proxy, request);
    }
    if (!IsBlank(args.serverUser)) {
        request.serverLogin = {true, args.serverUser,
                               IsBlank(args.serverPassword) ? std::string() : args.serverPassword};
    }
    request.followRedirects = args.followRedirects;
    request.caFile = args.caFile;
    const long limitMs = 1000L * (args.timeoutSeconds < 1 ? 15 : args.timeoutSeconds);
    request.limits = {limitMs / 3, limitMs / 3, limitMs, limitMs};
    return request;
}

// The raw block as the platform hands it over: status line first, every line ended by
// "\r\n", and the blank line that closes the block.
std::string HeaderBlock(const std::vector<std::string>& lines) {
    std::string block;
    for (const std::string& line : lines) {
        block += line + "\r\n";
    }
    return block + "\r\n";
}

}  // namespace

void AbortAllRequests() {
    engine::AbortAllRequests();
}

std::string WebRequest(const WebRequestArgs& args) {
    const UrlParts parts = SplitUrl(args.url);
    const std::string verb = AsciiUpper(args.method.empty() ? std::string("GET") : args.method);
    std::string cookies = args.cookies != nullptr ? *args.cookies : std::string();
    engine::TransferReply reply;
    if (CanBeRequested(args, parts)) {
        reply = engine::RunTransfer(BuildTransfer(args, parts, verb, cookies));
    }
    if (reply.outcome == TransferOutcome::NoHandles || reply.outcome == TransferOutcome::Unusable) {
        if (args.responseHeaders != nullptr) {
            args.responseHeaders->clear();
        }
        return {};
    }
    std::string block = HeaderBlock(reply.headerLines);
    if (reply.outcome == TransferOutcome::NoReply || block.size() >= kHeaderBlockSize) {
        block.assign(kHeaderBlockSize, ' ');
    }
    if (args.cookies != nullptr && ContainsText(block, "Set-Cookie: ")) {
        *args.cookies = MergeCookies(cookies, HarvestSetCookies(block));
    }
    if (args.responseHeaders != nullptr) {
        *args.responseHeaders = std::move(block);
    }
    return std::move(reply.body);
}

}  // namespace brevink
