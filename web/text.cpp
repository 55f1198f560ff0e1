#include "web/text.h"

#include <algorithm>
#include <climits>
#include <unordered_set>

namespace brevink {

namespace {

constexpr size_t kNone = std::string_view::npos;

bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

bool IsTrailByte(unsigned char c) {
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Compares character by character from `at` (a character start): a match covers whole
// characters, bytes of a double-byte character must be equal, and only single-byte
// characters are folded, so a trail byte that looks like an ASCII letter never is.
bool MatchesAt(std::string_view text, std::string_view needle, size_t at, bool ignoreCase) {
    if (needle.size() > text.size() - at) {
        return false;
    }
    size_t k = 0;
    while (k < needle.size()) {
        const size_t len = GbkCharLength(text, at + k);
        if (len == 1 && ignoreCase) {
            if (FoldAscii(text[at + k]) != FoldAscii(needle[k])) {
                return false;
            }
        } else if (len > needle.size() - k ||
                   text.compare(at + k, len, needle.substr(k, len)) != 0) {
            return false;
        }
        k += len;
    }
    return true;
}

// First match at or after `start`, which must be a character start; kNone when there is none.
size_t FindFrom(std::string_view text, std::string_view needle, size_t start, bool ignoreCase) {
    if (needle.empty()) {
        return start <= text.size() ? start : kNone;
    }
    for (size_t at = start; at + needle.size() <= text.size(); at += GbkCharLength(text, at)) {
        if (MatchesAt(text, needle, at, ignoreCase)) {
            return at;
        }
    }
    return kNone;
}

// The first character start at or after `pos`.
size_t CharStartFrom(std::string_view text, size_t pos) {
    size_t start = 0;
    while (start < pos && start < text.size()) {
        start += GbkCharLength(text, start);
    }
    return std::max(start, pos);
}

// Calls `piece(begin, end)` for each stretch between exact occurrences of a non-empty
// `separator`, and for the stretch after the last one.
template <typename OnPiece>
void ForEachPiece(std::string_view text, std::string_view separator, bool ignoreCase,
                  OnPiece piece) {
    size_t begin = 0;
    for (size_t at = FindFrom(text, separator, 0, ignoreCase); at != kNone;
         at = FindFrom(text, separator, begin, ignoreCase)) {
        piece(begin, at);
        begin = at + separator.size();  // matches cover whole characters
    }
    piece(begin, text.size());
}

std::string MapSingleBytes(std::string_view text, char (*map)(char)) {
    std::string out(text);
    for (size_t i = 0; i < out.size(); i += GbkCharLength(out, i)) {
        if (GbkCharLength(out, i) == 1) {
            out[i] = map(out[i]);
        }
    }
    return out;
}

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The cut of the paired-marker walk: each piece is cut before its first `right`; a piece
// without one is dropped, its text carried in front of the piece that follows it.
std::vector<std::string> CutAtRight(std::vector<std::string> pieces, std::string_view right) {
    std::vector<std::string> kept;  // in reverse order
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
        const size_t at = FindFrom(*it, right, 0, true);
        if (at != kNone) {
            kept.push_back(it->substr(0, at));
        } else if (!kept.empty()) {
            kept.back().insert(0, *it);
        }
    }
    std::reverse(kept.begin(), kept.end());
    return kept;
}

std::vector<std::string> KeepOddPositions(const std::vector<std::string>& pieces) {
    std::vector<std::string> kept;
    for (size_t i = 0; i < pieces.size(); i += 2) {
        kept.push_back(pieces[i]);
    }
    return kept;
}

std::vector<std::string> DropEarlierDuplicates(const std::vector<std::string>& pieces) {
    std::unordered_set<std::string_view> seen;
    std::vector<std::string> kept;
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
        if (seen.insert(*it).second) {
            kept.push_back(*it);
        }
    }
    std::reverse(kept.begin(), kept.end());
    return kept;
}

}  // namespace

size_t GbkCharLength(std::string_view text, size_t index) {
    const auto c = static_cast<unsigned char>(text[index]);
    if (IsLeadByte(c) && index + 1 < text.size() &&
        IsTrailByte(static_cast<unsigned char>(text[index + 1]))) {
        return 2;
    }
    return 1;
}

size_t FindText(std::string_view text, std::string_view needle, size_t from, bool ignoreCase) {
    const size_t start = from == 0 ? 0 : from - 1;
    if (needle.empty()) {
        return start <= text.size() ? start + 1 : 0;
    }
    const size_t at = FindFrom(text, needle, CharStartFrom(text, start), ignoreCase);
    return at == kNone ? 0 : at + 1;
}

bool ContainsText(std::string_view text, std::string_view needle, bool ignoreCase) {
    return FindFrom(text, needle, 0, ignoreCase) != kNone;
}

std::string BytesToText(std::string_view bytes) {
    return std::string(bytes.substr(0, bytes.find('\0')));
}

std::string AsciiLower(std::string_view text) {
    return MapSingleBytes(text, FoldAscii);
}

std::string AsciiUpper(std::string_view text) {
    return MapSingleBytes(text, UpperAscii);
}

std::string TrimBlanks(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == kNone) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::string TextBetween(std::string_view text, std::string_view left, std::string_view right) {
    if (left.empty()) {
        const size_t end = right.empty() ? kNone : FindFrom(text, right, 0, true);
        return end == kNone ? std::string() : std::string(text.substr(0, end));
    }
    const size_t at = FindFrom(text, left, 0, true);
    if (at == kNone) {
        return {};  // a missing marker must not yield a slice of the page
    }
    const size_t begin = at + left.size();
    if (right.empty()) {
        return std::string(text.substr(begin));
    }
    const size_t end = FindFrom(text, right, begin, true);
    return end == kNone ? std::string() : std::string(text.substr(begin, end - begin));
}

std::vector<std::string> AllTextsBetween(std::string_view text, std::string_view left,
                                         std::string_view right) {
    if (left.empty()) {
        return {};
    }
    std::vector<std::string> pieces;
    bool first = true;
    ForEachPiece(text, left, true, [&](size_t begin, size_t end) {
        if (!first && !(begin == text.size() && end == begin)) {
            pieces.emplace_back(text.substr(begin, end - begin));
        }
        first = false;
    });
    const bool sameMarkers = AsciiLower(left) == AsciiLower(right);
    pieces = sameMarkers ? KeepOddPositions(pieces) : CutAtRight(std::move(pieces), right);
    return DropEarlierDuplicates(pieces);
}

std::string UrlEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_') {
            out += ch;
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

int TextToInt(std::string_view text) {
    size_t i = text.find_first_not_of(" \t\n\v\f\r");
    if (i == kNone) {
        return 0;
    }
    const bool negative = text[i] == '-';
    if (text[i] == '-' || text[i] == '+') {
        ++i;
    }
    long long value = 0;  // kept within INT_MAX + 1, so it never overflows
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min<long long>(value * 10 + (text[i] - '0'), 1LL + INT_MAX);
    }
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) {
        return std::string(text);
    }
    std::string out;
    bool first = true;
    ForEachPiece(text, from, false, [&](size_t begin, size_t end) {
        if (!first) {
            out += to;
        }
        out += text.substr(begin, end - begin);
        first = false;
    });
    return out;
}

std::vector<std::string> SplitText(std::string_view text, std::string_view separator) {
    if (text.empty()) {
        return {};
    }
    if (separator.empty()) {
        return {std::string(text)};
    }
    std::vector<std::string> pieces;
    ForEachPiece(text, separator, false, [&](size_t begin, size_t end) {
        pieces.emplace_back(text.substr(begin, end - begin));
    });
    if (pieces.back().empty()) {
        pieces.pop_back();  // nothing after a trailing separator
    }
    return pieces;
}

}  // namespace brevink
