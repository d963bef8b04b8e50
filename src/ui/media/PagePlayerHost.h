// The Windows Media and RealPlayer players of one view's portal pages, played by the
// client: the players' page script (players.js, in a script world of its own) offers each
// <object>/<embed> of the page and of its frames of the same origin as they are parsed and
// as more are added; PagePlayers decides what each is; the players play with Qt Multimedia
// and each shown element gets a PlayerBox laid over it, moved whenever the script reports
// the element moved. Every player stops and lets its clip go when the page navigates,
// reloads or its renderer ends, and when the host goes (the client closes).
//
// Only the main view has a host; the side column and the pop-up host never play.
#pragma once

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QUrl>
#include <QWebChannel>
#include <map>
#include <memory>
#include <optional>

#include "core/media/playback.h"
#include "core/media/players.h"
#include "core/now_playing/now_playing.h"

class QWebEnginePage;
class QWebEngineView;

namespace lorvex {

class ClipNetwork;
class ClipRelay;
class ClipRequestGuard;
class MediaPlayback;
class PlayerBox;
class PlayerPageBridge;

class PagePlayerHost : public QObject {
    Q_OBJECT
  public:
    // `portalOrigin`: only pages of this origin play.
    PagePlayerHost(QWebEngineView* view, QWebEnginePage* page, const QUrl& portalOrigin);
    ~PagePlayerHost() override;

    // The players of the current page, by their number in it.
    MediaPlayback* Playback(int player) const;
    QList<PlayerBox*> Boxes() const;

    // For the desktop's media controls: a command for a player (a position in ms, a volume
    // 0..100), and where a player is. The players are those of MediaReported: the client's
    // own players by their number, the page's HTML5 media elements by negative numbers.
    void ControlMedia(int player, MediaCommand command, qint64 value = 0);
    qint64 MediaPosition(int player) const;
    int MediaVolume(int player) const;

  signals:
    // A player of the page `page` was offered or changed its state or length.
    void MediaReported(const QUrl& page, int player, const lorvex::MediaReport& report);
    void MediaRemoved(int player);
    // The page went: none of its players is left.
    void MediaCleared();
    // A command moved the player to `ms`.
    void MediaSeeked(int player, qint64 ms);

  private:
    void Clear();
    bool Current(const QString& document);
    void Offer(const QString& document, const QString& element);
    void Place(const QString& document, int key, const QRectF& box, bool shown, const QRectF& clip);
    void Remove(const QString& document, int key);
    void RemovePlayer(int player);
    void Command(const QString& document, int key, const QString& name, const QString& value);
    // Tells the page script the player's state, for its scripts: at once on a change of
    // state, volume, length or a seek; as it plays (`playing`), only when the page, going on
    // from the position it was last given by the time since, would read it wrong. `ms`: the
    // position when known (else -1: the player is asked).
    void Report(int player, bool playing, qint64 ms = -1);
    int PlayerOf(int key) const;
    void ReportMedia(int player);
    // A report of page_media.js on an HTML5 element: its player number is -id.
    void PageMedia(const QString& document, int id, const QString& state);

    QPointer<QWebEngineView> view_;
    QPointer<QWebEnginePage> page_;
    QUrl origin_;
    ClipNetwork* network_;
    ClipRelay* relay_;
    ClipRequestGuard* guard_;
    PlayerPageBridge* bridge_;
    QWebChannel channel_;
    QString document_;             // the current document's token; empty: none yet
    QSet<QString> pastDocuments_;  // tokens of documents the view has left
    std::optional<PagePlayers> players_;
    std::map<int, MediaPlayback*> playbacks_;         // by player
    std::map<int, QPointer<PlayerBox>> boxes_;        // by element key
    std::map<int, QString> opened_;                   // the address each player opened
    std::map<int, PositionReport> positionReported_;  // what each player's page was told
    QUrl pageAddress_;
    struct PageMediaState {
        qint64 positionMs = 0;
        int volume = 100;
    };
    std::map<int, PageMediaState> pageMedia_;  // the HTML5 elements, by player number
};

}  // namespace lorvex
