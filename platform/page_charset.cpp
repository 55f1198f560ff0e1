#include <algorithm>
#include <string_view>

#include "platform/lookups.h"
#include "web/codepage.h"
#include "web/text.h"

namespace brevink {

namespace {

// A page declares its charset in its head; the search stays in the first bytes of the page so
// that a long page costs nothing and a "charset=" in the page's own text is not taken.
constexpr size_t kDeclarationScanBytes = 8192;

// "UTF8" or "GB2312" (the GBK family, whose pages are read as they are) for a charset name;
// the empty text for names that we do not read.
std::string KnownCharset(std::string_view name) {
    const std::string lower = AsciiLower(name);
    if (lower == "utf-8" || lower == "utf8") {
        return "UTF8";
    }
    if (lower == "gbk" || lower == "gb2312" || lower == "gb18030" || lower == "cp936" ||
        lower == "x-gbk" || lower == "gb_2312-80") {
        return "GB2312";
    }
    return {};
}

// The value of a "charset=" parameter in `text` (quotes around it dropped), or "".
std::string_view CharsetParameter(std::string_view text) {
    const size_t at = FindText(text, "charset=");
    if (at == 0) {
        return {};
    }
    std::string_view value = text.substr(at - 1 + 8);
    const size_t start = value.find_first_not_of(" \"'");
    if (start == std::string_view::npos) {
        return {};
    }
    value.remove_prefix(start);
    return value.substr(0, value.find_first_of(" \"';,/>\t\r\n"));
}

std::string HeaderCharset(const std::string& responseHeaders) {
    return KnownCharset(
        CharsetParameter(TextBetween(responseHeaders, "\r\nContent-Type:", "\r\n")));
}

// <meta charset="..."> or <meta http-equiv="Content-Type" content="...; charset=...">.
std::string MetaCharset(const std::string& body) {
    const std::string_view head =
        std::string_view(body).substr(0, std::min(body.size(), kDeclarationScanBytes));
    for (size_t at = FindText(head, "<meta"); at != 0; at = FindText(head, "<meta", at + 5)) {
        std::string_view tag = head.substr(at - 1);
        tag = tag.substr(0, tag.find('>'));
        const std::string_view value = CharsetParameter(tag);
        if (!value.empty()) {
            return KnownCharset(value);
        }
    }
    return {};
}

}  // namespace

std::string DetectPageCharset(const std::string& pageBytes) {
    if (pageBytes.size() < 2) {
        return {};
    }
    if (static_cast<unsigned char>(pageBytes[0]) == 0xEF &&
        static_cast<unsigned char>(pageBytes[1]) == 0xBB) {
        return "UTF8";
    }
    // Bytes that are not valid GBK are taken for UTF-8.
    return GbkToUtf8(BytesToText(pageBytes)).empty() ? "UTF8" : "GB2312";
}

std::string PageCharset(const std::string& body, const std::string& responseHeaders) {
    if (std::string_view(body).substr(0, 3) == "\xEF\xBB\xBF") {
        return "UTF8";
    }
    std::string declared = HeaderCharset(responseHeaders);
    if (declared.empty()) {
        declared = MetaCharset(body);
    }
    return declared.empty() ? DetectPageCharset(body) : declared;
}

}  // namespace brevink
