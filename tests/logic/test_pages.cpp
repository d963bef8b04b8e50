#include "core/written/pages.h"

#include <gtest/gtest.h>

#include "core/text/text_codec.h"
#include "gb18030_converter.h"

#include <string>
#include <vector>

namespace lorvex {
namespace {

constexpr std::string_view kOrigin = "http://127.0.0.1:8033";

std::string Join(const std::vector<std::string>& pieces) {
    std::string all;
    for (const auto& piece : pieces) all += piece;
    return all;
}

// A file of UTF-16 text, byte-order mark first.
std::string Utf16File(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const auto high = static_cast<char>(unit >> 8);
        const auto low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

TEST(ConfirmationPage, HasEightPiecesWithExactTexts) {
    const auto& pieces = ConfirmationPagePieces();
    ASSERT_EQ(pieces.size(), 8u);
    EXPECT_EQ(pieces[3], "已经收藏此曲<br>请看【曲库】<br>");
    EXPECT_EQ(pieces[5], "</B> ");
    EXPECT_EQ(Join(pieces),
              "<html><body><B>已经收藏此曲<br>请看【曲库】<br>编辑曲库<br>请看【编辑】</B> "
              "</body></html>");
}

TEST(LibraryPage, HeadAndEndPiecesUseTheOrigin) {
    const LibraryPage page(MakePortalAddresses(kOrigin));
    const auto head = page.HeadPieces();
    ASSERT_EQ(head.size(), 5u);
    EXPECT_EQ(head[0],
              "<HTML><HEAD><META http-equiv=Content-Type content=text/html; charset=gb2312>");
    EXPECT_EQ(head[1], "<META content=MSHTML 6.00.2900.2627 name=GENERATOR>");
    EXPECT_EQ(head[2],
              "<LINK href=http://127.0.0.1:8033/33/mtv.css type=text/css rel=Stylesheet></HEAD>");
    EXPECT_EQ(head[3],
              "<BODY  oncontextmenu='return false' onselectstart='return false' "
              "ondragstart='return false'  bgColor=#ffffff leftMargin=0 topMargin=0>");
    EXPECT_EQ(head[4], "<table  border=0 cellspacing=2 cellpadding=0 align=center>");

    const auto end = page.EndPieces();
    ASSERT_EQ(end.size(), 2u);
    EXPECT_EQ(end[0],
              "      <tr bgcolor=#6699CC>     <td colspan=2 valign=middle height=1></td>  </tr>");
    EXPECT_EQ(end[1], "</table></BODY></HTML>");
}

TEST(LibraryPage, RowFillsEveryPlaceholder) {
    const LibraryPage page(MakePortalAddresses("http://h"));
    const auto row = page.RowPieces({"1024", "海边的风", "林小雨"});
    ASSERT_EQ(row.size(), 3u);
    EXPECT_EQ(row[0], "<tr>     <td width=209 valign=middle>");
    EXPECT_EQ(row[1],
              "  <font color=#FFFFFF>1024 <a href='http://h/33/mtvplayer.asp?id=1024'  "
              "target='_blank'>海边的风</a>【<a href='http://h/33/search.asp?keyword=林小雨'>"
              "林小雨</a>】</font></td>    <td width=25>       <div align=center><a "
              "href='http://h/33/search.asp?keyword=海边的风'><img src='http://h/33/58.gif' "
              "width=20 height=20 border=0></a></div>");
    EXPECT_EQ(row[2], "</td>  </tr>");
}

TEST(LibraryPage, TemplateFilledWithPlaceholdersGivesTheTemplate) {
    const LibraryPage page(MakePortalAddresses(kOrigin));
    EXPECT_EQ(page.RowPieces({"<-ID->", "<-GN->", "<-GS->"})[1],
              // Escaped, since values never add markup, but otherwise the template itself.
              [&] {
                  std::string expected = page.RowTemplate();
                  for (std::size_t at; (at = expected.find("<-")) != std::string::npos;) {
                      expected.replace(at, 6, "&lt;-" + expected.substr(at + 2, 2) + "-&gt;");
                  }
                  return expected;
              }());
}

TEST(LibraryPage, ValuesAreEscapedAndNeverExpanded) {
    const LibraryPage page(MakePortalAddresses("http://h"));
    struct Case {
        FavouriteRecord record;
        std::string_view mustContain;
        std::string_view mustNotContain;
    };
    const Case cases[] = {
        {{"1", "<script>alert(1)</script>", "x"},
         "&lt;script&gt;alert(1)&lt;/script&gt;",
         "<script>"},
        {{"1", "x", "a' onmouseover='y"}, "keyword=a&#39; onmouseover=&#39;y'", "a' onm"},
        {{"1", "say \"hi\"", "x"}, "say &quot;hi&quot;", "\"hi\""},
        {{"1&2", "R&B", "x"}, "id=1&amp;2'", "R&B"},
        // A placeholder inside a value stays literal text.
        {{"1", "x", "<-GN-><-ID->"}, "&lt;-GN-&gt;&lt;-ID-&gt;", "keyword=x1"},
        // "%20" becomes a space before escaping; "%2520" is not decoded twice.
        {{"1", "Blue%20Moon", "%2520"}, ">Blue Moon</a>", "%20"},
        {{"1%202", "x", "Ann%20Lee"}, "id=1 2'", "Ann%20"},
        {{"1", "x", "Ann%20Lee"}, "keyword=Ann Lee'>Ann Lee</a>", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.record.GN + " / " + c.record.GS);
        const std::string row = page.RowPieces(c.record)[1];
        EXPECT_NE(row.find(c.mustContain), std::string::npos) << row;
        if (!c.mustNotContain.empty()) {
            EXPECT_EQ(row.find(c.mustNotContain), std::string::npos) << row;
        }
    }
}

TEST(LibraryPage, EscapeHtmlCoversAllFiveCharacters) {
    EXPECT_EQ(EscapeHtml("a&b<c>d\"e'f 海"), "a&amp;b&lt;c&gt;d&quot;e&#39;f 海");
    EXPECT_EQ(EscapeHtml(""), "");
}

TEST(LibraryPage, OnlyEmptyLinesMakeNoRow) {
    EXPECT_FALSE(LibraryPage::LineMakesRow(""));
    EXPECT_TRUE(LibraryPage::LineMakesRow(" "));
    EXPECT_TRUE(LibraryPage::LineMakesRow("$$DD1"));
}

// The page the side column is served is the pieces joined and encoded, for the usual lines
// and for those the byte-wise cut of a usual line must not take (values with markup, "%20",
// a non-ASCII start, markers out of order), whatever the line ends.
TEST(LibraryPage, DocumentIsThePiecesEncoded) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    const LibraryPage page(MakePortalAddresses(kOrigin));
    const std::vector<std::string> lines = {
        "$$DD88&g=默默&c=茫茫",
        "$$DD7&g=Blue%20Moon&c=A&amp;B",
        "$$DD1&g=<b>'x'</b>&c=\"y\"",
        "默$DD5&g=x&c=y",
        "$$DD5&c=Ann&g=x",
        "$$DD&g=&c=",
        "$$DD5&g=x&c=y&c=z",
        "",
        "短",
        "$$DD9&g=𠀀&c=€",
    };
    for (const std::string_view end : {"\r\n", "\n", "\r"}) {
        std::string text;
        std::string expected = Join(page.HeadPieces());
        for (const std::string& line : lines) {
            text += line;
            text += end;
            if (LibraryPage::LineMakesRow(line)) {
                expected += Join(page.RowPieces(ParseFavouriteLine(line)));
            }
        }
        expected += Join(page.EndPieces());
        SCOPED_TRACE(testing::PrintToString(end));
        EXPECT_EQ(page.Document(text), Utf8ToGb18030(expected));
    }
    // An empty file: the head, then only the separator row and the end.
    EXPECT_EQ(page.Document(""), Join(page.HeadPieces()) + Join(page.EndPieces()));
    EXPECT_EQ(page.DocumentOfFile(""), page.Document(""));
}

// The page made from the file's bytes as stored is the page of the decoded text, whether
// a line goes into its row as it stands or is decoded first: every two-byte character (a
// few of which read back as other bytes), four-byte ones, bytes that do not decode (next
// to a line end, too), a first character that is not ASCII, and files with a mark.
TEST(LibraryPage, DocumentOfFileIsTheDocumentOfTheDecodedText) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    const LibraryPage page(MakePortalAddresses(kOrigin));
    std::string everyPair;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            everyPair += "$$DD1&g=";
            everyPair += {static_cast<char>(lead), static_cast<char>(trail)};
            everyPair += "&c=%20<>\r\n";
        }
    }
    const std::string usual = Utf8ToGb18030("$$DD88&g=默默%20听&c=A&B\r\n$$DD7&g=x&c=\"茫\"\n");
    const std::vector<std::string> files = {
        everyPair,
        usual,
        usual + "$$DD9&g=\x81\x30\x81\x30&c=\x90\x30\x81\x30\r\n",
        usual + "$$DD9&g=\x84\x31\xA4\x37&c=\xFE\x51\r\n",
        usual + "$$DD2&g=\x81&c=\x80\xFF\r$$DD3&g=a\x81\r\n$$DD4&g=\x81\x30&c=\x81\x30\x81\n",
        "\xC4\xAC$DD5&g=x&c=y\r\n$$DD5&c=Ann&g=x\r\n\r\n$$DD6&g=last\x81",
        "",
        "\xEF\xBB\xBF$$DD1&g=\xE9\xBB\x98&c=x\r\n",
        Utf16File(u"$$DD1&g=\u9ED8&c=x", false),
        Utf16File(u"$$DD1&g=\u9ED8&c=x", true),
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(page.DocumentOfFile(files[i]), page.Document(DecodeFavouritesText(files[i])));
    }
}

}  // namespace
}  // namespace lorvex
