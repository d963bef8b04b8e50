// What the play-list readers share, inside core/media only: the entry of each format's
// reader and the line reading that several of them use. The readers live a format in a
// file: the ASX reader (with the servers' "[Reference]" files) in play_list_asx.cpp, the
// line lists of RealPlayer and M3U in play_list_lines.cpp; PlayListBuilder
// (play_list_builder.h) collects the entries they find.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/media/ascii_text.h"
#include "core/media/play_lists.h"

namespace lorvex::play_lists {

class PlayListBuilder;

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && AsciiLowerCopy(text.substr(0, prefix.size())) == prefix;
}

// Calls `line` for each line (without its line break) while it returns true.
template <typename Visit>
void ForEachLine(std::string_view text, Visit&& line) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (!line(text.substr(0, end))) return;
        if (end == std::string_view::npos) return;
        text.remove_prefix(end + 1);
    }
}

// An .asx, .wax, .wvx or .wmx list, or a "[Reference]" file (play_list_asx.cpp).
PlayList ReadAsx(std::string_view body, std::string_view listAddress, bool nested);

// A .ram/.rpm list, or an .m3u one when `m3u` (play_list_lines.cpp): one address a line,
// "#" comments, M3U's #EXTINF titles.
void ReadAddressLines(std::string_view body, PlayListBuilder& list, bool m3u);

// A short text whose every line (but comments) is a clip address (play_list_lines.cpp).
bool IsAddressLines(std::string_view text);

}  // namespace lorvex::play_lists
