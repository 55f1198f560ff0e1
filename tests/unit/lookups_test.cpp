// Page titles (charset of the page), rank texts and the rank cache.
#include <gtest/gtest.h>

#include "platform/lookups.h"
#include "web/codepage.h"

namespace brevink {
namespace {

const std::string kBom = "\xEF\xBB\xBF";

// UTF-8 bytes of a source literal (the pages arrive as such bytes).
std::string Utf8(std::u8string_view text) {
    return std::string(text.begin(), text.end());
}

struct CharsetCase {
    const char* name;
    std::string body;
    std::string charset;
};

class DetectCharsetTest : public ::testing::TestWithParam<CharsetCase> {};

TEST_P(DetectCharsetTest, TellsUtf8FromGbk) {
    EXPECT_EQ(DetectPageCharset(GetParam().body), GetParam().charset);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DetectCharsetTest,
    ::testing::Values(CharsetCase{"Empty", "", ""}, CharsetCase{"OneByte", "\xEF", ""},
                      CharsetCase{"BomStart", "\xEF\xBB", "UTF8"},
                      CharsetCase{"BomPage", kBom + "<title>x</title>", "UTF8"},
                      CharsetCase{"Ascii", "<title>x</title>", "GB2312"},
                      CharsetCase{"GbkPage", Gbk(u8"<title>中文</title>"), "GB2312"},
                      CharsetCase{"NotGbk", "<title>\x80\xFF</title>", "UTF8"}),
    [](const auto& info) { return std::string(info.param.name); });

struct TitleCase {
    const char* name;
    std::string body;
    std::string headers;
    std::string title;  // GBK
};

class TitleOfPageTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(TitleOfPageTest, ReadsTheTitleInGbk) {
    EXPECT_EQ(TitleOfPage(GetParam().body, GetParam().headers), GetParam().title);
}

// "中文标题" in UTF-8 is also valid GBK, so only a declaration tells that it is UTF-8.
const std::string kUtf8Title = Utf8(u8"<title>中文标题</title>");
const std::string kHtml = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";

std::string Headers(const std::string& contentType) {
    return "HTTP/1.1 200 OK\r\nServer: x\r\nContent-Type: " + contentType + "\r\n\r\n";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TitleOfPageTest,
    ::testing::Values(
        TitleCase{"Utf8WithBom", kBom + kUtf8Title, kHtml, Gbk(u8"中文标题")},
        TitleCase{"GbkAsItIs", Gbk(u8"<title>中文</title>"), kHtml, Gbk(u8"中文")},
        TitleCase{"CapitalMarkers", "<HTML><TITLE>Word</TITLE>", "", "Word"},
        TitleCase{"OneByteBody", "x", "", ""}, TitleCase{"EmptyBody", "", "", ""},
        TitleCase{"NoTitle", "<html><body>x</body></html>", kHtml, ""},
        TitleCase{"TitleNeverCloses", "<title>abc", kHtml, ""},
        TitleCase{"HeaderDeclaresUtf8", kUtf8Title, Headers("text/html; charset=UTF-8"),
                  Gbk(u8"中文标题")},
        TitleCase{"HeaderDeclaresQuotedUtf8", kUtf8Title, Headers("text/html;charset=\"utf-8\""),
                  Gbk(u8"中文标题")},
        TitleCase{"MetaCharsetUtf8", "<head><meta charset=\"utf-8\">" + kUtf8Title, kHtml,
                  Gbk(u8"中文标题")},
        TitleCase{"MetaHttpEquivUtf8",
                  "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=utf-8\" />" +
                      kUtf8Title,
                  kHtml, Gbk(u8"中文标题")},
        TitleCase{"MetaDeclaresGb2312",
                  "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">" +
                      Gbk(u8"<title>中文</title>"),
                  kHtml, Gbk(u8"中文")},
        TitleCase{"HeaderOutranksMeta", "<meta charset=\"utf-8\">" + Gbk(u8"<title>中文</title>"),
                  Headers("text/html; charset=GBK"), Gbk(u8"中文")},
        TitleCase{"BomOutranksDeclaration", kBom + kUtf8Title, Headers("text/html; charset=gbk"),
                  Gbk(u8"中文标题")},
        TitleCase{"Gb18030DeclaredReadAsItIs", Gbk(u8"<title>中文</title>"),
                  Headers("text/html; charset=GB18030"), Gbk(u8"中文")},
        TitleCase{"UnknownCharsetFallsBack", Gbk(u8"<title>中文</title>"),
                  Headers("text/html; charset=iso-8859-1"), Gbk(u8"中文")},
        TitleCase{"UndeclaredInvalidGbkIsUtf8", Utf8(u8"<title>标题…</title>\x80"), "",
                  Gbk(u8"标题…")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TitleOfPage, DeclarationLateInALongPageIsNotTaken) {
    // A "charset=" in the page's own text far below its head does not count.
    const std::string page =
        Gbk(u8"<title>中文</title>") + std::string(20000, ' ') + "<meta charset=\"utf-8\">";
    EXPECT_EQ(TitleOfPage(page, ""), Gbk(u8"中文"));
}

TEST(TitleOfPage, InvalidUtf8DeclaredUtf8StillGivesText) {
    const std::string title =
        TitleOfPage("<title>\xFF\xFE ok</title>", Headers("text/html; charset=utf-8"));
    EXPECT_NE(title.find(" ok"), std::string::npos) << title;
}

TEST(TitleOfPage, TenMegabytePage) {
    std::string page = "<html><head><meta charset=\"utf-8\"></head><body>";
    while (page.size() < 10u * 1000 * 1000) {
        page += Utf8(u8"正文内容 text ");
    }
    page += "<title>end</title>";
    EXPECT_EQ(TitleOfPage(page, kHtml), "end");
    EXPECT_EQ(TitleOfPage(page.substr(0, page.size() - 7), kHtml), "");
}

TEST(TitleOfPage, TenMegabytesOfInvalidBytes) {
    // Neither valid GBK nor valid UTF-8: read through the lenient decoding.
    std::string page = "<title>t</title>";
    while (page.size() < 10u * 1000 * 1000) {
        page += "\x80\xFF\xC3(\xE4\xB8";
    }
    EXPECT_EQ(TitleOfPage(page, ""), "t");
}

struct RankCase {
    std::string reply;
    std::string rank;
};

class RankOfReplyTest : public ::testing::TestWithParam<RankCase> {};

TEST_P(RankOfReplyTest, IsTheTextBeforeTheFirstHash) {
    EXPECT_EQ(RankOfReply(GetParam().reply), GetParam().rank);
}

INSTANTIATE_TEST_SUITE_P(Cases, RankOfReplyTest,
                         ::testing::Values(RankCase{"5#www.a.com", "5"}, RankCase{"#5", ""},
                                           RankCase{"7", ""}, RankCase{"", ""},
                                           RankCase{"12#3#4", "12"},
                                           RankCase{"<html>error</html>", ""}));

TEST(RankCache, FirstStoreWinsAndEmptyRanksAreKept) {
    RankCache cache;
    std::string rank = "unchanged";
    EXPECT_FALSE(cache.Lookup("a.com", rank));
    EXPECT_EQ(rank, "unchanged");
    cache.Store("a.com", "");
    cache.Store("a.com", "5");
    cache.Store("b.com", "3");
    EXPECT_TRUE(cache.Lookup("a.com", rank));
    EXPECT_EQ(rank, "");
    EXPECT_TRUE(cache.Lookup("b.com", rank));
    EXPECT_EQ(rank, "3");
    EXPECT_EQ(cache.Size(), 2u);
}

}  // namespace
}  // namespace brevink
