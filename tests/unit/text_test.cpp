// The text helpers over GBK bytes. GBK test data is written as escapes: "\xC4\xE3" is one
// character; "\xC4\x41" is one character too (0x41 is a valid trail byte) although its
// second byte reads as "A".
#include "web/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace brevink {
namespace {

using Texts = std::vector<std::string>;

struct FindCase {
    const char* name;
    std::string text;
    std::string needle;
    size_t from;
    bool ignoreCase;
    size_t expected;
};

class FindTextTest : public testing::TestWithParam<FindCase> {};

TEST_P(FindTextTest, FindsAtCharacterStartsOnly) {
    const FindCase& c = GetParam();
    EXPECT_EQ(FindText(c.text, c.needle, c.from, c.ignoreCase), c.expected);
    if (c.from == 1) {
        EXPECT_EQ(ContainsText(c.text, c.needle, c.ignoreCase), c.expected != 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindTextTest,
    testing::Values(FindCase{"first_byte_position_is_1", "abc", "a", 1, true, 1},
                    FindCase{"middle", "abcabc", "ca", 1, true, 3},
                    FindCase{"from_skips_earlier", "abcabc", "abc", 2, true, 4},
                    FindCase{"from_at_match", "abcabc", "abc", 4, true, 4},
                    FindCase{"from_zero_counts_as_one", "abc", "a", 0, true, 1},
                    FindCase{"from_past_end", "abc", "a", 9, true, 0},
                    FindCase{"missing", "abc", "d", 1, true, 0},
                    FindCase{"needle_longer_than_text", "ab", "abc", 1, true, 0},
                    FindCase{"empty_text", "", "a", 1, true, 0},
                    FindCase{"empty_needle_at_from", "abc", "", 2, true, 2},
                    FindCase{"empty_needle_at_end", "abc", "", 4, true, 4},
                    FindCase{"empty_needle_past_end", "abc", "", 5, true, 0},
                    FindCase{"case_folded", "<TITLE>x", "<title>", 1, true, 1},
                    FindCase{"case_kept", "<TITLE>x", "<title>", 1, false, 0},
                    FindCase{"exact_case_kept", "aAa", "A", 1, false, 2},
                    // "\xC4\xE3\xBA\xC3": the pair "\xE3\xBA" straddles two characters.
                    FindCase{"not_on_trail_byte", "\xC4\xE3\xBA\xC3", "\xE3\xBA", 1, true, 0},
                    FindCase{"second_character", "\xC4\xE3\xBA\xC3", "\xBA\xC3", 1, true, 3},
                    // A trail byte that reads as "A" is not a character of its own.
                    FindCase{"trail_byte_letter_not_found", "\xC4\x41", "A", 1, true, 0},
                    FindCase{"trail_byte_letter_not_folded", "\xC4\x41", "\xC4\x61", 1, true, 0},
                    FindCase{"trail_byte_letter_exact", "x\xC4\x41", "\xC4\x41", 1, true, 2},
                    FindCase{"ascii_after_double_byte",
                             "\xC4\xE3"
                             "ab",
                             "B", 1, true, 4},
                    // A match covers whole characters: half a character is not found.
                    FindCase{"half_character", "\xC4\xE3", "\xC4", 1, true, 0},
                    FindCase{"lone_lead_at_end", "ab\xC4", "\xC4", 1, true, 3},
                    // A lead byte followed by a byte that cannot be a trail byte is one byte.
                    FindCase{"lead_before_quote", "\x81\"x\"", "\"", 1, true, 2},
                    FindCase{"from_inside_character_moves_on",
                             "\xC4\xE3"
                             "a",
                             "a", 2, true, 3},
                    FindCase{"nul_inside_bytes", std::string("a\0b", 3), "b", 1, true, 3}),
    [](const auto& info) { return std::string(info.param.name); });

struct BetweenCase {
    const char* name;
    std::string text;
    std::string left;
    std::string right;
    std::string expected;
};

class TextBetweenTest : public testing::TestWithParam<BetweenCase> {};

TEST_P(TextBetweenTest, CutsBetweenMarkers) {
    const BetweenCase& c = GetParam();
    EXPECT_EQ(TextBetween(c.text, c.left, c.right), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextBetweenTest,
    testing::Values(
        BetweenCase{"title_case_ignored", "<head><title>Word</title>", "<TITLE>", "</title>",
                    "Word"},
        BetweenCase{"count", "{\"count\":\"12\",\"x\":\"3\"}", "\"count\":\"", "\"", "12"},
        BetweenCase{"first_left_first_right_after", "[a][b]", "[", "]", "a"},
        BetweenCase{"right_before_left_ignored", "]x[y]", "[", "]", "y"},
        BetweenCase{"adjacent_markers", "[]", "[", "]", ""},
        BetweenCase{"left_without_right", "x[abc", "[", "]", ""},
        // A missing left marker gives nothing, never a slice of the page.
        BetweenCase{"left_missing", "abc]def", "[", "]", ""},
        BetweenCase{"left_missing_long_marker", "abc]def", "<tag>", "]", ""},
        BetweenCase{"left_missing_right_empty", "abc", "z", "", ""},
        BetweenCase{"right_empty_everything_after", "abc", "b", "", "c"},
        BetweenCase{"right_empty_left_at_end", "abc", "c", "", ""},
        BetweenCase{"left_empty_before_right", "word rest", "", " ", "word"},
        BetweenCase{"left_empty_text_ends_in_blank", "word ", "", " ", "word"},
        BetweenCase{"left_empty_right_missing", "word", "", " ", ""},
        BetweenCase{"both_empty", "word", "", "", ""}, BetweenCase{"empty_text", "", "[", "]", ""},
        BetweenCase{"markers_longer_than_text", "a", "<title>", "</title>", ""},
        BetweenCase{"gbk_value", "<b>\xC4\xE3\xBA\xC3</b>", "<b>", "</b>", "\xC4\xE3\xBA\xC3"},
        // The right marker "\xE3\xBA" lies across two characters: it is not there.
        BetweenCase{"right_not_inside_characters", "[\xC4\xE3\xBA\xC3]", "[", "\xE3\xBA", ""},
        // 0x5B ("[") is a trail byte: "\xC4[" is one character and holds no marker.
        BetweenCase{"left_inside_character", "\xC4[x]", "[", "]", ""},
        BetweenCase{"left_after_character", "\xC4\xE3[x]", "[", "]", "x"},
        BetweenCase{"text_ends_in_lead_byte", "[ab\xC4", "[", "", "ab\xC4"},
        BetweenCase{"nul_in_bytes", std::string("<a>\0x</a>", 9), "<a>", "</a>",
                    std::string("\0x", 2)}),
    [](const auto& info) { return std::string(info.param.name); });

struct AllBetweenCase {
    const char* name;
    std::string text;
    std::string left;
    std::string right;
    Texts expected;
};

class AllTextsBetweenTest : public testing::TestWithParam<AllBetweenCase> {};

TEST_P(AllTextsBetweenTest, ListsEachTextOnce) {
    const AllBetweenCase& c = GetParam();
    EXPECT_EQ(AllTextsBetween(c.text, c.left, c.right), c.expected);
}

const char kItems[] =
    "<li data-value=\"A\">1</li><li data-value=\"B\">2</li>"
    "<li data-value=\"C\">3</li><li data-value=\"A\">4</li>";

INSTANTIATE_TEST_SUITE_P(
    Cases, AllTextsBetweenTest,
    testing::Values(
        AllBetweenCase{"last_occurrence_stays", kItems, "data-value=\"", "\"", {"B", "C", "A"}},
        AllBetweenCase{"capital_markers_found",
                       "<li DATA-VALUE=\"a.com\"><li data-value=\"b.com\">",
                       "data-value=\"",
                       "\"",
                       {"a.com", "b.com"}},
        AllBetweenCase{"results_keep_their_case", "[Ab][cD]", "[", "]", {"Ab", "cD"}},
        AllBetweenCase{"no_left_marker", "abc", "[", "]", {}},
        AllBetweenCase{"empty_text", "", "[", "]", {}},
        AllBetweenCase{"empty_left_marker", "a]b]", "", "]", {}},
        AllBetweenCase{"text_before_first_left_dropped", "x][a]", "[", "]", {"a"}},
        AllBetweenCase{"text_ends_with_left", "[a][", "[", "]", {"a"}},
        // A piece without the right marker is put in front of the piece after it.
        AllBetweenCase{"glue_into_following", "[a[b]", "[", "]", {"ab"}},
        AllBetweenCase{"glue_run", "[a[b[c]", "[", "]", {"abc"}},
        AllBetweenCase{"last_piece_without_right_dropped", "[a][b", "[", "]", {"a"}},
        AllBetweenCase{"empty_texts_between", "[][x][]", "[", "]", {"x", ""}},
        // Equal markers: the pieces at odd places are the texts.
        AllBetweenCase{"equal_markers", "|a|b|c|d|", "|", "|", {"a", "c"}},
        AllBetweenCase{"equal_markers_case_folded", "xAyaz", "a", "A", {"y"}},
        // Markers match only at character starts: "\xC4[" and "\xC4\x41" are characters,
        // so neither holds a "[" or an "A=" (a byte-wise pass would find both).
        AllBetweenCase{"left_only_at_character_starts", "\xC4[a][b]", "[", "]", {"b"}},
        AllBetweenCase{"left_not_inside_characters", "\xC4\x41=1;a=2;", "a=", ";", {"2"}},
        AllBetweenCase{"trail_bytes_untouched", "[\xC4\x41][\xC4\x41", "[", "]", {"\xC4\x41"}},
        AllBetweenCase{"left_marker_ending_in_trail_letter", "\xC4\x41x]", "\xC4\x61", "]", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UrlEncodeTest, EncodesEveryByteButTheSafeOnes) {
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {"", ""},
        {"AZaz09-._", "AZaz09-._"},
        {"a b/c~d:e", "a+b%2Fc%7Ed%3Ae"},
        {"\xC4\xE3", "%C4%E3"},
        {"\xE4\xBD\xA0", "%E4%BD%A0"},
        {"http://x.com/?a=1&b=2", "http%3A%2F%2Fx.com%2F%3Fa%3D1%26b%3D2"},
        {std::string("\0\xFF", 2), "%00%FF"},
        {"+%*", "%2B%25%2A"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UrlEncode(c.text), c.expected) << c.text;
    }
}

TEST(TextToIntTest, ReadsLeadingNumber) {
    const struct {
        std::string text;
        int expected;
    } cases[] = {
        {"12", 12},
        {"  42abc", 42},
        {"\t\r\n7", 7},
        {"-15", -15},
        {"+8", 8},
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {"+-3", 0},
        {"- 3", 0},
        {"1 2", 1},
        {"007", 7},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", INT_MAX},
        {"99999999999", INT_MAX},
        {"-99999999999999999999999999", INT_MIN},
        {std::string(100000, '9'), INT_MAX},
        {"\xC4\xE3"
         "1",
         0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextToInt(c.text), c.expected) << c.text.substr(0, 40);
    }
}

TEST(ReplaceAllTest, ReplacesWholeCharactersExactly) {
    const struct {
        std::string text, from, to, expected;
    } cases[] = {
        {"a,b,,c", ",", ";", "a;b;;c"},
        {"aAa", "a", "x", "xAx"},
        {"abc", "", "x", "abc"},
        {"", "a", "x", ""},
        {"aaa", "aa", "b", "ba"},
        {"abab", "ab", "", ""},
        {"xx", "x", "xx", "xxxx"},
        {"\xC4\xE3\xBA\xC3", "\xE3\xBA", "!", "\xC4\xE3\xBA\xC3"},
        {"\xC4\xE3\xBA\xC3", "\xBA\xC3", "!", "\xC4\xE3!"},
        {"\xC4\x41"
         "A",
         "A", "a",
         "\xC4\x41"
         "a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReplaceAll(c.text, c.from, c.to), c.expected) << c.text << " / " << c.from;
    }
}

TEST(SplitTextTest, SplitsAtEverySeparator) {
    const struct {
        std::string text, separator;
        Texts expected;
    } cases[] = {
        {"a,b,c", ",", {"a", "b", "c"}},
        {"a,b,", ",", {"a", "b"}},
        {",a", ",", {"", "a"}},
        {"a,,b", ",", {"a", "", "b"}},
        {",", ",", {""}},
        {"", ",", {}},
        {"abc", ",", {"abc"}},
        {"abc", "", {"abc"}},
        {"a\r\nb\r\n", "\r\n", {"a", "b"}},
        {"aXbxc", "x", {"aXb", "c"}},
        {"\xC4\x7C|b", "|", {"\xC4\x7C", "b"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitText(c.text, c.separator), c.expected) << c.text;
    }
}

TEST(CaseAndBlanksTest, MapsSingleByteCharactersOnly) {
    EXPECT_EQ(AsciiLower("AbC-\xC4\x41Z"), "abc-\xC4\x41z");
    EXPECT_EQ(AsciiUpper("aBc-\xC4\x61z"), "ABC-\xC4\x61Z");
    EXPECT_EQ(AsciiLower("\xC4"), "\xC4");
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks("\ta\t"), "\ta\t");
    EXPECT_EQ(BytesToText(std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(BytesToText("abc"), "abc");
}

TEST(GbkCharLengthTest, PairsLeadWithValidTrailOnly) {
    EXPECT_EQ(GbkCharLength("\xC4\xE3", 0), 2u);
    EXPECT_EQ(GbkCharLength("\x81\x40", 0), 2u);
    EXPECT_EQ(GbkCharLength("\xFE\xFE", 0), 2u);
    EXPECT_EQ(GbkCharLength("\xC4\x7F", 0), 1u);
    EXPECT_EQ(GbkCharLength("\xC4\x3F", 0), 1u);
    EXPECT_EQ(GbkCharLength("\xC4", 0), 1u);
    EXPECT_EQ(GbkCharLength("\x80\xE3", 0), 1u);
    EXPECT_EQ(GbkCharLength("\xFF\xE3", 0), 1u);
}

// A megabyte of double-byte characters with the markers at the far end: the walk must not
// lose the character grid nor take quadratic time over repeated finds.
TEST(LargeInputTest, MegabytesAreWalkedOnce) {
    std::string text;
    for (int i = 0; i < 500000; ++i) {
        text += "\xC4\xE3";
    }
    text += "[x]";
    EXPECT_EQ(TextBetween(text, "[", "]"), "x");
    EXPECT_EQ(FindText(text, "\xE3\xC4"), 0u);
    std::string many;
    for (int i = 0; i < 100000; ++i) {
        many += "<i>" + std::to_string(i % 1000) + "</i>";
    }
    EXPECT_EQ(AllTextsBetween(many, "<i>", "</i>").size(), 1000u);
    EXPECT_EQ(SplitText(many, "</i>").size(), 100000u);
    EXPECT_EQ(ReplaceAll(many, "<i>", "").size(), many.size() - 300000);
}

}  // namespace
}  // namespace brevink
