#include "web/checked_request.h"

#include "web/codepage.h"
#include "web/text.h"
#include "web/web_request.h"

namespace brevink {

namespace {

// A reply whose header block names the language "zh-cn" is read as GBK as it stands; any
// other is taken as UTF-8.
std::string BodyText(const std::string& headerBlock, const std::string& body) {
    if (ContainsText(headerBlock, "Accept-Language:", false)) {
        const std::string value = TextBetween(headerBlock, "Accept-Language:", "\r\n");
        if (AsciiLower(ReplaceAll(value, " ", "")) == "zh-cn") {
            return BytesToText(body);
        }
    }
    return Utf8ToGbk(body);
}

bool Checked(const CheckedRequestArgs& args, const std::string& text) {
    if (!args.successMarker.empty()) {
        return ContainsText(text, args.successMarker, false);
    }
    return !ContainsText(text, args.failureMarker, false);
}

void Put(std::string* out, const std::string& value) {
    if (out != nullptr) {
        *out = value;
    }
}

}  // namespace

bool CheckedRequest(const CheckedRequestArgs& args) {
    std::string headerBlock;
    std::string cookies = args.cookiesIn;
    WebRequestArgs request;
    request.url = args.url;
    request.method = args.usePost == 1 ? "POST" : "GET";
    request.headers = args.headers;
    request.body = args.body;
    request.responseHeaders = &headerBlock;
    request.cookies = &cookies;
    request.followRedirects = false;
    request.caFile = args.caFile;
    const std::string body = WebRequest(request);
    const std::string bodyText = BodyText(headerBlock, body);
    Put(args.bodyText, bodyText);
    Put(args.cookiesOut, cookies);
    Put(args.headerBlock, headerBlock);
    // Nothing came back: no failure marker can be missing from it, and no success reported.
    if (!headerBlock.starts_with("HTTP/") && body.empty()) {
        return false;
    }
    const bool passed = (args.checkIn == 1 && Checked(args, bodyText)) ||
                        (args.checkIn == 2 && Checked(args, headerBlock));
    if (passed) {
        Put(args.sessionOut, cookies);
    }
    return passed;
}

}  // namespace brevink
