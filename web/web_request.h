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
// - responseHeaders: the final reply's raw header block, status line first, every line ended
//   by "\r\n", closed by the blank line; 4,096 blanks when no reply came (no connection,
//   TLS refused, no answer within T/3, more than 10 redirects) or when the block is longer
//   than 4,095 bytes; the empty text when no request could be made of the URL or method.
// - A body that does not arrive whole (not within T of the header block, a pause over T/3,
//   cut short, bad chunks) is dropped; the header block and its cookies are still given.
// - cookies: a non-blank text goes out as the last line and takes the final reply's pairs
//   (MergeCookies); it is not sent on to another host by a redirect. A blank text leaves the
//   engine's own process-wide cookie store in charge of the request.
// - At most 10 connections at once to one server (host and port) in the process; a call
//   waits for a free one.
std::string WebRequest(const WebRequestArgs& args);

// For the program's end: every request in flight (scripted ones too) gives up within a
// fraction of a second as if the server had not answered, and every later one fails at once,
// so that the threads that make them can be joined promptly. It cannot be undone.
void AbortAllRequests();

// Parts of a URL as the engine sends it.
struct UrlParts {
    bool secure = false;  // the URL begins with "https://" (ASCII case ignored)
    std::string host;     // lower case, no port
    int port = 80;        // the scheme's default when none is given or it is 0; -1: not a port
    std::string path;     // all after host and port (which end at "/", "?" or "#"), "/" first
};
UrlParts SplitUrl(std::string_view url);

// Cookie text helpers (a cookie text is "name=value;" pairs without blanks).
// The text before the first ";" of a Set-Cookie value; empty when there is no ";".
std::string CookiePairOf(std::string_view line);
// The pairs of the block's lines that begin with "Set-Cookie: " (case ignored), each + ";".
std::string HarvestSetCookies(std::string_view headerBlock);
// Each new pair replaces, in place, the pair of `current` with the same name (ASCII case
// ignored, whole names only); a new name is appended.
std::string MergeCookies(std::string_view current, std::string_view newPairs);

}  // namespace brevink
