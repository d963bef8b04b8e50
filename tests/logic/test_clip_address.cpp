// Clip addresses in a player's markup: read against the page's address, only the servers
// of clip schemes played, and the extension that tells a clip's format.
#include <gtest/gtest.h>

#include <string>

#include "core/media/clip_address.h"

namespace lorvex {
namespace {

constexpr const char* kPage = "http://127.0.0.1:8042/33/playwmv.asp?id=1024&g=x";
TEST(ClipAddressTest, ResolveReference) {
    // RFC 3986's own examples (section 5.4), then what pages write.
    const char* base = "http://a/b/c/d;p?q";
    const struct {
        const char* base;
        const char* reference;
        const char* expected;
    } cases[] = {
        {base, "g", "http://a/b/c/g"},
        {base, "./g", "http://a/b/c/g"},
        {base, "g/", "http://a/b/c/g/"},
        {base, "/g", "http://a/g"},
        {base, "//g", "http://g/"},
        {base, "?y", "http://a/b/c/d;p?y"},
        {base, "g?y#s", "http://a/b/c/g?y#s"},
        {base, "#s", "http://a/b/c/d;p?q#s"},
        {base, "", "http://a/b/c/d;p?q"},
        {base, ".", "http://a/b/c/"},
        {base, "..", "http://a/b/"},
        {base, "../..", "http://a/"},
        {base, "../../../g", "http://a/g"},
        {base, "/./g/.", "http://a/g/"},
        {base, "g;x=1/../y", "http://a/b/c/y"},
        {base, "g..", "http://a/b/c/g.."},
        {base, "http:g", "http://a/b/c/g"},  // same scheme, no host: relative, as browsers read it
        {base, "g:h", "g:h"},
        {base, "https:g", "https:g"},  // another scheme: absolute
        {kPage, "media/1024.wmv", "http://127.0.0.1:8042/33/media/1024.wmv"},
        {kPage, " ..\\Media\\a b.WMV \n", "http://127.0.0.1:8042/Media/a%20b.WMV"},
        {kPage, "HTTP://Cdn.Example:80/Clip.wmv?A=B", "http://cdn.example:80/Clip.wmv?A=B"},
        {kPage, "mms://Media.Example", "mms://media.example/"},
        {kPage, "歌.wmv?x=%BA%A3&y=%zz", "http://127.0.0.1:8042/33/%E6%AD%8C.wmv?x=%BA%A3&y=%25zz"},
        {kPage, "\xBA\xA3.rm", "http://127.0.0.1:8042/33/%BA%A3.rm"},  // GBK bytes as given
        {kPage, "a\t.w\nmv", "http://127.0.0.1:8042/33/a.wmv"},
        // "\" reads as "/" only before the query and the fragment.
        {kPage, "a.wmv#x\\y", "http://127.0.0.1:8042/33/a.wmv#x%5Cy"},
        // Found by fuzzing: an address read again stays as it is.
        {"http://a/b/./c?q", "#f", "http://a/b/c?q#f"},
        {base, "//H%41x.Example/%zz", "http://h%41x.example/%25zz"},
        {base, "//H%4Ax.Example/", "http://h%4Ax.example/"},
        {"http:/.//h/a", "b", "http:/.//h/b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResolveReference(c.base, c.reference), c.expected) << c.reference;
    }
    EXPECT_EQ(ResolveReference("media/", "a.wmv"), std::nullopt);  // no base to read against
}

TEST(ClipAddressTest, OnlyServersOfClipSchemesArePlayed) {
    const struct {
        const char* reference;
        std::optional<std::string> expected;
    } cases[] = {
        {"rtsp://s.example/a.rm", "rtsp://s.example/a.rm"},
        {"pnm://s.example/a.ra", "pnm://s.example/a.ra"},
        {"//cdn.example/a.rm", "http://cdn.example/a.rm"},
        {"https://s.example/a.wmv", "https://s.example/a.wmv"},
        {"javascript:alert(1)//a.wmv", std::nullopt},
        {" JavaScript:void(0)", std::nullopt},
        {"file:///c:/a.wmv", std::nullopt},
        {"C:\\music\\a.wmv", std::nullopt},
        {"data:video/x-ms-wmv;base64,AAAA", std::nullopt},
        {"about:blank", std::nullopt},
        {"http:///a.wmv", std::nullopt},  // no server
        {"http://:8080/a.wmv", std::nullopt},
        {"  ", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResolveClipAddress(kPage, c.reference), c.expected) << c.reference;
    }
}

TEST(ClipAddressTest, Extension) {
    const std::pair<const char*, const char*> cases[] = {
        {"clip.WMV?x=1.asx", ".wmv"}, {"http://h/a.rm#x.ram", ".rm"},
        {"http://h/d.v1/clip", ""},   {"http://h.example", ""},
        {"http://h/a.", ""},          {"a.tar.RmVb", ".rmvb"},
    };
    for (const auto& [address, expected] : cases) {
        EXPECT_EQ(AddressExtension(address), expected) << address;
    }
}

}  // namespace
}  // namespace lorvex
