#include "core/written/pages.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "core/memory/huge_pages.h"
#include "core/text/text_codec.h"

namespace lorvex {

namespace {

constexpr std::string_view kIdPlaceholder = "<-ID->";
constexpr std::string_view kNamePlaceholder = "<-GN->";
constexpr std::string_view kSingerPlaceholder = "<-GS->";

// The library page's body: no context menu, no selecting, no dragging.
constexpr std::string_view kLibraryBodyTag =
    "<BODY  oncontextmenu='return false' onselectstart='return false' "
    "ondragstart='return false'  bgColor=#ffffff leftMargin=0 topMargin=0>";

constexpr std::string_view kRowStart = "<tr>     <td width=209 valign=middle>";
constexpr std::string_view kRowEnd = "</td>  </tr>";

// Appends text escaped for HTML: & < > " ' become entities. Runs without any are copied
// whole.
void AppendEscaped(std::string& out, std::string_view text) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::string_view entity;
        switch (text[i]) {
            case '&':
                entity = "&amp;";
                break;
            case '<':
                entity = "&lt;";
                break;
            case '>':
                entity = "&gt;";
                break;
            case '"':
                entity = "&quot;";
                break;
            case '\'':
                entity = "&#39;";
                break;
            default:
                continue;
        }
        out.append(text.substr(start, i - start));
        out.append(entity);
        start = i + 1;
    }
    out.append(text.substr(start));
}

// Appends a stored value as it goes into a row: "%20" from the address becomes a space, and
// the text is escaped so a name can never add markup to the page.
void AppendRowValue(std::string& out, std::string_view value) {
    std::size_t start = 0;
    for (std::size_t hit = value.find("%20"); hit != std::string_view::npos;
         hit = value.find("%20", start)) {
        AppendEscaped(out, value.substr(start, hit - start));
        out += ' ';
        start = hit + 3;
    }
    AppendEscaped(out, value.substr(start));
}

using RowValues = std::array<std::string, 3>;  // ID, GN, GS, ready for the page
constexpr std::size_t kNoValue = 3;            // a literal that no value follows

// Fills one row's values from a parsed UTF-8 line: "%20" made a space, escaped, encoded.
void EncodeRowValues(const FavouriteRecord& record, std::string& scratch, RowValues& values) {
    const std::array<const std::string*, 3> fields = {&record.ID, &record.GN, &record.GS};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        scratch.clear();
        AppendRowValue(scratch, *fields[i]);
        values[i].clear();
        AppendGb18030(values[i], scratch);
    }
}

// Appends one row: each literal of the template (already in the page's bytes), then the
// value of the field that follows it.
void AppendRow(std::string& out, const std::vector<std::string>& literals,
               const std::vector<std::size_t>& fields, const RowValues& values) {
    for (std::size_t i = 0; i < literals.size(); ++i) {
        out += literals[i];
        if (fields[i] != kNoValue) out += values[fields[i]];
    }
}

std::string JoinedGb18030(const std::vector<std::string>& pieces) {
    std::string out;
    for (const std::string& piece : pieces) AppendGb18030(out, piece);
    return out;
}

}  // namespace

const std::vector<std::string>& ConfirmationPagePieces() {
    static const std::vector<std::string> pieces = {
        "<html>",
        "<body>",
        "<B>",
        "已经收藏此曲<br>请看【曲库】<br>",
        "编辑曲库<br>请看【编辑】",
        "</B> ",
        "</body>",
        "</html>",
    };
    return pieces;
}

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    AppendEscaped(out, text);
    return out;
}

LibraryPage::LibraryPage(const PortalAddresses& portal) : styleSheet_(portal.styleSheet) {
    template_ = "  <font color=#FFFFFF><-ID-> <a href='" + portal.player +
                "<-ID->'  target='_blank'><-GN-></a>【<a href='" + portal.search +
                "<-GS->'><-GS-></a>】</font></td>" +
                "    <td width=25>       <div align=center><a href='" + portal.search +
                "<-GN->'><img src='" + portal.searchIcon +
                "' width=20 height=20 border=0></a></div>";

    // Cut the template at each placeholder, always taking the earliest one next.
    const std::array<std::pair<std::string_view, Field>, 3> placeholders = {{
        {kIdPlaceholder, Field::ID},
        {kNamePlaceholder, Field::GN},
        {kSingerPlaceholder, Field::GS},
    }};
    std::size_t start = 0;
    while (true) {
        std::size_t hit = std::string::npos;
        Field field = Field::None;
        std::size_t length = 0;
        for (const auto& [text, which] : placeholders) {
            const std::size_t at = template_.find(text, start);
            if (at < hit) {
                hit = at;
                field = which;
                length = text.size();
            }
        }
        parts_.push_back({template_.substr(start, hit - start), field});
        if (hit == std::string::npos) break;
        start = hit + length;
    }
}

std::vector<std::string> LibraryPage::HeadPieces() const {
    return {
        "<HTML><HEAD><META http-equiv=Content-Type content=text/html; charset=gb2312>",
        "<META content=MSHTML 6.00.2900.2627 name=GENERATOR>",
        "<LINK href=" + styleSheet_ + " type=text/css rel=Stylesheet></HEAD>",
        std::string(kLibraryBodyTag),
        "<table  border=0 cellspacing=2 cellpadding=0 align=center>",
    };
}

std::vector<std::string> LibraryPage::RowPieces(const FavouriteRecord& record) const {
    std::string row;
    for (const TemplatePart& part : parts_) {
        row += part.literal;
        switch (part.field) {
            case Field::ID:
                AppendRowValue(row, record.ID);
                break;
            case Field::GN:
                AppendRowValue(row, record.GN);
                break;
            case Field::GS:
                AppendRowValue(row, record.GS);
                break;
            case Field::None:
                break;
        }
    }
    return {std::string(kRowStart), std::move(row), std::string(kRowEnd)};
}

template <typename FillValues>
std::string LibraryPage::Build(std::string_view text, FillValues fillValues) const {
    const std::string head = JoinedGb18030(HeadPieces());
    const std::string end = JoinedGb18030(EndPieces());
    // The template's text between the values, encoded, with the row's start and end joined
    // to its first and last literal; and the value that follows each (none: past the end).
    std::vector<std::string> literals;
    std::vector<std::size_t> fields;
    std::size_t rowBytes = 0;
    for (const TemplatePart& part : parts_) {
        literals.push_back(Utf8ToGb18030(part.literal));
        fields.push_back(part.field == Field::None ? kNoValue
                                                   : static_cast<std::size_t>(part.field) - 1);
    }
    literals.front().insert(0, Utf8ToGb18030(kRowStart));
    literals.back() += Utf8ToGb18030(kRowEnd);
    for (const std::string& literal : literals) rowBytes += literal.size();

    const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n') + 1);
    // Each value appears at most twice in a row; escapes may still make it grow.
    std::string page;
    page.reserve(head.size() + end.size() + lines * rowBytes + 2 * text.size());
    // A large library's page is tens of megabytes written once: in small pages, the faults
    // of the fresh memory took about half of its time.
    PreferHugePages(page.data(), page.capacity());
    page += head;
    RowValues values;
    ForEachFavouriteLine(text, [&](std::string_view line) {
        if (!LineMakesRow(line)) return;
        fillValues(line, values);
        AppendRow(page, literals, fields, values);
    });
    page += end;
    return page;
}

std::string LibraryPage::Document(std::string_view favouritesText) const {
    std::string scratch;
    return Build(favouritesText, [&](std::string_view line, RowValues& values) {
        EncodeRowValues(ParseFavouriteLine(line), scratch, values);
    });
}

std::string LibraryPage::DocumentOfFile(std::string_view fileBytes) const {
    if (HasByteOrderMark(fileBytes)) return Document(DecodeFavouritesText(fileBytes));
    std::string scratch;
    return Build(fileBytes, [&](std::string_view line, RowValues& values) {
        const std::optional<FavouriteFields> fields = CutUsualFavouriteLine(line);
        if (!fields || !IsStableGb18030(line)) {
            // No character holds a CR or LF byte, and bytes that do not decode never take
            // an ASCII byte with them: the line decodes as it did within the whole text.
            EncodeRowValues(ParseFavouriteLine(Gb18030ToUtf8(line)), scratch, values);
            return;
        }
        // The escapes and "%20" are ASCII, which GB18030 uses in no other character: the
        // line's own bytes are the values' bytes in the page.
        const std::array<std::string_view, 3> stored = {fields->ID, fields->GN, fields->GS};
        for (std::size_t i = 0; i < stored.size(); ++i) {
            values[i].clear();
            AppendRowValue(values[i], stored[i]);
        }
    });
}

std::vector<std::string> LibraryPage::EndPieces() const {
    return {
        "      <tr bgcolor=#6699CC>     <td colspan=2 valign=middle height=1></td>  </tr>",
        "</table></BODY></HTML>",
    };
}

}  // namespace lorvex
