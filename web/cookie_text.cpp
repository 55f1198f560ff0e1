#include "web/text.h"
#include "web/web_request.h"

namespace brevink {

namespace {

constexpr std::string_view kSetCookie = "set-cookie: ";

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && AsciiLower(a) == AsciiLower(b);
}

struct PairSpan {
    size_t start = std::string::npos;
    size_t length = 0;
};

// The pair of `text` whose name is `name` (ASCII case ignored), found only where a pair
// starts, so that "ID" never matches inside "BAIDUID" or inside a value.
PairSpan FindPair(std::string_view text, std::string_view name) {
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && text[pos] == ' ') {
            ++pos;
        }
        size_t end = text.find(';', pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string_view pair = text.substr(pos, end - pos);
        const size_t eq = pair.find('=');
        if (eq != std::string::npos && SameName(pair.substr(0, eq), name)) {
            return {pos, end - pos};
        }
        pos = end + 1;
    }
    return {};
}

}  // namespace

std::string CookiePairOf(std::string_view line) {
    const size_t semi = line.find(';');
    return semi == std::string::npos ? std::string() : std::string(line.substr(0, semi));
}

std::string HarvestSetCookies(std::string_view headerBlock) {
    std::string pairs;
    for (const std::string& line : SplitText(headerBlock, "\r\n")) {
        // Only a Set-Cookie line itself: the name inside another header's value is no cookie.
        if (line.size() < kSetCookie.size() ||
            AsciiLower(std::string_view(line).substr(0, kSetCookie.size())) != kSetCookie) {
            continue;
        }
        const std::string pair = CookiePairOf(std::string_view(line).substr(kSetCookie.size()));
        if (!pair.empty()) {
            pairs += pair + ";";
        }
    }
    return pairs;
}

std::string MergeCookies(std::string_view current, std::string_view newPairs) {
    std::string merged(current);
    for (const std::string& piece : SplitText(newPairs, ";")) {
        const size_t eq = piece.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        const PairSpan old = FindPair(merged, std::string_view(piece).substr(0, eq));
        if (old.start != std::string::npos) {
            merged.replace(old.start, old.length, piece);
            continue;
        }
        // A text without its closing ";" would glue the new pair onto the last value.
        if (!merged.empty() && merged.back() != ';' && !TrimBlanks(merged).empty()) {
            merged += ';';
        }
        merged += piece + ";";
    }
    return merged;
}

}  // namespace brevink
