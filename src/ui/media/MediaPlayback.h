// One player of a page: its clip or play list, played with Qt Multimedia through the clip
// relay, its entries in order, its state in the page's terms and, when it cannot play, the
// text for its box. Every box of the player (picture, control bar) shows this one.
#pragma once

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QPointer>
#include <QUrl>
#include <QVideoSink>
#include <string>
#include <vector>

#include "core/media/play_lists.h"
#include "core/media/playback.h"
#include "core/media/players.h"

class QNetworkReply;

namespace lorvex {

class ClipNetwork;
class ClipRelay;

class MediaPlayback : public QObject {
    Q_OBJECT
  public:
    MediaPlayback(ClipNetwork* network, ClipRelay* relay, PlayerKind kind, QObject* parent);
    ~MediaPlayback() override;

    // Plays `address` (a clip or a play list) for the page `page`; starts at once when
    // `autoStart`, else opens it and waits for Play.
    void Open(const QUrl& address, const QUrl& page, bool autoStart);
    // Shows `message` in the player's boxes and plays nothing.
    void Fail(const QString& message);

    void Play();
    void Pause();
    void Stop();
    void SetPosition(qint64 ms);
    void SetVolume(int percent);  // 0..100
    void SetMuted(bool muted) { audio_.setMuted(muted); }

    PlayerKind Kind() const { return kind_; }
    PlaybackState State() const { return state_; }
    QString Message() const { return message_; }
    QUrl Address() const { return address_; }
    qint64 Position() const { return player_.position(); }
    qint64 Duration() const { return player_.duration(); }
    int Volume() const;
    bool Muted() const { return audio_.isMuted(); }
    bool HasVideo() const { return player_.hasVideo(); }
    QVideoSink* Sink() { return &sink_; }

  signals:
    void StateChanged(PlaybackState state);
    void MessageChanged(const QString& message);
    void PositionChanged(qint64 ms);
    // Moved to `ms` by a command (not by playing on).
    void Seeked(qint64 ms);
    void DurationChanged(qint64 ms);
    void VolumeChanged();

  private:
    void ListFetched(QNetworkReply* reply, bool nested, std::size_t at);
    void PlayEntry();
    void NextEntry(bool alternative);
    void SetState(PlaybackState state);
    void ReleaseClip();
    void PlayerError(QMediaPlayer::Error error);

    ClipNetwork* network_;
    ClipRelay* relay_;
    PlayerKind kind_;
    QMediaPlayer player_;
    QAudioOutput audio_;
    QVideoSink sink_;
    QUrl address_;
    QUrl page_;
    bool wantPlay_ = false;
    PlayList list_;
    std::size_t entry_ = 0;
    std::size_t alternative_ = 0;
    QUrl relayed_;
    QPointer<QNetworkReply> listReply_;
    PlaybackState state_ = PlaybackState::Closed;
    QString message_;
};

}  // namespace lorvex
