// Favourites file bytes -> lines -> records -> library page rows.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/favourites/favourites_file.h"
#include "core/text/text_codec.h"
#include "core/written/pages.h"
#include "fuzz_support.h"

namespace {

using namespace lorvex;

// The file the input is written to: one per fuzzing process, in memory where possible.
class ScratchFile {
  public:
    ScratchFile() {
        std::error_code error;
        std::filesystem::path folder = "/dev/shm";
        if (!std::filesystem::is_directory(folder, error)) {
            folder = std::filesystem::temp_directory_path();
        }
        path_ = (folder / ("lorvex-fuzz-" + std::to_string(::getpid()) + ".ini")).string();
    }
    ~ScratchFile() { std::remove(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& Write(std::string_view bytes) const {
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        FUZZ_REQUIRE(file != nullptr);
        FUZZ_REQUIRE(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
        std::fclose(file);
        return path_;
    }

  private:
    std::string path_;
};

// Characters that make markup; a value written into a row must add none of them.
std::size_t MarkupCount(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return c == '<' || c == '>' || c == '"' || c == '\'';
    }));
}

// Private-use characters: the system converter has no GB18030 code for a few of them (their
// old codes were given to standard characters), so those are written as U+FFFD.
bool HasPrivateUse(std::string_view utf8) {
    const std::u32string points = Utf8ToCodePoints(utf8);
    return std::any_of(points.begin(), points.end(),
                       [](char32_t cp) { return cp >= 0xE000 && cp <= 0xF8FF; });
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchFile scratch;
    static const LibraryPage page(MakePortalAddresses("http://127.0.0.1:8033"));
    static const std::size_t templateMarkup = MarkupCount(page.RowPieces({})[1]);

    const std::string_view bytes = fuzz::AsText(data, size);
    std::vector<std::string> lines;
    ReadFavourites(scratch.Write(bytes), [&](std::string_view line) { lines.emplace_back(line); });

    // The lines are the decoded text with its line ends taken out.
    std::string decoded = DecodeFavouritesText(bytes);
    std::erase_if(decoded, [](char c) { return c == '\r' || c == '\n'; });
    std::string joined;
    for (const std::string& line : lines) joined += line;
    FUZZ_REQUIRE(joined == decoded);
    // The page made from the stored bytes is the page of the decoded text.
    FUZZ_REQUIRE(page.DocumentOfFile(bytes) == page.Document(DecodeFavouritesText(bytes)));

    for (const std::string& line : lines) {
        FUZZ_REQUIRE(IsValidUtf8(line));
        FUZZ_REQUIRE(!Contains(line, "\r") && !Contains(line, "\n"));
        // What the collect button writes reads back unchanged.
        if (!HasPrivateUse(line)) FUZZ_REQUIRE(Gb18030ToUtf8(Utf8ToGb18030(line)) == line);

        const FavouriteRecord record = ParseFavouriteLine(line);
        for (const std::string* field : {&record.ID, &record.GN, &record.GS}) {
            FUZZ_REQUIRE(IsValidUtf8(*field));
            FUZZ_REQUIRE(Contains(line, *field));
        }
        if (!LibraryPage::LineMakesRow(line)) continue;
        const std::vector<std::string> row = page.RowPieces(record);
        FUZZ_REQUIRE(row.size() == 3);
        FUZZ_REQUIRE(IsValidUtf8(row[1]));
        FUZZ_REQUIRE(MarkupCount(row[1]) == templateMarkup);
    }
    return 0;
}
