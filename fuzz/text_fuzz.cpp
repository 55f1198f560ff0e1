// The search and cutting helpers on any bytes: the input is split into a text, two markers
// and a few switches; each helper must keep its own rules on them.
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <unordered_set>
#include <vector>

#include "web/text.h"

namespace {

using namespace brevink;

void Check(bool ok) {
    if (!ok) {
        abort();
    }
}

std::vector<bool> CharacterStarts(std::string_view text) {
    std::vector<bool> starts(text.size() + 1, false);
    for (size_t at = 0; at < text.size(); at += GbkCharLength(text, at)) {
        starts[at] = true;
    }
    starts[text.size()] = true;
    return starts;
}

// A plain reference: the first byte-exact occurrence (after ASCII lower-casing, when case is
// ignored) that starts and ends on a character start of the text.
size_t ReferenceFind(std::string_view text, std::string_view needle, size_t from, bool ignoreCase) {
    const std::vector<bool> starts = CharacterStarts(text);
    const std::string hay = ignoreCase ? AsciiLower(text) : std::string(text);
    const std::string pin = ignoreCase ? AsciiLower(needle) : std::string(needle);
    for (size_t at = hay.find(pin, from); at != std::string::npos; at = hay.find(pin, at + 1)) {
        if (starts[at] && starts[at + pin.size()]) {
            return at + 1;
        }
    }
    return 0;
}

void CheckFind(std::string_view text, std::string_view needle, size_t from, bool ignoreCase) {
    const size_t start = from == 0 ? 0 : from - 1;
    if (needle.empty() || start > text.size()) {
        return;
    }
    Check(FindText(text, needle, from, ignoreCase) ==
          ReferenceFind(text, needle, start, ignoreCase));
}

void CheckBetween(std::string_view text, std::string_view left, std::string_view right) {
    const std::string between = TextBetween(text, left, right);
    Check(between.empty() || text.find(between) != text.npos);
    if (!left.empty() && !ContainsText(text, left)) {
        Check(between.empty());
    }
    const auto all = AllTextsBetween(text, left, right);
    const std::unordered_set<std::string> distinct(all.begin(), all.end());
    Check(distinct.size() == all.size());
    Check(!left.empty() || all.empty());
}

int HexDigit(char c) {
    return c <= '9' ? c - '0' : c - 'A' + 10;
}

void CheckUrlEncode(std::string_view text) {
    const std::string encoded = UrlEncode(text);
    std::string decoded;
    for (size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%') {
            Check(i + 2 < encoded.size());
            decoded += static_cast<char>(HexDigit(encoded[i + 1]) * 16 + HexDigit(encoded[i + 2]));
            i += 2;
        } else {
            Check(encoded[i] != ' ');
            decoded += encoded[i] == '+' ? ' ' : encoded[i];
        }
    }
    Check(decoded == text);
}

std::string Join(const std::vector<std::string>& pieces, std::string_view glue) {
    std::string out;
    for (size_t i = 0; i < pieces.size(); ++i) {
        out += (i == 0 ? "" : std::string(glue)) + pieces[i];
    }
    return out;
}

void CheckSplitAndReplace(std::string_view text, std::string_view separator, std::string_view to) {
    const auto pieces = SplitText(text, separator);
    const std::string joined = Join(pieces, separator);
    const bool trailing = joined != text;
    Check(!trailing || joined + std::string(separator) == text);
    Check(ReplaceAll(text, separator, separator) == text);
    if (!separator.empty()) {
        Check(ReplaceAll(text, separator, to) ==
              Join(pieces, to) + (trailing ? std::string(to) : ""));
    }
}

void CheckTextToInt(std::string_view text) {
    const std::string copy(text);  // strtoll stops at a NUL, as the digits do
    const long long reference = std::strtoll(copy.c_str(), nullptr, 10);
    const long long clamped = reference < INT_MIN   ? INT_MIN
                              : reference > INT_MAX ? INT_MAX
                                                    : reference;
    Check(TextToInt(text) == clamped);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const size_t from = input.ConsumeIntegralInRange<size_t>(0, 64);
    const bool ignoreCase = input.ConsumeBool();
    const std::string left = input.ConsumeRandomLengthString(16);
    const std::string right = input.ConsumeRandomLengthString(16);
    const std::string text = input.ConsumeRemainingBytesAsString();

    CheckFind(text, left, from, ignoreCase);
    CheckFind(text, right, 1, true);
    CheckBetween(text, left, right);
    CheckUrlEncode(text);
    CheckSplitAndReplace(text, left, right);
    CheckTextToInt(text);
    CheckTextToInt(left);
    return 0;
}
