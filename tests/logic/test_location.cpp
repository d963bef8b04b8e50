#include <gtest/gtest.h>

#include <string>

#include "core/portal/location.h"

#include "gb18030_converter.h"

namespace lorvex {
namespace {

TEST(LocationTest, PresentLocation) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    const std::pair<std::string, std::string> cases[] = {
        {"http://p/33/playwmv.asp?id=1024&g=%BA%A3%B1%DF%B5%C4%B7%E7&c=%C1%D6%D0%A1%D3%EA",
         "http://p/33/playwmv.asp?id=1024&g=海边的风&c=林小雨"},
        // GBK bytes that are valid UTF-8 too (C4 AC, C3 A3) are still GBK in a query.
        {"http://p/33/playwmv.asp?id=88&g=%C4%AC%C4%AC&c=%C3%A3%C3%A3",
         "http://p/33/playwmv.asp?id=88&g=默默&c=茫茫"},
        {"?k=%c4%ac", "?k=默"},                // lower-case hex
        {"?k=%BA%A3%20%B1%DF", "?k=海%20边"},  // an ASCII escape inside a run
        {"?a%20b%26c%2f", "?a%20b%26c%2f"},    // ASCII escapes stand
        {"?%81%40", "?丂"},                    // GBK trail byte in the ASCII range
        {"?%81@x", "?丂x"},                    // ... sent as a plain character
        {"?%81%30%81%30", "?\xC2\x80"},        // four-byte GB18030
        {"?%810%810", "?\xC2\x80"},            // ... with its digits sent plain
        {"?%84%31%A4%37", "?\xEF\xBF\xBD"},    // the code of U+FFFD itself
        // Only ASCII stands for a trail byte: a shown address shows again as it is.
        {"?%BA\xEF\xBF\xBD", "?%BA\xEF\xBF\xBD"},
        // Runs that name no character stay as written, whole; the next run decides anew.
        {"?k=%E6%B5%B7", "?k=%E6%B5%B7"},
        {"?k=%BA&g=%BA%A3", "?k=%BA&g=海"},
        {"?k=%BA%A3%FF%20", "?k=%BA%A3%FF%20"},
        {"?%80x", "?%80x"},
        {"?%BA%A3%80", "?%BA%A3%80"},
        {"?100%&%zz%BA%A3", "?100%&%zz海"},
        // The path and the fragment: UTF-8 when the run is UTF-8, else GB18030.
        {"%E6%B5%B7", "海"},
        {"/%BA%A3/x?k=%C4%AC#%E6%B5%B7", "/海/x?k=默#海"},
        {"/%BA?%BA", "/\xEF\xBF\xBD?%BA"},
        // A "?" in the fragment starts no query: UTF-8 there, where a query reads GB18030.
        {"/x#a?%C4%AC", "/x#a?\xC4\xAC"},
        {"%B", "%B"},
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

}  // namespace
}  // namespace lorvex
