// The code-page conversions on any bytes: never empty for text that has characters, always
// valid GBK out of the lenient decoding, and round trips wherever every character fits.
#include <cstdlib>
#include <string>

#include "web/codepage.h"

namespace {

using namespace brevink;

void Check(bool ok) {
    if (!ok) {
        abort();
    }
}

void CheckUtf8ToGbk(std::string_view bytes) {
    std::string_view text = bytes.substr(0, bytes.find('\0'));
    const std::string gbk = Utf8ToGbk(bytes);
    Check(gbk.find('\0') == std::string::npos);
    const bool onlyMark = text == "\xEF\xBB\xBF";
    Check(gbk.empty() == (text.empty() || onlyMark));
    if (gbk.empty()) {
        return;
    }
    const std::string utf8 = GbkToUtf8(gbk);
    Check(!utf8.empty());  // whatever came in, what comes out is valid GBK
    // Where no "?" stands for a lost character, the way back gives the input again.
    if (text.substr(0, 3) != "\xEF\xBB\xBF" && text.find('?') == text.npos &&
        gbk.find('?') == gbk.npos) {
        Check(utf8 == text);
    }
}

void CheckGbkToUtf8(std::string_view bytes) {
    const std::string_view text = bytes.substr(0, bytes.find('\0'));
    const std::string utf8 = GbkToUtf8(bytes);
    if (!utf8.empty()) {
        Check(Utf8ToGbk(utf8) == text);
    }
}

void CheckEscapes(std::string_view bytes) {
    const std::string decoded = DecodeUnicodeEscapes(bytes);
    Check(decoded.size() <= bytes.size());
    if (bytes.find('\\') == bytes.npos) {
        Check(decoded == bytes);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckUtf8ToGbk(bytes);
    CheckGbkToUtf8(bytes);
    CheckEscapes(bytes);
    return 0;
}
