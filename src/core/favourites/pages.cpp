#include "core/favourites/pages.h"

#include <algorithm>
#include <array>
#include <utility>

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

std::string RowValue(std::string_view value) {
    std::string out;
    out.reserve(value.size() + value.size() / 8);
    AppendRowValue(out, value);
    return out;
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

void LibraryPage::AppendRow(std::string& out, const std::vector<std::string>& literals,
                            const RowValues& values) const {
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        out += literals[i];
        if (parts_[i].field != Field::None) {
            out += values[static_cast<std::size_t>(parts_[i].field) - 1];
        }
    }
}

std::vector<std::string> LibraryPage::RowPieces(const FavouriteRecord& record) const {
    const RowValues values = {RowValue(record.ID), RowValue(record.GN), RowValue(record.GS)};
    std::vector<std::string> literals;
    for (const TemplatePart& part : parts_) literals.push_back(part.literal);
    std::string row;
    row.reserve(template_.size() + 2 * (values[0].size() + values[1].size() + values[2].size()));
    AppendRow(row, literals, values);
    return {std::string(kRowStart), std::move(row), std::string(kRowEnd)};
}

std::string LibraryPage::Document(std::string_view favouritesText) const {
    const std::string head = JoinedGb18030(HeadPieces());
    const std::string end = JoinedGb18030(EndPieces());
    const std::string rowStart = Utf8ToGb18030(kRowStart);
    const std::string rowEnd = Utf8ToGb18030(kRowEnd);
    std::vector<std::string> literals;  // the template's text between the values, encoded
    std::size_t templateBytes = rowStart.size() + rowEnd.size();
    for (const TemplatePart& part : parts_) {
        literals.push_back(Utf8ToGb18030(part.literal));
        templateBytes += literals.back().size();
    }
    const auto lines = static_cast<std::size_t>(
        std::count(favouritesText.begin(), favouritesText.end(), '\n') + 1);
    // Each value appears at most twice in a row; escapes may still make it grow.
    std::string page;
    page.reserve(head.size() + end.size() + lines * templateBytes + 2 * favouritesText.size());
    page += head;
    // One row's values, escaped and encoded once each although the template has each twice.
    std::string value;
    RowValues encoded;
    ForEachFavouriteLine(favouritesText, [&](std::string_view line) {
        if (!LineMakesRow(line)) return;
        const FavouriteRecord record = ParseFavouriteLine(line);
        const std::array<const std::string*, 3> fields = {&record.ID, &record.GN, &record.GS};
        for (std::size_t i = 0; i < fields.size(); ++i) {
            value.clear();
            AppendRowValue(value, *fields[i]);
            encoded[i].clear();
            AppendGb18030(encoded[i], value);
        }
        page += rowStart;
        AppendRow(page, literals, encoded);
        page += rowEnd;
    });
    page += end;
    return page;
}

std::vector<std::string> LibraryPage::EndPieces() const {
    return {
        "      <tr bgcolor=#6699CC>     <td colspan=2 valign=middle height=1></td>  </tr>",
        "</table></BODY></HTML>",
    };
}

}  // namespace lorvex
