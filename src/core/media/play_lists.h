// Play lists that players are pointed at: Windows Media's .asx/.wax/.wvx (and the servers'
// "[Reference]" files), RealPlayer's .ram/.rpm and .m3u. What is a play list, and the clips
// it lists in the order they play.
//
// What is where: this header is all that callers use. play_lists.cpp tells lists from clips
// (DetectPlayList), hands a body to its format's reader and splices nested lists; the
// readers are a format in a file, play_list_asx.cpp (ASX and "[Reference]") and
// play_list_lines.cpp (RAM and M3U), declared in play_list_readers.h; PlayListBuilder
// (play_list_builder.h) collects what they read into a PlayList.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lorvex {

enum class PlayListFormat {
    None,  // a clip, not a play list
    Asx,   // .asx, .wax, .wvx, .wmx: XML (or a "[Reference]" file)
    Ram,   // .ram, .rpm: one address a line
    M3u,   // .m3u: one address a line, #EXTINF titles
};

// Whether a fetched body is a play list, and which: its first bytes decide where they say
// it clearly (an ASF or RealMedia header, binary bytes: a clip; "<asx", "[Reference]",
// "#EXTM3U": a play list), else the content type, else the address's extension, and last a
// short text whose every line is an address (a RealPlayer list served as a clip).
// `head`: the body's first bytes (a few hundred are enough; all of a play list is better).
PlayListFormat DetectPlayList(std::string_view address, std::string_view contentType,
                              std::string_view head);

struct PlayListEntry {
    // The clip's address, absolute, then its alternatives (an ASX entry's further <ref>s,
    // tried in order when one cannot be played).
    std::vector<std::string> addresses;
    std::string title;  // as the list gives it (#EXTINF, <title>); may be empty
    // An ASX <entryref>: a further play list at addresses[0], to be fetched and put in this
    // entry's place (SpliceNestedList). Lists are followed one level only.
    bool nestedList = false;
};

struct PlayList {
    std::vector<PlayListEntry> entries;  // in the order they play
    // What was left out and why (an address that cannot be played, an <entryref> inside a
    // nested list), for the log.
    std::vector<std::string> notices;
    // Not empty when nothing can be played: the text for the player's box.
    std::string error;
};

// At most this many entries are read from one list; the rest are left out with a notice.
inline constexpr std::size_t kMaxPlayListEntries = 1000;

// The entries of a play list fetched from `listAddress` (relative addresses are read
// against it). Bad markup is read as far as it goes. `nested`: the list came from an
// <entryref>, so its own <entryref>s are left out. Only http and https addresses are
// entries: rtsp:// and pnm:// lines are left out, with a notice when the list gives the
// same clip over http nowhere.
PlayList ParsePlayList(PlayListFormat format, std::string_view body, std::string_view listAddress,
                       bool nested = false);

// Puts the entries of `inner` (an <entryref>'s list, parsed with nested = true) in place of
// `list.entries[at]`, keeps the notices of both, and sets or clears `list.error` by whether
// anything is left to play.
void SpliceNestedList(PlayList& list, std::size_t at, const PlayList& inner);

// The texts for the player's box.
inline constexpr std::string_view kEmptyPlayListMessage = "播放列表中没有可以播放的曲目";
inline constexpr std::string_view kBadPlayListMessage = "播放列表格式有误，无法播放";
inline constexpr std::string_view kStreamingOnlyMessage =
    "播放列表只提供 rtsp:// 或 pnm:// 流媒体地址，本程序无法播放";

}  // namespace lorvex
