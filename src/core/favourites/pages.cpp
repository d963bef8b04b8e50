#include "core/favourites/pages.h"

#include <array>
#include <utility>

namespace lorvex {

namespace {

constexpr std::string_view kIdPlaceholder = "<-ID->";
constexpr std::string_view kNamePlaceholder = "<-GN->";
constexpr std::string_view kSingerPlaceholder = "<-GS->";

// The library page's body: no context menu, no selecting, no dragging.
constexpr std::string_view kLibraryBodyTag =
    "<BODY  oncontextmenu='return false' onselectstart='return false' "
    "ondragstart='return false'  bgColor=#ffffff leftMargin=0 topMargin=0>";

// A stored value as it goes into a row: "%20" from the address becomes a space, and the
// text is escaped so a name can never add markup to the page.
std::string RowValue(std::string_view value) {
    std::string spaced;
    spaced.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value.substr(i, 3) == "%20") {
            spaced += ' ';
            i += 2;
        } else {
            spaced += value[i];
        }
    }
    return EscapeHtml(spaced);
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
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
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
        if (hit == std::string::npos) {
            parts_.push_back({template_.substr(start), Field::None});
            break;
        }
        parts_.push_back({template_.substr(start, hit - start), field});
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
    const std::string id = RowValue(record.ID);
    const std::string name = RowValue(record.GN);
    const std::string singer = RowValue(record.GS);
    std::string row;
    row.reserve(template_.size() + 2 * (id.size() + name.size() + singer.size()));
    for (const TemplatePart& part : parts_) {
        row += part.literal;
        switch (part.field) {
            case Field::ID:
                row += id;
                break;
            case Field::GN:
                row += name;
                break;
            case Field::GS:
                row += singer;
                break;
            case Field::None:
                break;
        }
    }
    return {"<tr>     <td width=209 valign=middle>", std::move(row), "</td>  </tr>"};
}

std::vector<std::string> LibraryPage::EndPieces() const {
    return {
        "      <tr bgcolor=#6699CC>     <td colspan=2 valign=middle height=1></td>  </tr>",
        "</table></BODY></HTML>",
    };
}

}  // namespace lorvex
