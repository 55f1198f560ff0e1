// Cookie texts: the pair of a Set-Cookie line, the pairs of a header block, and the merge
// of new pairs into the text that a caller keeps.
#include <gtest/gtest.h>

#include "web/web_request.h"

namespace brevink {
namespace {

TEST(CookiePairOf, TextBeforeFirstSemicolonOrNothing) {
    EXPECT_EQ(CookiePairOf("BDUSS=abc; path=/; domain=.baidu.com"), "BDUSS=abc");
    EXPECT_EQ(CookiePairOf("a=1;"), "a=1");
    EXPECT_EQ(CookiePairOf("a=1"), "");
    EXPECT_EQ(CookiePairOf(""), "");
}

struct HarvestCase {
    const char* name;
    const char* block;
    const char* pairs;
};

class HarvestCases : public ::testing::TestWithParam<HarvestCase> {};

TEST_P(HarvestCases, Pairs) {
    EXPECT_EQ(HarvestSetCookies(GetParam().block), GetParam().pairs);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, HarvestCases,
    ::testing::Values(
        HarvestCase{"InReplyOrder",
                    "HTTP/1.1 200 OK\r\nSet-Cookie: B=2; path=/\r\nX: y\r\n"
                    "Set-Cookie: A=1; expires=Thu, 01 Jan 2099 00:00:00 GMT\r\n\r\n",
                    "B=2;A=1;"},
        HarvestCase{"NameCaseIgnored", "HTTP/1.1 200 OK\r\nset-cookie: a=1; path=/\r\n\r\n",
                    "a=1;"},
        HarvestCase{"PairWithoutSemicolonGivesNothing",
                    "HTTP/1.1 200 OK\r\nSet-Cookie: bare=1\r\nSet-Cookie: ok=2;\r\n\r\n", "ok=2;"},
        HarvestCase{"NoSetCookie", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", ""},
        // The words inside another header are no cookie.
        HarvestCase{"OnlySetCookieLinesCount",
                    "HTTP/1.1 200 OK\r\nX-Note: Set-Cookie: fake=1; path=/\r\n\r\n", ""},
        HarvestCase{"EmptyBlock", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct MergeCase {
    const char* name;
    const char* current;
    const char* newPairs;
    const char* merged;
};

class MergeCases : public ::testing::TestWithParam<MergeCase> {};

TEST_P(MergeCases, Merged) {
    EXPECT_EQ(MergeCookies(GetParam().current, GetParam().newPairs), GetParam().merged);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MergeCases,
    ::testing::Values(
        MergeCase{"ReplacedInPlace", "BAIDUID= ;UBI= ;PASSID= ;", "BAIDUID=abc;",
                  "BAIDUID=abc;UBI= ;PASSID= ;"},
        MergeCase{"NewNameAppended", "a=1;", "b=2;", "a=1;b=2;"},
        MergeCase{"IntoEmptyText", "", "a=1;b=2;", "a=1;b=2;"},
        MergeCase{"NameCaseIgnored", "Token=old;x=1;", "TOKEN=new;", "TOKEN=new;x=1;"},
        // A name inside a longer name or inside a value is another cookie.
        MergeCase{"NameInsideLongerNameIsNoMatch", "BAIDUID=1;", "ID=2;", "BAIDUID=1;ID=2;"},
        MergeCase{"NameInsideValueIsNoMatch", "a=ID=7;", "ID=2;", "a=ID=7;ID=2;"},
        MergeCase{"LastPairWithoutSemicolon", "a=1;b=2", "b=3;", "a=1;b=3"},
        MergeCase{"TextWithoutClosingSemicolonKeepsPairsApart", "a=1", "c=3;", "a=1;c=3;"},
        MergeCase{"PieceWithoutEqualsSkipped", "a=1;", "junk;b=2;", "a=1;b=2;"},
        MergeCase{"BlankAfterSemicolon", "a=1; b=2;", "b=3;", "a=1; b=3;"},
        MergeCase{"SeveralNewPairsInOrder", "x=0;", "y=1;x=2;z=3;", "x=2;y=1;z=3;"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace brevink
