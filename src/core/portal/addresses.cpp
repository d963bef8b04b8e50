#include "core/portal/addresses.h"

#include "core/portal/location.h"
#include "core/text/text_codec.h"

namespace lorvex {

namespace {

// Characters a query value may carry as they are: the unreserved ones and the
// sub-delimiters that do not end or split a query pair.
bool StaysInQueryValue(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
        return true;
    }
    constexpr std::string_view kKept = "-._~!$'()*,;:@/";
    return kKept.find(static_cast<char>(c)) != std::string_view::npos;
}

std::string Join(std::string_view origin, std::string_view path) {
    std::string address(origin);
    address += path;
    return address;
}

}  // namespace

PortalAddresses MakePortalAddresses(std::string_view portalOrigin, std::string_view forumOrigin) {
    PortalAddresses addresses;
    addresses.origin = std::string(portalOrigin);
    addresses.folder = Join(portalOrigin, "/33/");
    addresses.idle = Join(portalOrigin, "/33/disp.asp");
    addresses.categories = Join(portalOrigin, "/33/fl.htm");
    addresses.about = Join(portalOrigin, "/33/about.htm");
    addresses.search = Join(portalOrigin, "/33/search.asp?keyword=");
    addresses.player = Join(portalOrigin, "/33/mtvplayer.asp?id=");
    addresses.searchIcon = Join(portalOrigin, "/33/58.gif");
    addresses.styleSheet = Join(portalOrigin, "/33/mtv.css");
    addresses.home = Join(portalOrigin, "/html/index.htm");
    addresses.movie = Join(portalOrigin, "/html/movie.htm");
    addresses.animation = Join(portalOrigin, "/html/donghua.htm");
    addresses.ringtone = Join(portalOrigin, "/html/cai0.htm");
    addresses.forum = ForumAddress(forumOrigin, kForumBoardName);
    return addresses;
}

std::string ForumAddress(std::string_view forumOrigin, std::string_view boardUtf8) {
    // The forum reads its query in GBK, like the portal.
    const std::string board = EncodeAddressForPortal(boardUtf8);
    std::string address(forumOrigin);
    address += "/f?ct=&tn=&rn=&pn=&lm=&kw=";
    address += board;
    address += "&rs2=0&myselectvalue=1&word=";
    address += board;
    address += "&tb=on";
    return address;
}

std::string EscapeQueryValue(std::string_view valueUtf8) {
    std::string out;
    out.reserve(valueUtf8.size() * 3);
    std::size_t i = 0;
    while (i < valueUtf8.size()) {
        const auto c = static_cast<unsigned char>(valueUtf8[i]);
        if (c < 0x80) {
            if (StaysInQueryValue(c)) {
                out += static_cast<char>(c);
            } else {
                AppendPercentEscape(out, c);
            }
            ++i;
            continue;
        }
        // A run of non-ASCII bytes goes through the codec in one piece; ASCII bytes never
        // belong to a multi-byte character, so the run holds whole characters.
        std::size_t end = i;
        while (end < valueUtf8.size() && static_cast<unsigned char>(valueUtf8[end]) >= 0x80) {
            ++end;
        }
        for (const char byte : Utf8ToGb18030(valueUtf8.substr(i, end - i))) {
            AppendPercentEscape(out, static_cast<unsigned char>(byte));
        }
        i = end;
    }
    return out;
}

std::string SearchAddress(const PortalAddresses& addresses, std::string_view keywordUtf8) {
    return addresses.search + EscapeQueryValue(keywordUtf8);
}

bool CollectEnabledFor(std::string_view location) {
    return location.find(".htm") == std::string_view::npos;
}

bool IsIdleLocation(std::string_view location) {
    return location.find("disp.asp") != std::string_view::npos;
}

}  // namespace lorvex
