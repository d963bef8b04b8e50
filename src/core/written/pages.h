// The two pages the client writes into the side column: the confirmation of a collect
// and the library page of the collected songs. Each is a sequence of pieces, written one
// by one into the view's document in the order given here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/favourites/favourites_file.h"
#include "core/portal/addresses.h"

namespace lorvex {

// The eight pieces of the confirmation page.
const std::vector<std::string>& ConfirmationPagePieces();

// Escapes text for HTML content and attribute values: & < > " ' become entities.
std::string EscapeHtml(std::string_view text);

// Builds the library page for one portal.
class LibraryPage {
  public:
    explicit LibraryPage(const PortalAddresses& portal);

    // The page head and the start of the table: five pieces.
    std::vector<std::string> HeadPieces() const;

    // The three pieces of one record's row. Each value has "%20" turned into a space and
    // is then HTML-escaped; every placeholder of the row template is filled once, so a
    // value is never scanned for other placeholders. The template's own text stays as is.
    std::vector<std::string> RowPieces(const FavouriteRecord& record) const;

    // The separator row and the end of the page: two pieces.
    std::vector<std::string> EndPieces() const;

    // The whole page for a favourites text (UTF-8, as ReadFavouritesText gives it), in the
    // bytes the side column is served (GB18030): the head, a row for every line that makes
    // one, and the end, exactly as the pieces above joined and encoded. Built in one buffer
    // sized up front, with the template's bytes encoded once and only the values per row.
    std::string Document(std::string_view favouritesText) const;

    // The same page for the favourites file's bytes as stored (ReadFavouritesBytes): the
    // bytes Document(DecodeFavouritesText(fileBytes)) gives. A usual line in GB18030 that
    // reads back as it stands goes into its row without being decoded and encoded again;
    // other lines, and files with a byte-order mark, go through the decoded text.
    std::string DocumentOfFile(std::string_view fileBytes) const;

    // The row template (both pieces joined), placeholders unfilled.
    const std::string& RowTemplate() const { return template_; }

    // Whether a line yields a row: every line does except an empty one.
    static bool LineMakesRow(std::string_view line) { return !line.empty(); }

  private:
    // The row template cut at its placeholders: literal text, then the field that follows
    // it (none after the last literal), so filling a row is one pass over the pieces.
    enum class Field { None, ID, GN, GS };  // the values' order in a row (after None)
    struct TemplatePart {
        std::string literal;
        Field field = Field::None;
    };

    // Writes the page for `text` (the decoded text or the file's bytes): the head, then for
    // each line that makes a row, its values as `fillValues(line, values)` leaves them (ID,
    // GN, GS, ready for the page), then the end.
    template <typename FillValues>
    std::string Build(std::string_view text, FillValues fillValues) const;

    std::string styleSheet_;
    std::string template_;
    std::vector<TemplatePart> parts_;
};

// Titles and texts of the message boxes of the favourites commands.
inline constexpr std::string_view kEmptyLibraryMessage = "无收藏记录\n请收藏歌曲！";

}  // namespace lorvex
