#include <gtest/gtest.h>

#include <string>

#include "core/portal/addresses.h"

#include "gb18030_converter.h"

namespace lorvex {
namespace {

TEST(AddressesTest, PortalTable) {
    const PortalAddresses a = MakePortalAddresses("http://p.example:8033", "https://f.example");
    const std::pair<const std::string*, std::string> cases[] = {
        {&a.folder, "http://p.example:8033/33/"},
        {&a.idle, "http://p.example:8033/33/disp.asp"},
        {&a.categories, "http://p.example:8033/33/fl.htm"},
        {&a.about, "http://p.example:8033/33/about.htm"},
        {&a.search, "http://p.example:8033/33/search.asp?keyword="},
        {&a.player, "http://p.example:8033/33/mtvplayer.asp?id="},
        {&a.searchIcon, "http://p.example:8033/33/58.gif"},
        {&a.styleSheet, "http://p.example:8033/33/mtv.css"},
        {&a.home, "http://p.example:8033/html/index.htm"},
        {&a.movie, "http://p.example:8033/html/movie.htm"},
        {&a.animation, "http://p.example:8033/html/donghua.htm"},
        {&a.ringtone, "http://p.example:8033/html/cai0.htm"},
        {&a.forum,
         "https://f.example/f?ct=&tn=&rn=&pn=&lm=&kw=Lorvex&rs2=0&myselectvalue=1&word=Lorvex"
         "&tb=on"},
    };
    for (const auto& [actual, expected] : cases) {
        EXPECT_EQ(*actual, expected);
    }
}

TEST(AddressesTest, ForumBoardIsGbkEscaped) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    EXPECT_EQ(ForumAddress("https://f", "音乐 MTV"),
              "https://f/f?ct=&tn=&rn=&pn=&lm=&kw=%D2%F4%C0%D6 MTV&rs2=0&myselectvalue=1"
              "&word=%D2%F4%C0%D6 MTV&tb=on");
}

TEST(AddressesTest, EscapeQueryValue) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    const std::pair<std::string, std::string> cases[] = {
        {"R&B", "R%26B"},
        {"海边", "%BA%A3%B1%DF"},
        {" a ", "%20a%20"},
        {"", ""},
        {"a+b=c?d#e%f", "a%2Bb%3Dc%3Fd%23e%25f"},
        {"AZaz09-._~!$'()*,;:@/", "AZaz09-._~!$'()*,;:@/"},
        {"\"<>[]\\^`{|}", "%22%3C%3E%5B%5D%5C%5E%60%7B%7C%7D"},
        {"\t\n\x7F", "%09%0A%7F"},
        {"林 小雨", "%C1%D6%20%D0%A1%D3%EA"},
        {"\xF0\x9F\x98\x80", "%94%39%FC%36"},  // four GB18030 bytes, digits escaped too
        {"a\xFF", "a%84%31%A4%37"},            // not UTF-8: sent as U+FFFD
    };
    for (const auto& [keyword, expected] : cases) {
        EXPECT_EQ(EscapeQueryValue(keyword), expected) << keyword;
    }
}

TEST(AddressesTest, SearchAddressAppendsTheEscapedKeyword) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    EXPECT_EQ(SearchAddress(MakePortalAddresses("http://p"), "R&B"),
              "http://p/33/search.asp?keyword=R%26B");
    EXPECT_EQ(SearchAddress(MakePortalAddresses("http://p"), ""),
              "http://p/33/search.asp?keyword=");
    EXPECT_EQ(SearchAddress(MakePortalAddresses("http://p"), "海边"),
              "http://p/33/search.asp?keyword=%BA%A3%B1%DF");
}

// Collect is enabled without ".htm", the view idle with "disp.asp": both case-sensitive,
// anywhere in the address, the query included.
TEST(AddressesTest, CollectEnabledAndIdleByWhatTheAddressHolds) {
    const struct {
        std::string location;
        bool collect;
        bool idle;
    } cases[] = {
        {"http://p/33/disp.asp", true, true},
        {"http://p/33/playwmv.asp?id=1024", true, false},
        {"", true, false},
        {"http://p/33/fl.htm", false, false},
        {"http://p/html/index.html", false, false},
        {"http://p/33/x.asp?back=a.htm", false, false},
        {"http://p/33/FL.HTM", true, false},
        {"http://p/33/disp.asp?from=fl", true, true},
        {"http://p/33/x.asp?back=disp.asp&n=1", true, true},
        {"http://p/33/DISP.ASP", true, false},
        {"http://p/33/disp.htm", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CollectEnabledFor(c.location), c.collect) << c.location;
        EXPECT_EQ(IsIdleLocation(c.location), c.idle) << c.location;
    }
}

}  // namespace
}  // namespace lorvex
