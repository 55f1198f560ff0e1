#pragma once
// Code-page conversions between UTF-8 and GBK (glibc iconv underneath).
#include <string>
#include <string_view>

namespace brevink {

// UTF-8 bytes to GBK text. Strict first; when that fails, a lenient decoding that never
// returns empty for non-empty input: a leading byte-order mark is dropped, invalid sequences
// and characters that GBK cannot hold become "?". The result ends at the first NUL.
std::string Utf8ToGbk(std::string_view bytes);

// GBK text (up to its first NUL) to UTF-8 bytes; empty when the text is empty or not valid GBK.
std::string GbkToUtf8(std::string_view text);

// Decodes the backslash-u escapes of a JSON value ("\u" and four hex digits) into GBK: each
// escape becomes the character it names, every other byte stays as it is, and a character
// that GBK cannot hold becomes "?".
std::string DecodeUnicodeEscapes(std::string_view text);

// The GBK form of a UTF-8 literal of our own sources (markers, captions). Converted once per
// call; cache the result in a static where it is used often.
std::string Gbk(std::string_view utf8);
std::string Gbk(std::u8string_view utf8);  // for u8"..." literals (char8_t in C++20)

}  // namespace brevink
