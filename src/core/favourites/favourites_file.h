// The favourites file "lorvex.ini" in the user's documents folder: one collected song a
// line, GB18030 text, lines ending in CR LF. The client only ever appends to it; it is
// never truncated, rewritten or reordered.
#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/portal/addresses.h"

namespace lorvex {

inline constexpr std::string_view kFavouritesFileName = "lorvex.ini";

// The full path of the favourites file for a documents folder: folder + "/lorvex.ini" on
// POSIX, folder + "\lorvex.ini" on Windows. The separator is always inserted; the folder
// is not inspected for a trailing one.
std::string FavouritesFilePath(std::string_view documentsFolder);

// The line a collect stores for the main view's address (UTF-8): the portal's folder
// (origin + "/33/") removed, then "playwmv.asp?id=" and then "playrm.asp?id=" replaced by
// "$$DD"; each replacement case-sensitive and of every occurrence, nothing else changed.
std::string CollectLine(std::string_view address, const PortalAddresses& portal);

// One parsed line.
struct FavouriteRecord {
    std::string ID;  // the song's id
    std::string GN;  // the song's name (the address's g text)
    std::string GS;  // the singer (the address's c text)
    friend bool operator==(const FavouriteRecord&, const FavouriteRecord&) = default;
};

// Cuts a line (UTF-8) into ID, GN and GS by character positions: with Pg and Pc the
// 1-based positions of the first "&g=" and the first "&c=" (0 when absent) and L the
// line's length in characters, ID is the Pg - 5 characters from position 5, GN the
// Pc - Pg - 3 characters from Pg + 3, GS the last L - Pc - 2 characters. A count that
// comes out negative gives an empty field; a count past the end takes what is there.
FavouriteRecord ParseFavouriteLine(std::string_view lineUtf8);

// The three fields of a usual line, "$$DD<id>&g=<name>&c=<singer>" (ASCII first, both
// markers, "&c=" after "&g="), as parts of the line; nothing for any other line. The cut
// is made on bytes. For a line well-formed in UTF-8 or in GB18030 it is the cut
// ParseFavouriteLine makes by characters: the markers are ASCII, and neither encoding
// uses "&" inside a character. The caller checks the line is well-formed.
struct FavouriteFields {
    std::string_view ID;
    std::string_view GN;
    std::string_view GS;
};
std::optional<FavouriteFields> CutUsualFavouriteLine(std::string_view line);

struct FavouritesError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Whether something exists at the path (a file, or a folder of that name).
bool PathExists(const std::string& path);

// Appends one line (UTF-8, written in GB18030) and CR LF to the file, creating the file if
// it is absent. When the file's last line has no line end, CR LF is written first so the
// new line is not glued to it. One write per append; earlier bytes are never changed.
// Throws FavouritesError naming what failed and why.
void AppendFavourite(const std::string& path, std::string_view lineUtf8);

// Reads the file and calls `onLine` for each line (UTF-8, without its line end) in file
// order. Lines end at CR LF, LF or CR; a last line without a line end is still read; a
// final line end does not start another line. The text is decoded as
// DecodeFavouritesText does. Throws FavouritesError when the file cannot be read (absent,
// a folder, no permission).
void ReadFavourites(const std::string& path, const std::function<void(std::string_view)>& onLine);

// The file's whole text, decoded as ReadFavourites decodes it; same errors.
std::string ReadFavouritesText(const std::string& path);

// The file's bytes as they are stored, not decoded; same errors.
std::string ReadFavouritesBytes(const std::string& path);

// Calls `onLine` for each line of a favourites text, cut as ReadFavourites cuts them. The
// cut is the same on the file's GB18030 bytes: no character there holds a CR or LF byte.
template <typename OnLine>
void ForEachFavouriteLine(std::string_view text, OnLine&& onLine) {
    std::size_t start = 0;
    while (start < text.size()) {
        // A plain loop: find_first_of would look each byte up in the set of two.
        std::size_t end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
        onLine(text.substr(start, end - start));
        if (end == text.size()) return;
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
}

}  // namespace lorvex
