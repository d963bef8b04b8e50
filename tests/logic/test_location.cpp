#include <gtest/gtest.h>

#include <string>

#include "browsing/location.h"

#include "gb18030_converter.h"

namespace lorvex {
namespace {

TEST(LocationTest, PresentLocation) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    const std::pair<std::string, std::string> cases[] = {
        {"http://p/33/playwmv.asp?id=1024&g=%BA%A3%B1%DF%B5%C4%B7%E7&c=%C1%D6%D0%A1%D3%EA",
         "http://p/33/playwmv.asp?id=1024&g=海边的风&c=林小雨"},
        {"http://p/33/disp.asp", "http://p/33/disp.asp"},
        {"%E6%B5%B7", "海"},                   // UTF-8 escapes
        {"%e6%b5%b7", "海"},                   // lower-case hex
        {"%E6%B5%B7&%BA%A3", "海&海"},         // each run decides for itself
        {"%E6%B5%B7%20%E8%BE%B9", "海%20边"},  // UTF-8 with an ASCII escape inside
        {"%BA%A3%20%B1%DF", "海%20边"},        // GBK with an ASCII escape inside
        {"a%20b%26c%2f", "a%20b%26c%2f"},      // ASCII escapes stand
        {"%81%40", "丂"},                      // GBK trail byte in the ASCII range
        {"%81%30%81%30", "\xC2\x80"},          // four-byte GB18030
        {"100%", "100%"},
        {"%zz%BA%A3", "%zz海"},
        {"%%BA%A3%4", "%海%4"},
        {"%B", "%B"},
        {"%BA", "\xEF\xBF\xBD"},  // a lead byte alone
        {"%80x", "\xEF\xBF\xBDx"},
        {"海%BA%A3", "海海"},                // raw characters stay
        {"a\xFF%BA%A3", "a\xEF\xBF\xBD海"},  // raw bytes that are not UTF-8
        {"", ""},
    };
    for (const auto& [address, expected] : cases) {
        EXPECT_EQ(PresentLocation(address), expected) << address;
    }
}

TEST(LocationTest, EncodeAddressForPortal) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    const std::pair<std::string, std::string> cases[] = {
        {"http://p/33/search.asp?keyword=海边", "http://p/33/search.asp?keyword=%BA%A3%B1%DF"},
        {"http://p/33/x.asp?a=%20&b=c d", "http://p/33/x.asp?a=%20&b=c d"},
        {"\xF0\x9F\x98\x80", "%94%39%FC%36"},
        {"a\xFFz", "a%FFz"},            // stray byte
        {"\xE6\xB5", "%E6%B5"},         // cut-off character
        {"\xED\xA0\x80", "%ED%A0%80"},  // surrogate
        {"\xC0\xAF", "%C0%AF"},         // overlong
        {"", ""},
    };
    for (const auto& [address, expected] : cases) {
        EXPECT_EQ(EncodeAddressForPortal(address), expected) << address;
    }
}

TEST(LocationTest, PresentUndoesEncode) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    for (const std::string text : {"http://p/33/search.asp?keyword=林小雨 R&B", "海边的风"}) {
        EXPECT_EQ(PresentLocation(EncodeAddressForPortal(text)), text);
    }
}

}  // namespace
}  // namespace lorvex
