#pragma once
// Text helpers over GBK byte strings. Positions count bytes from 1; 0 means "not found".
// A search never starts a match on the second byte of a GBK double-byte character, and
// ignoring case folds the ASCII letters only. Every helper takes any bytes.
#include <string>
#include <string_view>
#include <vector>

namespace brevink {

// Position (from 1) of the first match of `needle` in `text` at or after `from` (from 1),
// starting on a GBK character boundary; 0 when there is none. An empty needle matches at
// `from` when from <= text.size() + 1.
size_t FindText(std::string_view text, std::string_view needle, size_t from = 1,
                bool ignoreCase = true);

// Byte length (1 or 2) of the GBK character that starts at byte `index` of `text`: a lead
// byte 0x81..0xFE followed by a trail byte (0x40..0x7E, 0x80..0xFE) makes two bytes; any
// other byte, also a lead byte at the very end, is one. `index` must be below text.size().
size_t GbkCharLength(std::string_view text, size_t index);

// True when `needle` occurs in `text` (FindText rules).
bool ContainsText(std::string_view text, std::string_view needle, bool ignoreCase = true);

// The bytes of `bytes` up to its first NUL (all of them when there is none).
std::string BytesToText(std::string_view bytes);

// ASCII-only case mapping; other bytes (also GBK bytes) stay as they are.
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);

// Blanks (space) removed at both ends.
std::string TrimBlanks(std::string_view text);

// The text between the first `left` and the first `right` after it, markers not included,
// case ignored; empty when `right` does not follow. A missing left marker (when not empty)
// gives the empty text. An empty `left`: the text before the first `right` (empty when there
// is none or `right` is empty too); an empty `right`: everything after `left`.
std::string TextBetween(std::string_view text, std::string_view left, std::string_view right);

// Every text between a `left` and the next `right`, in order, each text once (the last
// occurrence of a repeated text stays). Markers are matched ignoring case. A stretch after
// a `left` that holds no `right` is put in front of the next text; with equal markers every
// other stretch is a text. An empty `left` gives no texts.
std::vector<std::string> AllTextsBetween(std::string_view text, std::string_view left,
                                         std::string_view right);

// Form URL-encoding of every byte: A-Z a-z 0-9 - . _ unchanged, blank as "+", every other
// byte as "%" and two upper-case hex digits.
std::string UrlEncode(std::string_view text);

// Leading blanks skipped, an optional sign, then decimal digits; 0 when there are none.
// Values beyond 32 bits are clamped.
int TextToInt(std::string_view text);

// Replaces every occurrence of `from` (exact, byte-wise, GBK boundaries respected) by `to`.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Splits at every `separator` (exact). A final empty piece after a trailing separator is
// not produced; an empty text gives no pieces.
std::vector<std::string> SplitText(std::string_view text, std::string_view separator);

}  // namespace brevink
