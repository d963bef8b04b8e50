#include "ui/mpris/MprisService.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QLoggingCategory>
#include <QUrl>
#include <utility>

#include "ui/media/PagePlayerHost.h"
#include "ui/mpris/MprisPlayer.h"
#include "ui/mpris/MprisRoot.h"
#include "ui/mpris/SessionBusLoss.h"

namespace lorvex {

namespace {

Q_LOGGING_CATEGORY(lcMpris, "lorvex.mpris", QtWarningMsg)

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

const char* StatusName(NowPlayingStatus status) {
    switch (status) {
        case NowPlayingStatus::Playing:
            return "Playing";
        case NowPlayingStatus::Paused:
            return "Paused";
        case NowPlayingStatus::Stopped:
            break;
    }
    return "Stopped";
}

}  // namespace

MprisService::MprisService(PagePlayerHost* host, const QString& desktopEntry,
                           std::function<void()> raise, std::function<void()> quit, QObject* parent)
    : QObject(parent),
      host_(host),
      desktopEntry_(desktopEntry),
      raise_(std::move(raise)),
      quit_(std::move(quit)),
      bus_(QDBusConnection::sessionBus()) {
    new MprisRoot(this);
    player_ = new MprisPlayer(this);
    if (!bus_.isConnected()) {
        qCInfo(lcMpris) << "no session bus: the desktop's media controls are off";
        return;
    }
    SurviveSessionBusLoss();
    if (!bus_.registerObject(QString::fromLatin1(kObjectPath), this,
                             QDBusConnection::ExportAdaptors)) {
        qCWarning(lcMpris) << "media controls' object refused:" << bus_.lastError().message();
    }
    connect(host_, &PagePlayerHost::MediaReported, this, &MprisService::Reported);
    connect(host_, &PagePlayerHost::MediaRemoved, this, [this](int player) {
        model_.Remove(player);
        Update();
    });
    connect(host_, &PagePlayerHost::MediaCleared, this, [this] {
        model_.Clear();
        page_.clear();
        Update();
    });
    connect(host_, &PagePlayerHost::MediaSeeked, this, [this](int player, qint64 ms) {
        if (player == now_.player && registered_) emit player_->Seeked(ms * 1000);
    });
}

MprisService::~MprisService() {
    if (registered_) bus_.unregisterService(QString::fromLatin1(kServiceName));
    if (bus_.isConnected()) bus_.unregisterObject(QString::fromLatin1(kObjectPath));
}

QString MprisService::TrackId() const {
    QString path = desktopEntry_;
    path.replace(QLatin1Char('.'), QLatin1Char('/')).replace(QLatin1Char('-'), QLatin1Char('_'));
    return QStringLiteral("/%1/track/%2").arg(path).arg(track_);
}

QVariantMap MprisService::Metadata() const {
    QVariantMap metadata;
    if (!now_.present) return metadata;
    metadata.insert(QStringLiteral("mpris:trackid"),
                    QVariant::fromValue(QDBusObjectPath(TrackId())));
    metadata.insert(QStringLiteral("xesam:title"), Text(now_.song.name));
    metadata.insert(QStringLiteral("xesam:artist"), QStringList{Text(now_.song.singer)});
    if (now_.lengthUs > 0)
        metadata.insert(QStringLiteral("mpris:length"), qlonglong(now_.lengthUs));
    metadata.insert(QStringLiteral("xesam:url"), Text(now_.address));
    return metadata;
}

void MprisService::Raise() {
    if (raise_) raise_();
}

void MprisService::Quit() {
    if (quit_) quit_();
}

void MprisService::Command(MediaCommand command, qint64 value) {
    if (!now_.present) return;
    host_->ControlMedia(now_.player, command, value);
}

qint64 MprisService::PositionUs() const {
    return now_.present ? host_->MediaPosition(now_.player) * 1000 : 0;
}

void MprisService::Reported(const QUrl& page, int player, const MediaReport& report) {
    const std::string address = page.toString(QUrl::FullyEncoded).toStdString();
    if (address != page_) {
        page_ = address;
        model_.SetPage(address);
    }
    model_.Report(player, report);
    Update();
}

QVariantMap MprisService::Changes(const NowPlaying& before) const {
    QVariantMap changed;
    if (before.status != now_.status)
        changed.insert(QStringLiteral("PlaybackStatus"),
                       QString::fromLatin1(StatusName(now_.status)));
    if (before.present != now_.present || before.player != now_.player ||
        !(before.song == now_.song) || before.address != now_.address ||
        before.lengthUs != now_.lengthUs) {
        changed.insert(QStringLiteral("Metadata"), Metadata());
    }
    if (before.canPlay != now_.canPlay) changed.insert(QStringLiteral("CanPlay"), now_.canPlay);
    if (before.canPause != now_.canPause) changed.insert(QStringLiteral("CanPause"), now_.canPause);
    if (before.canSeek != now_.canSeek) changed.insert(QStringLiteral("CanSeek"), now_.canSeek);
    if (before.present != now_.present) changed.insert(QStringLiteral("CanControl"), now_.present);
    if (before.volume != now_.volume) changed.insert(QStringLiteral("Volume"), player_->Volume());
    return changed;
}

void MprisService::Update() {
    const NowPlaying before = now_;
    now_ = model_.Describe();
    if (now_.present &&
        (!before.present || before.player != now_.player || before.address != now_.address)) {
        ++track_;
    }
    if (!bus_.isConnected()) return;
    const QString name = QString::fromLatin1(kServiceName);
    if (now_.present && !registered_) {
        registered_ = bus_.registerService(name);
        if (!registered_) qCWarning(lcMpris) << "name refused:" << bus_.lastError().message();
        return;  // a new name: the desktop reads all of it
    }
    if (!now_.present && registered_) {
        bus_.unregisterService(name);
        registered_ = false;
        return;
    }
    if (!registered_) return;
    const QVariantMap changed = Changes(before);
    if (changed.isEmpty()) return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    bus_.send(signal);
}

}  // namespace lorvex
