#include "core/text/text_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "gb18030_converter.h"

namespace lorvex {
namespace {

struct CodecCase {
    std::string_view utf8;
    std::string_view gb18030;
};

// Characters GB2312/GBK hold keep their two-byte codes; the rest get four-byte sequences.
constexpr CodecCase kCodecCases[] = {
    {"", ""},
    {"$$DD1024&g=", "$$DD1024&g="},
    {"海边的风", "\xBA\xA3\xB1\xDF\xB5\xC4\xB7\xE7"},
    {"林小雨", "\xC1\xD6\xD0\xA1\xD3\xEA"},
    {"\xE2\x82\xAC", "\xA2\xE3"},              // U+20AC euro sign
    {"\xC2\x80", "\x81\x30\x81\x30"},          // U+0080, first four-byte code
    {"\xF0\x9F\x98\x80", "\x94\x39\xFC\x36"},  // U+1F600, outside the BMP
    {"\xEF\xBF\xBD", "\x84\x31\xA4\x37"},      // U+FFFD itself
    {"a\xE6\xB5\xB7"
     "b",
     "a\xBA\xA3"
     "b"},  // mixed ASCII and Chinese
};

TEST(TextCodec, EncodesAndDecodesBothWays) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    for (const auto& c : kCodecCases) {
        SCOPED_TRACE(std::string(c.utf8));
        EXPECT_EQ(Utf8ToGb18030(c.utf8), c.gb18030);
        EXPECT_EQ(Gb18030ToUtf8(c.gb18030), c.utf8);
    }
}

TEST(TextCodec, InvalidUtf8IsEncodedAsReplacementCharacter) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    EXPECT_EQ(Utf8ToGb18030("a\xFFz"), "a\x84\x31\xA4\x37z");
    // A cut-off sequence at the end, and a surrogate written as UTF-8.
    EXPECT_EQ(Utf8ToGb18030("x\xE6\xB5"), "x\x84\x31\xA4\x37\x84\x31\xA4\x37");
    EXPECT_EQ(Utf8ToGb18030("\xED\xA0\x80").size(), 12u);
}

TEST(TextCodec, InvalidGb18030BecomesReplacementAndDecodingGoesOn) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    const std::string fffd(kReplacementCharacter);
    struct Case {
        std::string_view bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"\x80", fffd},
        {"a\xFF"
         "b",
         "a" + fffd + "b"},
        // A lead byte before a line end must not swallow the line end.
        {"\xBA\n\xBA\xA3", fffd + "\n海"},
        {"\xBA\r\n", fffd + "\r\n"},
        // A lead byte cut off at the end of the text.
        {"ok\x81", "ok" + fffd},
        {"\x81\x30", fffd + "0"},
        // Well-shaped four-byte sequences that name no character are replaced whole.
        {"c\x84\x31\xA5\x30"
         "d",
         "c" + fffd + "d"},
        {"\xFE\x39\xFE\x39|", fffd + "|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.bytes)));
        EXPECT_EQ(Gb18030ToUtf8(c.bytes), c.expected);
    }
}

// ASCII reads the same in both encodings, so it needs no converter: ASCII lines are still
// written and read where there is none, and text that does need one fails loudly there.
TEST(TextCodec, AsciiNeedsNoConverter) {
    const std::string_view ascii("$$DD1&g=Blue%20Moon&c=\x01\r\n\0", 26);
    EXPECT_EQ(Utf8ToGb18030(ascii), ascii);
    EXPECT_EQ(Gb18030ToUtf8(ascii), ascii);
    if (!Gb18030ConverterAvailable()) {
        EXPECT_THROW(Gb18030ToUtf8("\xBA\xA3"), CodecError);
        EXPECT_THROW(Utf8ToGb18030("海"), CodecError);
    }
}

TEST(TextCodec, Utf8ValidationAndRepair) {
    struct Case {
        std::string_view bytes;
        bool valid;
        std::string_view repaired;
    };
    const Case cases[] = {
        {"plain", true, "plain"},
        {"海边的风\xF0\x9F\x98\x80", true, "海边的风\xF0\x9F\x98\x80"},
        {"\xC0\xAF", false, "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // overlong "/"
        {"\xED\xA0\x80", false, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // surrogate
        {"\xF4\x90\x80\x80", false,
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // past U+10FFFF
        {"a\xE6\xB5", false, "a\xEF\xBF\xBD\xEF\xBF\xBD"},     // cut off
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.bytes)));
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid);
        EXPECT_EQ(SanitizeUtf8(c.bytes), c.repaired);
    }
}

TEST(TextCodec, CodePointsCountChineseCharactersAsOne) {
    EXPECT_EQ(Utf8ToCodePoints("海a\xF0\x9F\x98\x80"), (std::u32string{U'海', U'a', 0x1F600}));
    EXPECT_EQ(Utf8ToCodePoints("a\xFF"), (std::u32string{U'a', 0xFFFD}));
    EXPECT_EQ(CodePointsToUtf8(U"海边的风\U0001F600"), "海边的风\xF0\x9F\x98\x80");
}

TEST(TextCodec, DecodesFavouritesTextByByteOrderMark) {
    const std::string fffd(kReplacementCharacter);
    struct Case {
        std::string_view name;
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"UTF-8 mark", "\xEF\xBB\xBF海\r\n", "海\r\n"},
        {"UTF-8 mark, bad byte",
         "\xEF\xBB\xBF"
         "a\xFF",
         "a" + fffd},
        {"UTF-16 LE", std::string("\xFF\xFE\x77\x6D\x0D\x00\x0A\x00", 8), "海\r\n"},
        {"UTF-16 BE", std::string("\xFE\xFF\x6D\x77\x00\x41", 6), "海A"},
        {"UTF-16 LE pair", std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), "\xF0\x9F\x98\x80"},
        {"UTF-16 BE lone high", std::string("\xFE\xFF\xD8\x3D\x00\x41", 6), fffd + "A"},
        {"UTF-16 LE lone low", std::string("\xFF\xFE\x00\xDE", 4), fffd},
        {"UTF-16 odd byte", std::string("\xFF\xFE\x41\x00\x42", 5), "A" + fffd},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeFavouritesText(c.bytes), c.expected);
    }
    // No mark: GB18030.
    SKIP_WITHOUT_GB18030_CONVERTER();
    EXPECT_EQ(DecodeFavouritesText("\xBA\xA3\r\nx"), "海\r\nx");
}

// A whole library file in one piece, a bad byte deep inside it replaced and the rest read.
TEST(TextCodec, DecodesALargeFileWhole) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    const std::string utf8Line = "$$DD1024&g=海边的风&c=林小雨\r\n";
    const std::string line = Utf8ToGb18030(utf8Line);
    std::string bytes;
    std::string expected;
    for (int i = 0; i < 100000; ++i) {
        bytes += line;
        expected += utf8Line;
    }
    bytes += "\x80" + line;
    expected += std::string(kReplacementCharacter) + utf8Line;
    const std::string text = DecodeFavouritesText(bytes);
    ASSERT_EQ(text.size(), expected.size());
    EXPECT_TRUE(text == expected);
}

}  // namespace
}  // namespace lorvex

namespace lorvex {
namespace {

// Every character of Unicode survives a trip through GB18030, but for the few private-use
// characters the converter has no bytes for, which come back as U+FFFD.
TEST(TextCodec, EveryCharacterRoundTrips) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    std::u32string all;
    for (char32_t cp = 1; cp <= 0x10FFFF; ++cp) {
        if (cp < 0xD800 || cp > 0xDFFF) all += cp;
    }
    const std::u32string back =
        Utf8ToCodePoints(Gb18030ToUtf8(Utf8ToGb18030(CodePointsToUtf8(all))));
    ASSERT_EQ(back.size(), all.size());
    std::size_t replaced = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (back[i] == all[i]) continue;
        const auto cp = static_cast<unsigned>(all[i]);
        EXPECT_EQ(static_cast<unsigned>(back[i]), 0xFFFDu) << std::hex << "U+" << cp;
        EXPECT_TRUE(cp >= 0xE000 && cp <= 0xF8FF) << std::hex << "U+" << cp;
        ++replaced;
    }
    EXPECT_LT(replaced, 100u);
}

}  // namespace
}  // namespace lorvex
