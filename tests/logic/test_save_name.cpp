#include <gtest/gtest.h>

#include <string>

#include "core/downloads/save_name.h"

namespace lorvex {
namespace {

TEST(SaveNameTest, OffersACleanLastComponent) {
    const std::string longStem(300, 'a');
    const std::string chinese250 = [] {
        std::string s;
        for (int i = 0; i < 100; ++i) s += "歌";  // 3 bytes each
        return s;
    }();
    const struct {
        const char* why;
        std::string suggested;
        std::string type;
        std::string expected;
    } cases[] = {
        {"a usual name", "海边的风.wmv", "", "海边的风.wmv"},
        {"download attribute with a folder", "no-such-folder/.bash_aliases", "", "bash_aliases"},
        {"Content-Disposition climbing out", "../.ssh/authorized_keys", "", "authorized_keys"},
        {"an absolute path", "/home/user/.profile", "", "profile"},
        {"Windows separators", "..\\..\\Startup\\run.bat", "", "run.bat"},
        {"right-to-left override", "歌曲\u202Ekcs.mp4", "", "歌曲kcs.mp4"},
        {"isolates and marks", "\u2067a\u200Fb\u2069\u200E.mp3", "", "ab.mp3"},
        {"embeddings", "\u202Ax\u202B\u202Cy\u202D.txt", "", "xy.txt"},
        {"controls", "a\tb\nc\x7F\u0085d.txt", "", "abcd.txt"},
        {"format characters", "\uFEFFso\u00ADng\u2060.mp4", "", "song.mp4"},
        {"line separators", "a\u2028b\u2029c", "", "abc"},
        {"dots and spaces at the ends", " . .hidden. . ", "", "hidden"},
        {"wide spaces at the ends", "\u3000名字\u3000", "", "名字"},
        {"inner dots and spaces stay", "a b..c d.mp4", "", "a b..c d.mp4"},
        {"Windows-reserved characters", "a<b>c:d\"e|f?g*h.txt", "", "a_b_c_d_e_f_g_h.txt"},
        {"device name", "con", "", "_con"},
        {"device name with extension", "LPT1.txt", "", "_LPT1.txt"},
        {"device name with spaces", "NUL .mp3", "", "_NUL .mp3"},
        {"not a device name", "CONSOLE.txt", "", "CONSOLE.txt"},
        {"COM0 is a name", "COM0", "", "COM0"},
        {"long name keeps its extension", longStem + ".mp4", "", std::string(196, 'a') + ".mp4"},
        {"long Chinese name cut at a character", chinese250 + ".wmv", "",
         [] {
             std::string s;
             for (int i = 0; i < 65; ++i) s += "歌";
             return s + ".wmv";
         }()},
        {"a long extension is part of the name", "x." + longStem, "", "x." + std::string(198, 'a')},
        {"nothing left: type's extension", "../..", "mp4", "下载.mp4"},
        {"only a folder", "folder/", "wmv", "下载.wmv"},
        {"empty, no type", "", "", "下载"},
        {"only controls", "\u202E\u200B\t", "mp3", "下载.mp3"},
        {"a hostile type extension", "", "../.x\u202E", "下载.x"},
        {"an overlong type extension", "", std::string(40, 'e'), "下载"},
        {"invalid bytes read as U+FFFD", "a\xFF.txt", "", "a\uFFFD.txt"},
    };
    for (const auto& c : cases) {
        const std::string cleaned = CleanSaveName(c.suggested, c.type);
        EXPECT_EQ(cleaned, c.expected) << c.why;
        EXPECT_EQ(CleanSaveName(cleaned, c.type), cleaned) << c.why << ": cleaned twice";
    }
}

TEST(SaveNameTest, LengthCountsTheFileSystemsEncoding) {
    std::string name;
    for (int i = 0; i < 150; ++i) name += "歌";
    // 150 characters: 450 bytes of UTF-8, 300 of UTF-16.
    EXPECT_EQ(CleanSaveName(name + ".mp4", "").size(), 3u * 65 + 4);
    const std::string utf16 = CleanSaveName(name + ".mp4", "", FileNameEncoding::Utf16);
    EXPECT_EQ(utf16.size(), 3u * 96 + 4);  // 96 characters of 2 bytes and 4 of 2: 200
}

}  // namespace
}  // namespace lorvex
