#include "sandbox/text_codec.h"

#include <iconv.h>

#include <cerrno>
#include <random>

namespace sandbox {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Bytes taken by the character at the start of `rest` in the source encoding, so that an
// invalid character is skipped as a whole.
size_t CharLength(std::string_view rest, bool fromUtf8) {
    const auto lead = static_cast<unsigned char>(rest[0]);
    size_t length = 1;
    if (fromUtf8) {
        while (length < rest.size() && length < 4 &&
               (static_cast<unsigned char>(rest[length]) & 0xC0) == 0x80) {
            ++length;
        }
    } else if (lead >= 0x81 && lead <= 0xFE && rest.size() > 1) {
        length = 2;
    }
    return length;
}

std::string Convert(const char* to, const char* from, std::string_view input, bool fromUtf8) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::string(input);
    std::string out;
    char buffer[4096];
    size_t pos = 0;
    while (pos < input.size()) {
        char* in = const_cast<char*>(input.data()) + pos;
        size_t inLeft = input.size() - pos;
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        pos = input.size() - inLeft;
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            out += '?';
            pos += CharLength(input.substr(pos), fromUtf8);
        }
    }
    iconv_close(cd);
    return out;
}

// Next code point of UTF-8 text at `pos` (advanced); U+FFFD for an invalid byte.
char32_t NextCodePoint(std::string_view text, size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    const size_t extra = lead >= 0xF8   ? 9
                         : lead >= 0xF0 ? 3
                         : lead >= 0xE0 ? 2
                         : lead >= 0xC0 ? 1
                                        : 9;
    if (extra == 9 || pos + extra >= text.size()) {
        ++pos;
        return 0xFFFD;
    }
    char32_t cp = lead & (0x3F >> extra);
    for (size_t i = 1; i <= extra; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    pos += extra + 1;
    return cp;
}

void AppendUnit(std::string& out, unsigned unit) {
    static const char kHex[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kHex[(unit >> shift) & 0xF];
}

}  // namespace

std::string UrlDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
                   HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string PercentEncode(std::string_view bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
            b == '-' || b == '.' || b == '_' || b == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> FormPairs(std::string_view form) {
    std::vector<std::pair<std::string, std::string>> pairs;
    size_t start = 0;
    while (start <= form.size() && !form.empty()) {
        size_t end = form.find('&', start);
        if (end == std::string_view::npos)
            end = form.size();
        const std::string_view piece = form.substr(start, end - start);
        const size_t eq = piece.find('=');
        if (!piece.empty()) {
            pairs.emplace_back(UrlDecode(piece.substr(0, eq)),
                               eq == std::string_view::npos ? "" : UrlDecode(piece.substr(eq + 1)));
        }
        start = end + 1;
    }
    return pairs;
}

std::string FormValue(std::string_view form, std::string_view name) {
    for (auto& [key, value] : FormPairs(form)) {
        if (key == name)
            return value;
    }
    return {};
}

std::string CookieValue(std::string_view cookieHeader, std::string_view name) {
    size_t start = 0;
    while (start < cookieHeader.size()) {
        size_t end = cookieHeader.find(';', start);
        if (end == std::string_view::npos)
            end = cookieHeader.size();
        std::string_view pair = cookieHeader.substr(start, end - start);
        while (!pair.empty() && pair.front() == ' ')
            pair.remove_prefix(1);
        const size_t eq = pair.find('=');
        if (eq != std::string_view::npos && pair.substr(0, eq) == name) {
            return std::string(pair.substr(eq + 1));
        }
        start = end + 1;
    }
    return {};
}

std::string JsonEscape(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 8);
    size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t cp = NextCodePoint(utf8, pos);
        if (cp == '"' || cp == '\\' || cp == '/') {
            out += '\\';
            out += static_cast<char>(cp);
        } else if (cp >= 0x20 && cp < 0x7F) {
            out += static_cast<char>(cp);
        } else if (cp > 0xFFFF) {
            const char32_t v = cp - 0x10000;
            AppendUnit(out, 0xD800 + static_cast<unsigned>(v >> 10));
            AppendUnit(out, 0xDC00 + static_cast<unsigned>(v & 0x3FF));
        } else {
            AppendUnit(out, static_cast<unsigned>(cp));
        }
    }
    return out;
}

std::string Utf8ToGbk(std::string_view utf8) {
    return Convert("GBK", "UTF-8", utf8, true);
}

std::string GbkToUtf8(std::string_view gbk) {
    return Convert("UTF-8", "GBK", gbk, false);
}

std::string RandomHex(size_t length) {
    static thread_local std::mt19937_64 engine{std::random_device{}()};
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < length; ++i)
        out += kHex[engine() & 0xF];
    return out;
}

}  // namespace sandbox
