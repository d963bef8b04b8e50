// The demo portal's clips, their play lists and the player markup of its player pages. This
// is a development and test tool, not part of the client.
//
// The clips are made at build time with ffmpeg from test patterns (nothing is committed or
// downloaded): one Windows Media clip (WMV2/WMAv2 in ASF, 320x240, 15 fps), one RealMedia
// clip (RV20/AC-3) and one sound-only Windows Media clip, each 8 seconds. Every song plays
// one of them under its own address:
//   /33/media/<id>.wmv, /33/media/<id>.wma   a Windows Media song ("wmv")
//   /33/media/<id>.rm                        a RealMedia song ("rm")
//   /33/media/<id>.asx, /33/media/<id>.ram   the play list of a song of that kind
//   /33/media/broken.asx                     a play list that is none (an error page)
// Like many portals, it sends a clip only to a request whose Referer is one of its own
// pages (else 403), and it answers byte ranges (206) for seeking.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "PortalContent.h"

namespace lorvex::portal {

// The reply for a path under /33/media/, none for any other path. `referer` and `range`
// are the request's headers; `origin` is the portal's own, "http://127.0.0.1:<port>".
std::optional<Reply> MediaReplyFor(const QString& path, const QByteArray& referer,
                                   const QByteArray& range, const QString& origin);

// Where the clips made at build time are found; empty when none is. Tests check it.
QString MediaFolder();

// The three ways a player page writes its player, as portals of the day did:
enum class PlayerForm {
    WindowsMedia64,  // a Windows Media 6.4 <object> with an <embed> inside, the clip itself
    WindowsMedia7,   // a Windows Media 7+ <object> pointed at the song's .asx
    RealPlayerPair,  // two RealPlayer <object>s on one console: picture, then control panel,
                     // both pointed at the song's .ram
};

// A RealMedia song gets the RealPlayer pair; of the Windows Media songs, the old ones
// ("经典怀旧") the 6.4 player and the others the 7+ player.
PlayerForm FormFor(const Song& song);

// The player's markup for a song's page (GB2312 text, addresses relative to /33/), with
// the page's own play, pause and stop links and a line that shows the play state.
QString PlayerMarkup(const Song& song, PlayerForm form);

}  // namespace lorvex::portal
