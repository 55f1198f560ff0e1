// UTF-8 <-> GBK and the backslash-u decoding. GBK bytes as escapes: "\xC4\xE3" is 你,
// "\xBA\xC3" is 好; their UTF-8 forms are "\xE4\xBD\xA0" and "\xE5\xA5\xBD".
#include "web/codepage.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace brevink {
namespace {

const std::string kNiHaoGbk = "\xC4\xE3\xBA\xC3";
const std::string kNiHaoUtf8 = "\xE4\xBD\xA0\xE5\xA5\xBD";

struct Case {
    std::string in;
    std::string expected;
};

TEST(Utf8ToGbkTest, ConvertsValidText) {
    const Case cases[] = {
        {"", ""},
        {"plain ascii", "plain ascii"},
        {kNiHaoUtf8, kNiHaoGbk},
        {"<title>" + kNiHaoUtf8 + "</title>", "<title>" + kNiHaoGbk + "</title>"},
        {"\xC3\xA9\xC2\xB7", "\xA8\xA6\xA1\xA4"},  // é and the middle dot exist in GBK
        {std::string("ab\0\xFF", 4), "ab"},        // the text ends at the first NUL
        {std::string("\0ab", 3), ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToGbk(c.in), c.expected) << testing::PrintToString(c.in);
    }
}

// The strict conversion fails on these; the lenient decoding keeps what it can.
TEST(Utf8ToGbkTest, DecodesInvalidInputLeniently) {
    const Case cases[] = {
        {"\xEF\xBB\xBF" + kNiHaoUtf8, kNiHaoGbk},  // byte-order mark dropped
        {"a\xFF"
         "b",
         "a?b"},  // never a UTF-8 byte
        {"a\x80"
         "b",
         "a?b"},                                       // stray continuation byte
        {"\xE4\xBD", "?"},                             // cut short at the end
        {"\xE4\xBDx" + kNiHaoUtf8, "?x" + kNiHaoGbk},  // cut short in the middle
        {"\xC0\x80", "??"},                            // overlong NUL
        {"\xED\xA0\x80", "???"},                       // an encoded surrogate
        {"\xF4\x90\x80\x80", "????"},                  // beyond U+10FFFF
        {"a\xF0\x9F\x98\x80"
         "b",
         "a?b"},  // emoji: not in GBK
        {"\xE4\xBD\xA0\xF0\x9F\x98\x80\xE5\xA5\xBD", "\xC4\xE3?\xBA\xC3"},
        {"\xEF\xBB\xBF\xFF", "?"},
        {"\xEF\xBB\xBF", ""},     // nothing but the mark
        {"x\xEF\xBB\xBF", "x?"},  // a mark inside the text is a character GBK lacks
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToGbk(c.in), c.expected) << testing::PrintToString(c.in);
    }
}

TEST(GbkToUtf8Test, ConvertsValidGbkOnly) {
    const Case cases[] = {
        {"", ""},
        {"abc", "abc"},
        {kNiHaoGbk, kNiHaoUtf8},
        {kNiHaoGbk + "\xC4", ""},  // a lead byte without its second byte
        {"\xC4", ""},
        {"\xA1\x40", ""},  // no character there
        {"\xFF", ""},
        {std::string("\xC4\xE3\0\xFF", 4), "\xE4\xBD\xA0"},  // up to the first NUL
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GbkToUtf8(c.in), c.expected) << testing::PrintToString(c.in);
    }
}

TEST(CodepageTest, RoundTripsEveryGbkTwoByteCharacter) {
    size_t characters = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const std::string gbk{static_cast<char>(lead), static_cast<char>(trail)};
            const std::string utf8 = GbkToUtf8(gbk);
            if (utf8.empty()) {
                continue;  // not a character
            }
            ++characters;
            ASSERT_EQ(Utf8ToGbk(utf8), gbk) << lead << " " << trail;
        }
    }
    EXPECT_GT(characters, 21000u);
}

TEST(DecodeUnicodeEscapesTest, DecodesFourDigitEscapes) {
    const Case cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"\\u4f60\\u597D", kNiHaoGbk},  // either case of hex digit
        {"a\\u4F60b",
         "a\xC4\xE3"
         "b"},
        {"\\u0041\\u007a", "Az"},
        {"\\u00e9", "\xA8\xA6"},
        {"\\ud83d\\ude00", "?"},  // a pair names one character; GBK has no emoji
        {"\\uD83D\\uDE00x", "?x"},
        {"\\ud83d", "?"},  // lone surrogates
        {"\\ud83dx", "?x"},
        {"\\ude00\\ud83d", "??"},
        {"\\ud83d\\u0041", "?A"},
        {"\\u0000x", "?x"},  // a NUL would end the text
        {"\\u0e01", "?"},    // Thai: not in GBK
        {"\\u12", "\\u12"},  // too short
        {"\\u12G4", "\\u12G4"},
        {"\\", "\\"},
        {"a\\", "a\\"},
        {"\\n\\t\\\"", "\\n\\t\\\""},  // other escapes stay
        {"\\U0001F600", "\\U0001F600"},
        {"\\\\u4f60", "\\\\u4f60"},  // an escaped backslash starts no escape
        {"\\\\\\u4f60", "\\\\\xC4\xE3"},
        {"\x81\\u4f60", "\x81\\u4f60"},  // 0x5C here is the trail byte of "\x81\x5C"
        {"\xC4\xE3\\u4f60", "\xC4\xE3\xC4\xE3"},
        {"\xC4", "\xC4"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeUnicodeEscapes(c.in), c.expected) << c.in;
    }
}

TEST(GbkTest, ConvertsOurLiterals) {
    EXPECT_EQ(Gbk(u8"完成"), "\xCD\xEA\xB3\xC9");
    EXPECT_EQ(Gbk(u8"你好"), kNiHaoGbk);
    EXPECT_EQ(Gbk("Brevink"), "Brevink");
    EXPECT_EQ(Gbk(""), "");
}

// The lookup workers convert at the same time; each call must stand on its own.
TEST(CodepageTest, ConvertsFromManyThreadsAtOnce) {
    std::vector<std::thread> threads;
    std::vector<int> failures(16, 0);
    for (size_t t = 0; t < failures.size(); ++t) {
        threads.emplace_back([&failures, t] {
            for (int i = 0; i < 500; ++i) {
                failures[t] += Utf8ToGbk(kNiHaoUtf8 + "\xFF") != kNiHaoGbk + "?";
                failures[t] += GbkToUtf8(kNiHaoGbk) != kNiHaoUtf8;
                failures[t] += DecodeUnicodeEscapes("\\u4f60") != "\xC4\xE3";
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, std::vector<int>(16, 0));
}

TEST(CodepageTest, TakesMegabytes) {
    std::string utf8;
    for (int i = 0; i < 300000; ++i) {
        utf8 += kNiHaoUtf8;
    }
    EXPECT_EQ(Utf8ToGbk(utf8).size(), 1200000u);
    EXPECT_EQ(Utf8ToGbk(utf8 + "\xFF").size(), 1200001u);
    EXPECT_EQ(GbkToUtf8(Utf8ToGbk(utf8)), utf8);
}

}  // namespace
}  // namespace brevink
