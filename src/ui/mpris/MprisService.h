// The client's one player among the desktop's media controls (MPRIS 2 on the session bus):
// it follows the main view's page players (PagePlayerHost) through NowPlayingModel, owns
// the name org.mpris.MediaPlayer2.lorvex while the page has a player and gives it up when
// none is left, tells the desktop every change (PropertiesChanged, Seeked), and passes the
// desktop's commands to the player that played last. Without a session bus, or once the
// bus has gone, it does nothing and the client goes on.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <string>

#include "core/now_playing/now_playing.h"

namespace lorvex {

class MprisPlayer;
class PagePlayerHost;

class MprisService : public QObject {
    Q_OBJECT
  public:
    // `desktopEntry`: the installed desktop id; `raise` brings the window to the front,
    // `quit` ends the client as its close button does.
    MprisService(PagePlayerHost* host, const QString& desktopEntry, std::function<void()> raise,
                 std::function<void()> quit, QObject* parent = nullptr);
    ~MprisService() override;

    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.lorvex";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

    const NowPlaying& Now() const { return now_; }
    QString DesktopEntry() const { return desktopEntry_; }
    // The current track's id: under the client's own object path.
    QString TrackId() const;
    QVariantMap Metadata() const;
    void Raise();
    void Quit();
    void Command(MediaCommand command, qint64 value = 0);
    qint64 PositionUs() const;

  private:
    void Reported(const QUrl& page, int player, const MediaReport& report);
    void Update();
    QVariantMap Changes(const NowPlaying& before) const;

    PagePlayerHost* host_;
    QString desktopEntry_;
    std::function<void()> raise_;
    std::function<void()> quit_;
    QDBusConnection bus_;
    MprisPlayer* player_ = nullptr;
    NowPlayingModel model_;
    NowPlaying now_;
    std::string page_;
    int track_ = 0;  // grows with every new song or player followed
    bool registered_ = false;
};

}  // namespace lorvex
