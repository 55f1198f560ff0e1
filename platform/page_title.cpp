#include "platform/lookups.h"
#include "web/codepage.h"
#include "web/text.h"
#include "web/web_request.h"

namespace brevink {

std::string TitleOfPage(const std::string& body, const std::string& responseHeaders) {
    const std::string text =
        PageCharset(body, responseHeaders) == "UTF8" ? Utf8ToGbk(body) : BytesToText(body);
    return TextBetween(text, "<title>", "</title>");
}

std::string FetchPageTitle(const Endpoints& endpoints, const std::string& url) {
    WebRequestArgs args;
    args.url = url;
    args.caFile = endpoints.caFile;
    std::string headers;
    args.responseHeaders = &headers;
    std::string body;
    for (int attempt = 0; attempt < 5 && body.empty(); ++attempt) {
        body = WebRequest(args);
    }
    return TitleOfPage(body, headers);
}

}  // namespace brevink
