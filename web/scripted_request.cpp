#include "web/scripted_request.h"

#include "web/curl_transfer.h"
#include "web/header_lines.h"
#include "web/text.h"
#include "web/web_request.h"

namespace brevink {

namespace {

using engine::HeaderLine;
using engine::TransferOutcome;

constexpr std::string_view kScriptedAccept =
    "image/jpeg, application/x-ms-application, image/gif, application/xaml+xml, image/pjpeg, "
    "application/x-ms-xbap, application/x-shockwave-flash, application/vnd.ms-excel, "
    "application/vnd.ms-powerpoint, application/msword, */*";

// The caller's lines as name and value around the first ":" (the value keeps its leading
// blank, so the line goes out as written), then each default whose name the caller's text
// does not hold anywhere (exact case: "Accept" also stands in "Accept-Language").
std::vector<HeaderLine> RequestHeaders(const ScriptedRequestArgs& args, const std::string& url) {
    std::vector<HeaderLine> lines;
    for (std::string& line : engine::HeaderTextLines(args.headers)) {
        // A length of the caller's would stand beside the true one.
        if (line.find(':') != std::string::npos && !engine::IsHeaderNamed(line, "Content-Length")) {
            lines.push_back({std::move(line)});
        }
    }
    const std::pair<std::string_view, std::string> defaults[] = {
        {"User-Agent", kDefaultAgent},
        {"Referer", url},
        {"Accept", std::string(kScriptedAccept)},
        {"Accept-Language", "zh-CN"},
        {"Content-Type", "application/x-www-form-urlencoded"},
    };
    for (const auto& [name, value] : defaults) {
        if (!ContainsText(args.headers, name, false)) {
            lines.push_back({std::string(name) + ": " + value});
        }
    }
    return lines;
}

engine::TransferRequest BuildTransfer(const ScriptedRequestArgs& args, const std::string& url,
                                      const std::string& cookies) {
    engine::TransferRequest request;
    request.url = url;
    request.method = AsciiUpper(args.method.empty() ? std::string("GET") : args.method);
    request.body = args.body;
    request.sendBody = request.method == "POST" || !args.body.empty();
    request.headers = RequestHeaders(args, url);
    if (!cookies.empty()) {
        request.headers.push_back({"Cookie: " + cookies, false, true});
    }
    if (!args.body.empty()) {
        request.headers.push_back({"Content-Length: " + std::to_string(args.body.size()), true});
    }
    if (!args.proxy.empty()) {
        engine::UseProxy(args.proxy, request);
    }
    if (!args.serverUser.empty()) {
        request.serverLogin = {true, args.serverUser, args.serverPassword};
    }
    request.followRedirects = args.followRedirects;
    request.caFile = args.caFile;
    const long limitMs = 1000L * (args.timeoutSeconds < 1 ? 15 : args.timeoutSeconds);
    // Every wait of the request object is bounded by T; it sets no limit on the whole body.
    request.limits = {limitMs, limitMs, limitMs, 0};
    return request;
}

// The header lines without the status line, as the request object lists them.
std::string AllHeaderLines(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 1; i < lines.size(); ++i) {
        text += lines[i] + "\r\n";
    }
    return text;
}

template <typename T>
void Put(T* out, T value) {
    if (out != nullptr) {
        *out = std::move(value);
    }
}

}  // namespace

std::string WithHttpScheme(std::string_view url) {
    if (url.starts_with("http://") || url.starts_with("https://")) {
        return std::string(url);
    }
    return "http://" + std::string(url);
}

std::string ScriptedRequest(const ScriptedRequestArgs& args) {
    const std::string url = WithHttpScheme(args.url != nullptr ? *args.url : std::string());
    Put(args.url, url);
    const std::string cookies = args.cookies != nullptr ? *args.cookies : std::string();
    engine::TransferReply reply = engine::RunTransfer(BuildTransfer(args, url, cookies));
    if (reply.outcome == TransferOutcome::NoHandles) {
        Put(args.responseHeaders, std::string("_nolink_"));
        Put(args.cookies, std::string());
        Put(args.statusCode, 0);
        return {};
    }
    if (reply.outcome != TransferOutcome::Complete) {
        reply = {};
    }
    const std::string headers = AllHeaderLines(reply.headerLines);
    Put(args.cookies, HarvestSetCookies(headers));
    Put(args.responseHeaders, headers);
    Put(args.statusCode, reply.status);
    return std::move(reply.body);
}

}  // namespace brevink
