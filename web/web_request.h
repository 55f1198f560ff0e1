#pragma once
// The request engine: one synchronous HTTP/HTTPS request per call over libcurl.
// Every failure comes back as an empty body; nothing throws, nothing is shown.
#include <string>
#include <string_view>

namespace brevink {

inline constexpr const char* kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

struct WebRequestArgs {
    std::string url;
    std::string method;          // "GET" when empty; upper-cased; only POST sends a body
    std::string proxy;           // address [\x01 user [\x01 password]]; blank: direct
    std::string serverUser;      // ignored when blank
    std::string serverPassword;  // ignored when blank
    std::string userAgent;       // kDefaultAgent when blank
    std::string headers;         // caller's header lines, each ended by "\r\n"
    std::string body;            // POST body
    int timeoutSeconds = 15;     // 15 when below 1
    std::string* responseHeaders = nullptr;  // out: raw header block of the final reply
    std::string* cookies = nullptr;          // in/out: cookie text, merged with the reply's
    bool followRedirects = true;
    std::string caFile;  // extra trusted certificates (PEM) beside the system store
};

// Returns the response body (bytes), or empty bytes on failure or time-out.
std::string WebRequest(const WebRequestArgs& args);

// Parts of a URL as the engine sends it.
struct UrlParts {
    bool secure = false;
    std::string host;  // lower case, no port
    int port = 80;
    std::string path;  // from the first "/" after the host, query included; "/" when none
};
UrlParts SplitUrl(std::string_view url);

// Cookie text helpers (a cookie text is "name=value;" pairs without blanks).
std::string CookiePairOf(std::string_view line);
std::string HarvestSetCookies(std::string_view headerBlock);
std::string MergeCookies(std::string_view current, std::string_view newPairs);

}  // namespace brevink
