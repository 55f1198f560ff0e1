#pragma once
// The scripted request: the engine used for the disavow batches, with its own header
// defaults and cookie rule (the reply's cookies replace the text that was sent).
#include <string>
#include <string_view>

namespace brevink {

struct ScriptedRequestArgs {
    std::string* url = nullptr;  // in/out: "http://" put in front when it has no scheme
    std::string method;          // "GET" when empty; upper-cased
    std::string proxy;           // address [\x01 user [\x01 password]]; used when not empty
    std::string serverUser;      // used when not empty
    std::string serverPassword;
    std::string headers;  // header lines separated by "\r\n"
    std::string body;     // bytes
    int timeoutSeconds = 15;
    std::string* responseHeaders = nullptr;  // out: all header lines of the reply
    std::string* cookies = nullptr;          // in/out: replaced by the pairs the reply sets
    int* statusCode = nullptr;               // out: HTTP status of the final reply, 0 when none
    bool followRedirects = true;
    std::string caFile;
};

// Returns the reply body (bytes); empty bytes, empty responseHeaders and empty cookies when
// the exchange fails; "_nolink_" as responseHeaders when no request could be made at all.
// responseHeaders holds the reply's header lines without the status line, each followed by
// "\r\n". Redirects and time limits as WebRequest's, every wait bounded by the time limit.
std::string ScriptedRequest(const ScriptedRequestArgs& args);

// The URL with "http://" put in front unless it begins with "http://" or "https://" (exact
// case: "HTTP://x" gets the prefix too).
std::string WithHttpScheme(std::string_view url);

}  // namespace brevink
