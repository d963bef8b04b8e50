#include "core/favourites/favourites_file.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>

#include "core/favourites/favourites_file_io.h"
#include "core/text/text_codec.h"

namespace lorvex {

namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    if (from.empty()) return;
    std::string out;
    std::size_t start = 0;
    for (std::size_t hit = text.find(from); hit != std::string::npos;
         hit = text.find(from, start)) {
        out.append(text, start, hit - start);
        out.append(to);
        start = hit + from.size();
    }
    if (start == 0) return;  // nothing replaced
    out.append(text, start, std::string::npos);
    text = std::move(out);
}

// 1-based position of the first occurrence of `needle` in `line`, 0 when absent.
std::ptrdiff_t FindPosition(std::u32string_view line, std::u32string_view needle) {
    const std::size_t hit = line.find(needle);
    return hit == std::u32string_view::npos ? 0 : static_cast<std::ptrdiff_t>(hit) + 1;
}

// `count` characters from 1-based `start`; empty for a count of zero or less, and only
// what is there when the count runs past the end.
std::string Mid(std::u32string_view line, std::ptrdiff_t start, std::ptrdiff_t count) {
    if (count <= 0 || start < 1 || static_cast<std::size_t>(start) > line.size()) return {};
    return CodePointsToUtf8(
        line.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(count)));
}

// The last `count` characters; empty for zero or less, the whole line when past its length.
std::string Right(std::u32string_view line, std::ptrdiff_t count) {
    if (count <= 0) return {};
    const std::size_t n = std::min(line.size(), static_cast<std::size_t>(count));
    return CodePointsToUtf8(line.substr(line.size() - n));
}

}  // namespace

std::optional<FavouriteFields> CutUsualFavouriteLine(std::string_view line) {
    if (line.size() < 4) return std::nullopt;
    for (const char byte : line.substr(0, 4)) {
        if (static_cast<unsigned char>(byte) >= 0x80) return std::nullopt;
    }
    const std::size_t g = line.find("&g=");
    const std::size_t c = line.find("&c=");
    if (g == std::string_view::npos || c == std::string_view::npos || g < 4 || c < g + 3) {
        return std::nullopt;
    }
    return FavouriteFields{line.substr(4, g - 4), line.substr(g + 3, c - g - 3),
                           line.substr(c + 3)};
}

std::string FavouritesFilePath(std::string_view documentsFolder) {
#ifdef _WIN32
    constexpr char kSeparator = '\\';
#else
    constexpr char kSeparator = '/';
#endif
    std::string path(documentsFolder);
    path += kSeparator;
    path += kFavouritesFileName;
    return path;
}

std::string CollectLine(std::string_view address, const PortalAddresses& portal) {
    std::string line(address);
    ReplaceAll(line, portal.folder, "");
    ReplaceAll(line, "playwmv.asp?id=", "$$DD");
    ReplaceAll(line, "playrm.asp?id=", "$$DD");
    return line;
}

FavouriteRecord ParseFavouriteLine(std::string_view lineUtf8) {
    // The usual line is cut on its bytes; with four ASCII characters first, byte and
    // character positions agree where the cut starts.
    if (const std::optional<FavouriteFields> usual = CutUsualFavouriteLine(lineUtf8);
        usual && IsValidUtf8(lineUtf8)) {
        return {std::string(usual->ID), std::string(usual->GN), std::string(usual->GS)};
    }
    const std::u32string line = Utf8ToCodePoints(lineUtf8);
    const std::ptrdiff_t length = static_cast<std::ptrdiff_t>(line.size());
    const std::ptrdiff_t pg = FindPosition(line, U"&g=");
    const std::ptrdiff_t pc = FindPosition(line, U"&c=");
    FavouriteRecord record;
    record.ID = Mid(line, 5, pg - 5);
    record.GN = Mid(line, pg + 3, pc - pg - 3);
    record.GS = Right(line, length - pc - 2);
    return record;
}

void AppendFavourite(const std::string& path, std::string_view lineUtf8) {
    std::string data = Utf8ToGb18030(lineUtf8);
    data += "\r\n";
    AppendToRegularFile(path, std::move(data));
}

std::string ReadFavouritesText(const std::string& path) {
    return DecodeFavouritesText(ReadRegularFile(path));
}

std::string ReadFavouritesBytes(const std::string& path) { return ReadRegularFile(path); }

void ReadFavourites(const std::string& path, const std::function<void(std::string_view)>& onLine) {
    ForEachFavouriteLine(ReadFavouritesText(path), onLine);
}

}  // namespace lorvex
