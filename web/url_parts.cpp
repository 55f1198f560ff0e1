#include <charconv>

#include "web/text.h"
#include "web/web_request.h"

namespace brevink {

namespace {

// The port text's leading digits; 0 when there are none (the scheme's default port then
// applies), -1 when they do not make a TCP port.
int PortNumber(std::string_view text) {
    size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
        ++digits;
    }
    if (digits == 0) {
        return 0;
    }
    if (digits > 5) {
        return -1;
    }
    int port = 0;
    std::from_chars(text.data(), text.data() + digits, port);
    return port <= 65535 ? port : -1;
}

}  // namespace

UrlParts SplitUrl(std::string_view url) {
    const std::string lower = AsciiLower(url);
    UrlParts parts;
    // Only the URL's own prefix decides: a link often carries another address in its query.
    parts.secure = lower.starts_with("https://");
    const size_t start = parts.secure ? 8 : lower.starts_with("http://") ? 7 : 0;
    // The host ends where the path, the query or the fragment starts.
    size_t end = lower.find_first_of("/?#", start);
    if (end == std::string::npos) {
        end = lower.size();
    }
    const std::string_view hostAndPort = std::string_view(lower).substr(start, end - start);
    const size_t colon = hostAndPort.find(':');
    parts.host = std::string(hostAndPort.substr(0, colon));
    const int defaultPort = parts.secure ? 443 : 80;
    if (colon == std::string::npos) {
        parts.port = defaultPort;
    } else {
        const int port = PortNumber(hostAndPort.substr(colon + 1));
        parts.port = port == 0 ? defaultPort : port;
    }
    const std::string_view rest = url.substr(end);
    parts.path = rest.starts_with('/') ? std::string(rest) : "/" + std::string(rest);
    return parts;
}

}  // namespace brevink
