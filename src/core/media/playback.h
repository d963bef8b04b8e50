// What a player tells the page and the user while it plays: the play state in the numbers
// each kind of player gave its page's scripts, and why a clip could not be played, in the
// words shown in the player's box.
#pragma once

#include <cstdint>
#include <string>

#include "core/media/players.h"

namespace lorvex {

enum class PlaybackState {
    Closed,      // no clip
    Connecting,  // asking the server, or between the entries of a play list
    Buffering,
    Ready,  // opened, not started (autoStart off)
    Playing,
    Paused,
    Stopped,
    Ended,  // the clip (or the last entry of its play list) played to its end
};

// The state as the page's scripts read it: Windows Media 7+'s playState (and the argument
// of PlayStateChange), Windows Media 6.4's PlayState, RealPlayer's GetPlayState().
int ScriptPlayState(PlayerKind kind, PlaybackState state);

enum class ClipFailure {
    Refused,         // the server refused it: HTTP 401 or 403
    NotFound,        // HTTP 404 or 410
    ServerError,     // any other HTTP error
    NoConnection,    // the server could not be reached
    ConnectionLost,  // the connection ended before the clip did
    MissingDecoder,  // the clip's format cannot be decoded here
    RefusedAddress,  // an address a player may not fetch (file:, javascript:, ...)
};

// The position the page's scripts were last given, and when (ms on the wall clock both
// sides read). While the player runs, the page goes on from it by the time since, so it
// reads the right position between reports.
struct PositionReport {
    bool sent = false;
    std::int64_t positionMs = 0;
    std::int64_t atMs = 0;
    bool running = false;  // playing: the page adds the time since
};

// Whether the page needs the position anew, at most once a second: while the player runs,
// when what the page would read now is off by more than a quarter second (a stall, a late
// start); while it does not, when the position moved. (A seek and a change of state are
// reported at once, apart from this.)
bool PositionReportDue(const PositionReport& last, std::int64_t positionMs, bool running,
                       std::int64_t nowMs);

// The failure an HTTP status (400 and above) stands for.
ClipFailure FailureOfStatus(int httpStatus);

// The text for the player's box; `httpStatus` is shown when it is not 0.
std::string ClipFailureText(ClipFailure failure, int httpStatus = 0);

}  // namespace lorvex
