// Every address the client uses, in one table built once from the portal origin: the
// portal's pages, the outside forum board, the song search address, and the rules that
// read the main view's address (collect enabled, idle page).
#pragma once

#include <string>
#include <string_view>

namespace lorvex {

struct PortalAddresses {
    std::string origin;      // scheme and host, no trailing slash
    std::string folder;      // origin + "/33/": where the pages the views load live
    std::string idle;        // origin + "/33/disp.asp": the main view's idle page
    std::string categories;  // origin + "/33/fl.htm": the side column's category page
    std::string about;       // origin + "/33/about.htm"
    std::string search;      // origin + "/33/search.asp?keyword=" (the keyword follows)
    std::string player;      // origin + "/33/mtvplayer.asp?id=" (the song id follows)
    std::string searchIcon;  // origin + "/33/58.gif"
    std::string styleSheet;  // origin + "/33/mtv.css"
    std::string home;        // origin + "/html/index.htm"  (system browser)
    std::string movie;       // origin + "/html/movie.htm"  (system browser)
    std::string animation;   // origin + "/html/donghua.htm" (system browser)
    std::string ringtone;    // origin + "/html/cai0.htm"   (system browser)
    std::string forum;       // the product's board on the outside forum (system browser)
};

// The board's name on the forum.
inline constexpr std::string_view kForumBoardName = "Lorvex";

// The table for a portal origin and a forum origin (both scheme and host, no trailing
// slash). The board name goes into the forum address GB2312-percent-encoded wherever it
// has characters outside ASCII.
PortalAddresses MakePortalAddresses(std::string_view portalOrigin,
                                    std::string_view forumOrigin = {});

// The forum board address: forumOrigin + "/f?ct=&tn=&rn=&pn=&lm=&kw=<board>&rs2=0&
// myselectvalue=1&word=<board>&tb=on".
std::string ForumAddress(std::string_view forumOrigin, std::string_view boardUtf8);

// The search address for a keyword as typed (UTF-8). The keyword is a query value:
// ASCII letters, digits and "-._~!$'()*,;:@/" stay as they are; every other ASCII
// character (space, "&", "#", "%", "+", "?", "=", controls, ...) is percent-escaped, and
// every non-ASCII character is sent as GBK (GB18030) percent-escapes. Nothing is trimmed.
std::string SearchAddress(const PortalAddresses& addresses, std::string_view keywordUtf8);

// Percent-escapes a query value as SearchAddress does (upper-case hex).
std::string EscapeQueryValue(std::string_view valueUtf8);

// The collect button is enabled exactly when the main view's address holds no ".htm"
// (case-sensitive, anywhere, also inside a query).
bool CollectEnabledFor(std::string_view location);

// The main view is idle, with no song to collect, when its address holds "disp.asp"
// (case-sensitive, anywhere, also inside a query).
bool IsIdleLocation(std::string_view location);

}  // namespace lorvex
