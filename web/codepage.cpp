#include "web/codepage.h"

#include <iconv.h>

#include <cerrno>

#include "web/text.h"

namespace brevink {

namespace {

// One iconv descriptor for the length of one call: descriptors are not safe to share
// between threads, and the lookup workers convert at the same time.
class Converter final {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts `in` from its start, appending to `out`. Stops at the first byte sequence that
    // cannot be converted (or that is cut short) and returns how many input bytes were used.
    size_t Convert(std::string_view in, std::string& out) {
        char* src = const_cast<char*>(in.data());  // iconv's signature; it never writes there
        size_t srcLeft = in.size();
        char buffer[4096];
        while (srcLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            const size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            const int error = errno;
            out.append(buffer, dst);
            if (rc == static_cast<size_t>(-1) && error != E2BIG) {
                break;
            }
        }
        return in.size() - srcLeft;
    }

  private:
    iconv_t cd_;
};

// Whole conversion or nothing, as the converter's own rule has it.
std::string ConvertStrict(const char* to, const char* from, std::string_view in) {
    Converter conv(to, from);
    std::string out;
    if (!conv.ok() || conv.Convert(in, out) != in.size()) {
        return {};
    }
    return out;
}

// Length of the well-formed UTF-8 sequence at `i`, or 0 when the bytes there are not one.
// On 0, `bad` receives the length of the ill-formed part to replace by one "?".
size_t Utf8SequenceLength(std::string_view s, size_t i, size_t& bad) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t len = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (c < 0x80) {
        return 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        lo = c == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        hi = c == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        lo = c == 0xF0 ? 0x90 : 0x80;
        hi = c == 0xF4 ? 0x8F : 0xBF;  // nothing beyond U+10FFFF
    }
    bad = 1;
    for (size_t k = 1; k < len; ++k) {
        if (i + k >= s.size()) {
            return 0;
        }
        const auto t = static_cast<unsigned char>(s[i + k]);
        if (t < (k == 1 ? lo : 0x80) || t > (k == 1 ? hi : 0xBF)) {
            return 0;
        }
        bad = k + 1;
    }
    return len;
}

// Well-formed UTF-8 from any bytes: a leading byte-order mark dropped, each ill-formed
// part replaced by "?".
std::string CleanUtf8(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
    }
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        size_t bad = 1;
        const size_t len = Utf8SequenceLength(bytes, i, bad);
        if (len == 0) {
            out += '?';
            i += bad;
        } else {
            out.append(bytes.substr(i, len));
            i += len;
        }
    }
    return out;
}

// Converts well-formed UTF-8 to GBK, each character that GBK cannot hold as "?".
std::string LenientUtf8ToGbk(std::string_view utf8) {
    Converter conv("GBK", "UTF-8");
    std::string out;
    if (!conv.ok()) {
        return out;
    }
    while (!utf8.empty()) {
        utf8.remove_prefix(conv.Convert(utf8, out));
        if (!utf8.empty()) {
            size_t bad = 1;
            const size_t len = Utf8SequenceLength(utf8, 0, bad);
            out += '?';
            utf8.remove_prefix(len == 0 ? bad : len);
        }
    }
    return out;
}

std::string EncodeUtf8(char32_t cp) {
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The code unit of a "\uXXXX" escape at `i`, or -1 when there is none.
long EscapeAt(std::string_view text, size_t i) {
    if (i + 6 > text.size() || text[i] != '\\' || text[i + 1] != 'u') {
        return -1;
    }
    long unit = 0;
    for (size_t k = 2; k < 6; ++k) {
        const int digit = HexValue(text[i + k]);
        if (digit < 0) {
            return -1;
        }
        unit = unit * 16 + digit;
    }
    return unit;
}

bool IsHighSurrogate(long unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(long unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The GBK form of one character; "?" for NUL (it would end the text), for a surrogate and
// for whatever GBK cannot hold.
std::string CharToGbk(char32_t cp) {
    if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return "?";
    }
    if (cp < 0x80) {
        return std::string(1, static_cast<char>(cp));
    }
    std::string gbk = ConvertStrict("GBK", "UTF-8", EncodeUtf8(cp));
    return gbk.empty() ? "?" : gbk;
}

}  // namespace

std::string Utf8ToGbk(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    if (bytes.empty()) {
        return {};
    }
    std::string gbk = ConvertStrict("GBK", "UTF-8", bytes);
    if (!gbk.empty()) {
        return gbk;
    }
    return LenientUtf8ToGbk(CleanUtf8(bytes));
}

std::string GbkToUtf8(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    return text.empty() ? std::string() : ConvertStrict("UTF-8", "GBK", text);
}

std::string DecodeUnicodeEscapes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const long unit = EscapeAt(text, i);
        if (unit < 0) {
            // An escaped backslash is a pair: the second one starts no escape.
            size_t len = GbkCharLength(text, i);
            if (text.compare(i, 2, "\\\\") == 0) {
                len = 2;
            }
            out.append(text.substr(i, len));
            i += len;
            continue;
        }
        i += 6;
        char32_t cp = static_cast<char32_t>(unit);
        const long low = EscapeAt(text, i);
        if (IsHighSurrogate(unit) && IsLowSurrogate(low)) {
            cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                 (static_cast<char32_t>(low) - 0xDC00);
            i += 6;
        }
        out += CharToGbk(cp);
    }
    return out;
}

std::string Gbk(std::string_view utf8) {
    return Utf8ToGbk(utf8);
}

std::string Gbk(std::u8string_view utf8) {
    return Utf8ToGbk(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
}

}  // namespace brevink
