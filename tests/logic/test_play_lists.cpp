// Play lists: which bodies are lists, and the clips they list, in order, from good and bad
// .asx, .ram and .m3u files.
#include <gtest/gtest.h>

#include <string>

#include "core/media/play_lists.h"

namespace lorvex {
namespace {

using F = PlayListFormat;

constexpr std::string_view kAsfHeader("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9", 10);

TEST(PlayListTest, Detect) {
    const struct {
        const char* address;
        const char* type;
        std::string head;
        PlayListFormat expected;
    } cases[] = {
        {"http://h/a.asx", "", "<ASX version=\"3.0\">", F::Asx},
        {"http://h/a.wmv", "video/x-ms-asf", "\xEF\xBB\xBF\r\n<?xml?>\n<Asx>", F::Asx},
        {"http://h/a.asx", "video/x-ms-asf", std::string(kAsfHeader), F::None},  // a clip after all
        {"http://h/a.ram", "", std::string(".RMF\0\0\0\x12", 8), F::None},
        {"http://h/a.asf", "video/x-ms-asf", "[Reference]\r\nRef1=http://h/a.asf\r\n", F::Asx},
        {"http://h/a.ram", "", "", F::Ram},
        {"http://h/a.RPM?x=1", "text/plain", "http://h/a.rm", F::Ram},
        {"http://h/a.rm", "audio/x-pn-realaudio", "rtsp://h/a.rm\n", F::Ram},
        {"http://h/a.rm", "application/octet-stream", "# list\r\nhttp://h/a.rm\r\n", F::Ram},
        {"http://h/list", "audio/x-mpegurl; charset=gbk", "a.mp3", F::M3u},
        {"http://h/a.txt", "text/plain", " #EXTM3U\n", F::M3u},
        {"http://h/a.wvx", "", "", F::Asx},
        {"http://h/a.wmv", "video/x-ms-wmv", "", F::None},
        {"http://h/a.asp", "text/html", "<html><body>", F::None},
        {"http://h/a.wmv", "", "text that is no list", F::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DetectPlayList(c.address, c.type, c.head), c.expected)
            << c.address << " " << c.head;
    }
}

// The entries in one line: the addresses of each (alternatives after " "), a nested list
// as "->address", a title in brackets; entries separated by ", ".
std::string Describe(const PlayList& list) {
    std::string out;
    for (const PlayListEntry& entry : list.entries) {
        if (!out.empty()) out += ", ";
        if (entry.nestedList) out += "->";
        for (std::size_t i = 0; i < entry.addresses.size(); ++i) {
            out += (i > 0 ? " " : "") + entry.addresses[i];
        }
        if (!entry.title.empty()) out += " [" + entry.title + "]";
    }
    return out;
}

TEST(PlayListTest, Parse) {
    const struct {
        const char* what;
        PlayListFormat format;
        std::string body;
        bool nested;
        std::string entries;
        std::string_view error;
        std::size_t notices;
    } cases[] = {
        {"asx: entries, alternatives, titles, any case",
         F::Asx,
         "<ASX version=\"3.0\"><Title>列表</Title>\r\n<Entry><TITLE>第一首 &amp; 二</TITLE>"
         "<Ref HREF = \"a.wmv\" /><ref href='mms://m.example/a.wmv'/></Entry>\n"
         "<entry><ref href=\"../b.wmv\"></entry></asx>",
         false,
         "http://h/d/a.wmv mms://m.example/a.wmv [第一首 & 二], http://h/b.wmv",
         {},
         0},
        {"asx: entities, unquoted values, comments",
         F::Asx,
         "<asx><!-- <ref href=\"x.wmv\"/> --><entry><ref href=clip.asp?id=1&amp;g=%BA%A3></entry>"
         "<entry><ref href=\"&#x2F;c.wmv\"/></entry></asx>",
         false,
         "http://h/d/clip.asp?id=1&g=%BA%A3, http://h/c.wmv",
         {},
         0},
        {"asx: entryref in its place",
         F::Asx,
         "<asx><entry><ref href=\"a.wmv\"/></entry><EntryRef href=\"more.asx\"/>"
         "<entry><ref href=\"b.wmv\"/></entry></asx>",
         false,
         "http://h/d/a.wmv, ->http://h/d/more.asx, http://h/d/b.wmv",
         {},
         0},
        {"asx: entryref one level only",
         F::Asx,
         "<asx><entryref href=\"more.asx\"/><entry><ref href=\"a.wmv\"/></entry></asx>",
         true,
         "http://h/d/a.wmv",
         {},
         1},
        {"asx: base, refs outside entries",
         F::Asx,
         "<asx><base href=\"http://cdn.example/x/\"/><ref href=\"a.wmv\"/><ref href=\"b.wmv\"/>",
         false,
         "http://cdn.example/x/a.wmv, http://cdn.example/x/b.wmv",
         {},
         0},
        {"asx: cut off inside a tag",
         F::Asx,
         "<asx><entry><ref href=\"a.wmv\"/><ref href=\"b",
         false,
         "http://h/d/a.wmv http://h/d/b",
         {},
         0},
        {"asx: open entry ended by the next",
         F::Asx,
         "<asx><entry><ref href=a.wmv><entry><ref href=b.wmv></asx>",
         false,
         "http://h/d/a.wmv, http://h/d/b.wmv",
         {},
         0},
        {"asx: scripts and files are no clips", F::Asx,
         "<ASX><Entry><Ref href=\"javascript:alert(1)\"/><Ref "
         "href=\"file:///a.wmv\"/></Entry></ASX>",
         false, "", kEmptyPlayListMessage, 2},
        {"asx: an error page", F::Asx, "<html><body>404 Not Found</body></html>", false, "",
         kBadPlayListMessage, 0},
        {"asx: a reference file",
         F::Asx,
         "[Reference]\r\nRef1=http://h/a.asf?MSWMExt=.asf\r\nRef2=mms://h/a.asf\r\n",
         false,
         "http://h/a.asf?MSWMExt=.asf, mms://h/a.asf",
         {},
         0},
        {"asx: plain address lines", F::Asx, "http://h/a.wmv\r\n", false, "http://h/a.wmv", {}, 0},
        {"asx: text that is no list", F::Asx, "hello", false, "", kBadPlayListMessage, 0},
        {"asx: empty", F::Asx, "", false, "", kBadPlayListMessage, 0},
        {"ram: comments, blank lines, --stop--",
         F::Ram,
         "# 歌曲\r\nhttp://h/a.rm\r\n\r\n  b.rm?title=B  \r\n--stop--\r\nhttp://h/c.rm\r\n",
         false,
         "http://h/a.rm, http://h/d/b.rm?title=B",
         {},
         0},
        {"ram: streaming line with an http form",
         F::Ram,
         "rtsp://s.example/media/a.rm\nhttp://h/a.rm\n",
         false,
         "http://h/a.rm",
         {},
         0},
        {"ram: streaming lines only", F::Ram, "rtsp://s.example/a.rm\npnm://s.example/b.ra\n",
         false, "", kStreamingOnlyMessage, 2},
        {"ram: empty", F::Ram, "\r\n# nothing\r\n", false, "", kEmptyPlayListMessage, 0},
        {"m3u: titles and relative entries",
         F::M3u,
         "#EXTM3U\n#EXTINF:123,歌 - 手\nsongs/a.wma\n#EXTINF:-1\n# note\nhttp://x.example/b.mp3\n",
         false,
         "http://h/d/songs/a.wma [歌 - 手], http://x.example/b.mp3",
         {},
         0},
        {"m3u: local files",
         F::M3u,
         "/home/user/a.mp3\nfile:///etc/passwd\nC:\\a.wma\n",
         false,
         "http://h/home/user/a.mp3",
         {},
         2},
        {"no format", F::None, "http://h/a.wmv", false, "", kBadPlayListMessage, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const PlayList list = ParsePlayList(c.format, c.body, "http://h/d/list", c.nested);
        EXPECT_EQ(Describe(list), c.entries);
        EXPECT_EQ(list.error, c.error);
        EXPECT_EQ(list.notices.size(), c.notices);
    }
}

TEST(PlayListTest, LongListsStopAtTheLimit) {
    std::string body;
    for (std::size_t i = 0; i < kMaxPlayListEntries + 5; ++i) body += "http://h/a.rm\n";
    const PlayList list = ParsePlayList(F::Ram, body, "http://h/l.ram");
    EXPECT_EQ(list.entries.size(), kMaxPlayListEntries);
    EXPECT_EQ(list.notices.size(), 1u);
}

TEST(PlayListTest, NestedListsTakeTheirEntrysPlace) {
    PlayList list = ParsePlayList(
        F::Asx, "<asx><entryref href=\"more.asx\"/><entry><ref href=\"z.wmv\"/></entry></asx>",
        "http://h/d/list.asx");
    const PlayList inner =
        ParsePlayList(F::Asx,
                      "<asx><entry><ref href=\"a.wmv\"/></entry><entryref href=\"deep.asx\"/>"
                      "<entry><ref href=\"b.wmv\"/></entry></asx>",
                      "http://h/e/more.asx", true);
    SpliceNestedList(list, 0, inner);
    EXPECT_EQ(Describe(list), "http://h/e/a.wmv, http://h/e/b.wmv, http://h/d/z.wmv");
    EXPECT_EQ(list.notices.size(), 1u);  // deep.asx
    EXPECT_EQ(list.error, "");

    // A nested list that could not be had leaves nothing in its place.
    PlayList only = ParsePlayList(F::Asx, "<asx><entryref href=\"more.asx\"/></asx>", "http://h/l");
    ASSERT_EQ(only.entries.size(), 1u);
    SpliceNestedList(only, 0, PlayList{});
    EXPECT_TRUE(only.entries.empty());
    EXPECT_EQ(only.error, kEmptyPlayListMessage);
}

}  // namespace
}  // namespace lorvex
