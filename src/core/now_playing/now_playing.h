// What the desktop is told plays: the song of the main view's player page and the state of
// the page's player that played last, in the terms of the desktop's media controls
// (status, title, singer, length, what the controls may do). The players report their
// state here; the desktop's side reads one description back.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "core/media/playback.h"

namespace lorvex {

// The song a player page plays, from its address's g= (name) and c= (singer), read as the
// address bar and collect read them: non-ASCII escapes of the query as GB18030.
struct Song {
    std::string name;    // UTF-8; empty when the address has no g=
    std::string singer;  // UTF-8; empty when the address has no c=
};
Song SongOfPlayerPage(std::string_view address);

enum class NowPlayingStatus { Stopped, Playing, Paused };

// What the desktop asks of the player it follows.
enum class MediaCommand { Play, Pause, Stop, SetPosition, SetVolume };

// What one player of the page can do and where it is.
struct MediaReport {
    PlaybackState state = PlaybackState::Closed;
    long long durationMs = -1;  // -1: not known
    bool canSeek = false;
    int volume = -1;  // 0..100; -1: not known
};

// What the desktop shows: `present` false when the page has no player left.
struct NowPlaying {
    bool present = false;
    int player = -1;  // the player the desktop's commands go to
    NowPlayingStatus status = NowPlayingStatus::Stopped;
    Song song;
    std::string address;      // the player page's address
    long long lengthUs = -1;  // -1: not known
    bool canPlay = false;
    bool canPause = false;
    bool canSeek = false;
    int volume = -1;  // 0..100; -1: not known
};

bool operator==(const Song& a, const Song& b);
bool operator==(const NowPlaying& a, const NowPlaying& b);

NowPlayingStatus StatusOf(PlaybackState state);

// The players of the main view's current page, by any number their host gives them.
class NowPlayingModel {
  public:
    // A new page: no players, its address.
    void SetPage(std::string_view address);
    void Report(int player, const MediaReport& report);
    void Remove(int player);
    // No page, no players.
    void Clear();

    // The player the desktop follows: the one that last began to play; before any has
    // played, the first one offered.
    NowPlaying Describe() const;

  private:
    std::string address_;
    std::map<int, MediaReport> players_;
    std::optional<int> lastPlayed_;
    std::optional<int> first_;
};

}  // namespace lorvex
