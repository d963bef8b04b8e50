#include "ui/media/MediaPlayback.h"

#include <QNetworkReply>
#include <algorithm>

#include "core/media/clip_address.h"
#include "ui/media/ClipNetwork.h"
#include "ui/media/ClipRelay.h"

namespace lorvex {

namespace {

// A play list longer than this is none.
constexpr qint64 kMaxPlayListBytes = qint64{1024} * 1024;

bool NamesPlayList(const QUrl& address) {
    const std::string extension = AddressExtension(address.toString().toStdString());
    static const char* const kLists[] = {".asx", ".wax", ".wvx", ".wmx", ".ram", ".rpm", ".m3u"};
    return std::any_of(std::begin(kLists), std::end(kLists),
                       [&](const char* list) { return extension == list; });
}

QString FailureText(ClipFailure failure, int status = 0) {
    return QString::fromStdString(ClipFailureText(failure, status));
}

}  // namespace

// NOLINTNEXTLINE(readability-function-size): one straight sequence of steps, read top to bottom
MediaPlayback::MediaPlayback(ClipNetwork* network, ClipRelay* relay, PlayerKind kind,
                             QObject* parent)
    : QObject(parent), network_(network), relay_(relay), kind_(kind) {
    player_.setAudioOutput(&audio_);
    player_.setVideoSink(&sink_);
    connect(&player_, &QMediaPlayer::positionChanged, this, &MediaPlayback::PositionChanged);
    connect(&player_, &QMediaPlayer::durationChanged, this, &MediaPlayback::DurationChanged);
    connect(&audio_, &QAudioOutput::volumeChanged, this, &MediaPlayback::VolumeChanged);
    connect(&audio_, &QAudioOutput::mutedChanged, this, &MediaPlayback::VolumeChanged);
    connect(&player_, &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error error) { PlayerError(error); });
    connect(&player_, &QMediaPlayer::mediaStatusChanged, this,
            [this](QMediaPlayer::MediaStatus status) {
                switch (status) {
                    case QMediaPlayer::LoadingMedia:
                        SetState(PlaybackState::Connecting);
                        break;
                    case QMediaPlayer::StalledMedia:
                    case QMediaPlayer::BufferingMedia:
                        if (player_.playbackState() == QMediaPlayer::PlayingState) {
                            SetState(PlaybackState::Buffering);
                        }
                        break;
                    case QMediaPlayer::BufferedMedia:
                        if (player_.playbackState() == QMediaPlayer::PlayingState) {
                            SetState(PlaybackState::Playing);
                        }
                        break;
                    case QMediaPlayer::LoadedMedia:
                        if (player_.playbackState() == QMediaPlayer::StoppedState &&
                            state_ == PlaybackState::Connecting) {
                            SetState(PlaybackState::Ready);
                        }
                        break;
                    case QMediaPlayer::EndOfMedia:
                        NextEntry(false);
                        break;
                    case QMediaPlayer::InvalidMedia:
                    case QMediaPlayer::NoMedia:
                        break;
                }
            });
    connect(&player_, &QMediaPlayer::playbackStateChanged, this,
            [this](QMediaPlayer::PlaybackState playing) {
                if (playing == QMediaPlayer::PlayingState) {
                    const QMediaPlayer::MediaStatus status = player_.mediaStatus();
                    SetState(status == QMediaPlayer::BufferingMedia ||
                                     status == QMediaPlayer::StalledMedia ||
                                     status == QMediaPlayer::LoadingMedia
                                 ? PlaybackState::Buffering
                                 : PlaybackState::Playing);
                } else if (playing == QMediaPlayer::PausedState) {
                    SetState(PlaybackState::Paused);
                }
            });
    connect(relay_, &ClipRelay::Failed, this, [this](const QUrl& relayed, int status, bool lost) {
        if (relayed.path() != relayed_.path()) return;
        if (status == 0 && lost) return Fail(FailureText(ClipFailure::ConnectionLost));
        const ClipFailure failure =
            status == 0 ? ClipFailure::NoConnection : FailureOfStatus(status);
        // The entry's next address, when it has one, before the message.
        if (entry_ < list_.entries.size() &&
            alternative_ + 1 < list_.entries[entry_].addresses.size()) {
            return NextEntry(true);
        }
        Fail(FailureText(failure, status));
    });
}

MediaPlayback::~MediaPlayback() {
    if (listReply_) listReply_->abort();
    ReleaseClip();
}

void MediaPlayback::Open(const QUrl& address, const QUrl& page, bool autoStart) {
    if (listReply_) listReply_->abort();
    ReleaseClip();
    address_ = address;
    page_ = page;
    wantPlay_ = autoStart;
    list_ = {};
    entry_ = 0;
    alternative_ = 0;
    if (!message_.isEmpty()) {
        message_.clear();
        emit MessageChanged(message_);
    }
    if (!address.isValid() || address.isEmpty()) return SetState(PlaybackState::Closed);
    SetState(PlaybackState::Connecting);
    if (!NamesPlayList(address)) {
        list_.entries.push_back({{address.toString().toStdString()}, {}, false});
        return PlayEntry();
    }
    QNetworkReply* reply = network_->Get(address, page_);
    listReply_ = reply;
    reply->setParent(this);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { ListFetched(reply, false, 0); });
}

void MediaPlayback::ListFetched(QNetworkReply* reply, bool nested, std::size_t at) {
    reply->deleteLater();
    if (reply != listReply_) return;  // Open again since
    listReply_ = nullptr;
    if (reply->error() == QNetworkReply::OperationCanceledError) return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400) return Fail(FailureText(FailureOfStatus(status), status));
    if (reply->error() != QNetworkReply::NoError) {
        return Fail(
            FailureText(status == 0 ? ClipFailure::NoConnection : ClipFailure::ConnectionLost));
    }
    const QByteArray body = reply->read(kMaxPlayListBytes);
    const std::string listAddress = reply->url().toString().toStdString();
    const std::string_view text(body.constData(), static_cast<std::size_t>(body.size()));
    PlayListFormat format = DetectPlayList(
        listAddress, reply->header(QNetworkRequest::ContentTypeHeader).toString().toStdString(),
        text);
    if (format == PlayListFormat::None) {
        // Served as a clip after all: play its address.
        if (nested) {
            PlayList single;
            single.entries.push_back({{listAddress}, {}, false});
            SpliceNestedList(list_, at, single);
        } else {
            list_.entries.push_back({{listAddress}, {}, false});
        }
    } else if (nested) {
        SpliceNestedList(list_, at, ParsePlayList(format, text, listAddress, true));
    } else {
        list_ = ParsePlayList(format, text, listAddress);
    }
    if (!list_.error.empty()) return Fail(QString::fromStdString(list_.error));
    // An <entryref>'s list is fetched in its place, one at a time.
    for (std::size_t i = 0; i < list_.entries.size(); ++i) {
        if (!list_.entries[i].nestedList) continue;
        QNetworkReply* inner =
            network_->Get(QUrl(QString::fromStdString(list_.entries[i].addresses.front())), page_);
        listReply_ = inner;
        inner->setParent(this);
        connect(inner, &QNetworkReply::finished, this,
                [this, inner, i] { ListFetched(inner, true, i); });
        return;
    }
    PlayEntry();
}

void MediaPlayback::PlayEntry() {
    ReleaseClip();
    if (entry_ >= list_.entries.size()) {
        entry_ = 0;
        return SetState(list_.entries.empty() ? PlaybackState::Closed : PlaybackState::Ended);
    }
    const std::vector<std::string>& addresses = list_.entries[entry_].addresses;
    const QUrl clip(
        QString::fromStdString(addresses[std::min(alternative_, addresses.size() - 1)]));
    relayed_ = relay_->Offer(clip, page_);
    if (relayed_.isEmpty()) return Fail(FailureText(ClipFailure::NoConnection));
    SetState(PlaybackState::Connecting);
    player_.setSource(relayed_);
    if (wantPlay_) player_.play();
}

void MediaPlayback::NextEntry(bool alternative) {
    if (alternative) {
        ++alternative_;
    } else {
        ++entry_;
        alternative_ = 0;
    }
    PlayEntry();
}

void MediaPlayback::Fail(const QString& message) {
    ReleaseClip();
    message_ = message;
    SetState(PlaybackState::Closed);
    emit MessageChanged(message_);
}

void MediaPlayback::Play() {
    wantPlay_ = true;
    if (!message_.isEmpty()) return;
    if (player_.source().isEmpty()) {
        if (listReply_) return;  // plays once its list is read
        if (list_.entries.empty()) return Open(address_, page_, true);
        return PlayEntry();
    }
    player_.play();
}

void MediaPlayback::Pause() {
    if (player_.playbackState() == QMediaPlayer::PlayingState) player_.pause();
}

void MediaPlayback::Stop() {
    wantPlay_ = false;
    if (player_.source().isEmpty()) return;
    player_.stop();
    player_.setPosition(0);
    SetState(PlaybackState::Stopped);
}

void MediaPlayback::SetPosition(qint64 ms) {
    if (player_.source().isEmpty() || !player_.isSeekable()) return;
    ms = std::max<qint64>(ms, 0);
    player_.setPosition(ms);
    emit Seeked(ms);
}

void MediaPlayback::SetVolume(int percent) {
    audio_.setVolume(static_cast<float>(std::clamp(percent, 0, 100)) / 100.0F);
}

int MediaPlayback::Volume() const { return qRound(audio_.volume() * 100.0F); }

void MediaPlayback::SetState(PlaybackState state) {
    if (state == state_) return;
    state_ = state;
    emit StateChanged(state);
}

void MediaPlayback::ReleaseClip() {
    if (!relayed_.isEmpty()) relay_->Withdraw(relayed_);
    relayed_ = QUrl();
    if (!player_.source().isEmpty()) player_.setSource(QUrl());
}

void MediaPlayback::PlayerError(QMediaPlayer::Error error) {
    if (!message_.isEmpty() || player_.source().isEmpty()) return;
    if (entry_ < list_.entries.size() &&
        alternative_ + 1 < list_.entries[entry_].addresses.size()) {
        return NextEntry(true);
    }
    Fail(FailureText(error == QMediaPlayer::FormatError ? ClipFailure::MissingDecoder
                                                        : ClipFailure::ConnectionLost));
}

}  // namespace lorvex
