// Every GB2312 character, and every pair of them whose GBK bytes also read as UTF-8, must
// come back unchanged through each road a song name travels: Navigate and the address the
// engine then shows, the search address, the collected line and the favourites file, and
// the links of the library page.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/favourites/favourites_file.h"
#include "core/portal/addresses.h"
#include "core/portal/location.h"
#include "core/text/text_codec.h"
#include "core/written/pages.h"
#include "gb18030_converter.h"

namespace lorvex {
namespace {

constexpr std::string_view kExampleOrigin = "http://portal.example";

struct Character {
    std::string gbk;
    std::string utf8;
};

// Rows A1..F7, cells A1..FE, less the codes that name no GB2312 character.
const std::vector<Character>& Gb2312() {
    static const std::vector<Character> all = [] {
        std::vector<Character> chars;
        for (int row = 0xA1; row <= 0xF7; ++row) {
            for (int cell = 0xA1; cell <= 0xFE; ++cell) {
                const std::string gbk{static_cast<char>(row), static_cast<char>(cell)};
                std::string utf8;
                // GB18030 gives the codes GB2312 leaves empty to private-use characters.
                if (!DecodeGb18030Sequence(gbk, utf8)) continue;
                const char32_t cp = Utf8ToCodePoints(utf8).front();
                if (cp >= 0xE000 && cp <= 0xF8FF) continue;
                chars.push_back({gbk, utf8});
            }
        }
        return chars;
    }();
    return all;
}

// The address as the engine holds it after a gb2312 page or Navigate sent it.
std::string Sent(std::string_view address) { return EncodeAddressForPortal(address); }

// Each href of a library row: the page is gb2312, so its links go out GBK-escaped.
std::vector<std::string> Links(const std::string& row) {
    std::vector<std::string> links;
    for (std::size_t at = row.find("href='"); at != std::string::npos;
         at = row.find("href='", at + 1)) {
        const std::size_t start = at + 6;
        links.push_back(row.substr(start, row.find('\'', start) - start));
    }
    return links;
}

TEST(Gb2312RoundTrip, EveryCharacterOnEveryRoad) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    ASSERT_GE(Gb2312().size(), 7445u);  // and the few GBK added in those rows
    const LibraryPage page(MakePortalAddresses(kExampleOrigin));
    const std::string base = std::string(kExampleOrigin) + "/33/";
    std::string expectedFile;
    std::vector<std::string> lines;
    for (const Character& c : Gb2312()) {
        SCOPED_TRACE(c.utf8);
        const std::string player = base + "playwmv.asp?id=88&g=" + c.utf8 + "&c=" + c.utf8;
        ASSERT_EQ(PresentLocation(Sent(player)), player);
        ASSERT_EQ(PresentLocation(SearchAddress(MakePortalAddresses(kExampleOrigin), c.utf8)),
                  base + "search.asp?keyword=" + c.utf8);

        const std::string line =
            CollectLine(PresentLocation(Sent(player)), MakePortalAddresses(kExampleOrigin));
        ASSERT_EQ(line, "$$DD88&g=" + c.utf8 + "&c=" + c.utf8);
        lines.push_back(line);
        expectedFile += "$$DD88&g=" + c.gbk + "&c=" + c.gbk + "\r\n";

        const FavouriteRecord record = ParseFavouriteLine(line);
        ASSERT_EQ(record.GN, c.utf8);
        const std::vector<std::string> links = Links(page.RowPieces(record)[1]);
        ASSERT_EQ(links.size(), 3u);
        for (const std::string& link : links) ASSERT_EQ(PresentLocation(Sent(link)), link);
        ASSERT_EQ(links[2], base + "search.asp?keyword=" + c.utf8);
    }

    // The favourites file holds the GBK bytes and reads back the same lines.
    const std::string path =
        (std::filesystem::temp_directory_path() / "lorvex-gb2312-round-trip.ini").string();
    std::filesystem::remove(path);
    for (const std::string& line : lines) AppendFavourite(path, line);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::string bytes(expectedFile.size() + 1, '\0');
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
    EXPECT_EQ(bytes, expectedFile);
    std::vector<std::string> readBack;
    ReadFavourites(path, [&](std::string_view line) { readBack.emplace_back(line); });
    EXPECT_EQ(readBack, lines);
    std::filesystem::remove(path);
}

// Pairs whose four GBK bytes are valid UTF-8 (two two-byte sequences, or one four-byte
// sequence) once read as UTF-8 and corrupted collected names.
TEST(Gb2312RoundTrip, EveryPairThatIsAlsoUtf8) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    std::vector<const Character*> firsts;
    std::vector<const Character*> seconds;
    for (const Character& c : Gb2312()) {
        const auto lead = static_cast<unsigned char>(c.gbk[0]);
        if (IsValidUtf8(c.gbk) || (lead >= 0xF0 && lead <= 0xF4)) firsts.push_back(&c);
        if (IsValidUtf8(c.gbk) || lead <= 0xBF) seconds.push_back(&c);
    }
    std::size_t pairs = 0;
    for (const Character* a : firsts) {
        for (const Character* b : seconds) {
            if (!IsValidUtf8(a->gbk + b->gbk)) continue;
            ++pairs;
            const std::string query = "?g=" + a->utf8 + b->utf8;
            ASSERT_EQ(PresentLocation(Sent(query)), query) << a->utf8 << b->utf8;
        }
    }
    EXPECT_GT(pairs, 900000u);
}

}  // namespace
}  // namespace lorvex
