#include "ui/media/PagePlayerHost.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>
#include <algorithm>
#include <cmath>

#include "core/media/clip_address.h"
#include "core/media/playback.h"
#include "ui/media/ClipNetwork.h"
#include "ui/media/ClipRelay.h"
#include "ui/media/ClipRequestGuard.h"
#include "ui/media/MediaPlayback.h"
#include "ui/media/PlayerBox.h"
#include "ui/media/PlayerPageBridge.h"
#include "ui/scripts/PageScripts.h"

namespace lorvex {

namespace {

Q_LOGGING_CATEGORY(lcPlayers, "lorvex.players", QtWarningMsg)

// The players' script world: neither the page's (MainWorld) nor the client's other scripts'.
constexpr quint32 kPlayersWorld = QWebEngineScript::UserWorld + 1;

QString Resource(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcPlayers) << "missing resource" << path;
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

QWebEngineScript PlayersScript() {
    QWebEngineScript script;
    script.setName(QStringLiteral("lorvex-players"));
    // The channel's client first: the players' script and the page media's use it.
    const QString channel = Resource(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    const QString& players = PageScripts::Source(PageScript::Players);
    const QString& pageMedia = PageScripts::Source(PageScript::PageMedia);
    script.setSourceCode(channel + players + pageMedia);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(kPlayersWorld);
    script.setRunsOnSubFrames(false);
    return script;
}

std::vector<std::pair<std::string, std::string>> Pairs(const QJsonValue& value) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const auto& pair : value.toArray()) {
        const QJsonArray both = pair.toArray();
        if (both.size() != 2) continue;
        pairs.emplace_back(both[0].toString().toStdString(), both[1].toString().toStdString());
    }
    return pairs;
}

bool SameOrigin(const QUrl& a, const QUrl& b) {
    return a.scheme() == b.scheme() && a.host() == b.host() &&
           a.port(a.scheme() == u"https" ? 443 : 80) == b.port(b.scheme() == u"https" ? 443 : 80);
}

}  // namespace

PagePlayerHost::PagePlayerHost(QWebEngineView* view, QWebEnginePage* page, const QUrl& portalOrigin)
    : QObject(view),
      view_(view),
      page_(page),
      origin_(portalOrigin),
      network_(new ClipNetwork(page->profile(), this)),
      relay_(new ClipRelay(network_, this)),
      guard_(new ClipRequestGuard(this)),
      bridge_(new PlayerPageBridge(this)) {
    page->setUrlRequestInterceptor(guard_);
    channel_.registerObject(QStringLiteral("players"), bridge_);
    page->setWebChannel(&channel_, kPlayersWorld);
    page->scripts().insert(PlayersScript());
    QWebEngineScript names;
    names.setName(QStringLiteral("lorvex-player-names"));
    names.setSourceCode(PageScripts::Source(PageScript::PlayerNames));
    names.setInjectionPoint(QWebEngineScript::DocumentCreation);
    names.setWorldId(QWebEngineScript::MainWorld);
    names.setRunsOnSubFrames(true);
    page->scripts().insert(names);
    connect(bridge_, &PlayerPageBridge::Offered, this, &PagePlayerHost::Offer);
    connect(bridge_, &PlayerPageBridge::Placed, this, &PagePlayerHost::Place);
    connect(bridge_, &PlayerPageBridge::Removed, this, &PagePlayerHost::Remove);
    connect(bridge_, &PlayerPageBridge::Commanded, this, &PagePlayerHost::Command);
    connect(bridge_, &PlayerPageBridge::MediaReported, this, &PagePlayerHost::PageMedia);
    connect(page, &QWebEnginePage::loadStarted, this, &PagePlayerHost::Clear);
    connect(page, &QWebEnginePage::renderProcessTerminated, this, &PagePlayerHost::Clear);
}

PagePlayerHost::~PagePlayerHost() {
    Clear();
    // The page outlives its players (the window's close): it keeps neither the guard nor
    // the channel.
    if (page_) {
        page_->setUrlRequestInterceptor(nullptr);
        page_->setWebChannel(nullptr, kPlayersWorld);
    }
}

MediaPlayback* PagePlayerHost::Playback(int player) const {
    const auto found = playbacks_.find(player);
    return found == playbacks_.end() ? nullptr : found->second;
}

QList<PlayerBox*> PagePlayerHost::Boxes() const {
    QList<PlayerBox*> boxes;
    for (const auto& [key, box] : boxes_) {
        if (box) boxes.append(box);
    }
    return boxes;
}

void PagePlayerHost::Clear() {
    for (auto& [key, box] : boxes_) delete box.data();
    boxes_.clear();
    const bool hadPlayers = !playbacks_.empty() || !pageMedia_.empty();
    pageMedia_.clear();
    for (auto& [player, playback] : playbacks_) delete playback;
    playbacks_.clear();
    if (hadPlayers) emit MediaCleared();
    opened_.clear();
    positionReported_.clear();
    players_.reset();
    guard_->Forget();
    if (!document_.isEmpty()) pastDocuments_.insert(document_);
    document_.clear();
}

bool PagePlayerHost::Current(const QString& document) {
    if (document.isEmpty() || pastDocuments_.contains(document)) return false;
    if (document_.isEmpty()) document_ = document;
    return document == document_;
}

// NOLINTNEXTLINE(readability-function-size): one straight sequence of steps, read top to bottom
void PagePlayerHost::Offer(const QString& document, const QString& element) {
    if (!page_ || !view_ || !Current(document)) return;
    const QJsonObject offered = QJsonDocument::fromJson(element.toUtf8()).object();
    const QUrl pageAddress(offered.value(u"page").toString());
    // The element's document: the page's, or a frame's in it.
    const QUrl documentAddress(offered.value(u"document").toString());
    const int key = offered.value(u"key").toInt();
    // The page's scripts stop waiting on an element that plays nothing.
    const auto none = [this, key] { emit bridge_->placed(key, QStringLiteral("none"), {}); };
    // Only the portal's own pages (and their frames) play, and only the page the view shows.
    if (!SameOrigin(pageAddress, origin_) || !SameOrigin(documentAddress, origin_) ||
        !SameOrigin(page_->url(), origin_)) {
        return none();
    }
    if (!players_) {
        players_.emplace(pageAddress.toString(QUrl::FullyEncoded).toStdString());
        pageAddress_ = pageAddress;
    }
    const int enclosing = offered.value(u"enclosing").toInt();
    const MarkupElement markup{offered.value(u"tag").toString().toStdString(),
                               Pairs(offered.value(u"attributes")),
                               Pairs(offered.value(u"params"))};
    const std::optional<PlayerPlacement> placement =
        players_->Offer(key, markup, enclosing > 0 ? std::optional<int>(enclosing) : std::nullopt,
                        documentAddress.toString(QUrl::FullyEncoded).toStdString());
    const PlayerSettings* settings = placement ? players_->Settings(placement->player) : nullptr;
    if (settings == nullptr) return none();

    MediaPlayback*& playback = playbacks_[placement->player];
    if (playback == nullptr) {
        playback = new MediaPlayback(network_, relay_, settings->kind, this);
        const int player = placement->player;
        connect(playback, &MediaPlayback::StateChanged, this, [this, player] {
            Report(player, false);
            ReportMedia(player);
        });
        connect(playback, &MediaPlayback::VolumeChanged, this, [this, player] {
            Report(player, false);
            ReportMedia(player);
        });
        connect(playback, &MediaPlayback::DurationChanged, this, [this, player] {
            Report(player, false);
            ReportMedia(player);
        });
        connect(playback, &MediaPlayback::PositionChanged, this,
                [this, player](qint64 ms) { Report(player, true, ms); });
        connect(playback, &MediaPlayback::Seeked, this,
                [this, player](qint64 ms) { Report(player, false, ms); });
        ReportMedia(player);
    }
    const QString clip = QString::fromStdString(settings->clip);
    QString& opened = opened_[placement->player];
    if (!settings->refusedClip.empty()) {
        playback->Fail(QString::fromUtf8(kRefusedClipMessage.data(),
                                         static_cast<qsizetype>(kRefusedClipMessage.size())));
    } else if (clip != opened) {
        opened = clip;
        guard_->Refuse(QUrl(clip));
        playback->SetVolume(settings->volume);
        playback->SetMuted(settings->mute);
        playback->Open(QUrl(clip), QUrl(QString::fromStdString(settings->document)),
                       settings->autoStart);
    }

    QString role = QStringLiteral("silent");
    if (placement->fallback || placement->hidden) {
        role = QStringLiteral("hidden");
    } else if (placement->box != BoxContent::Nothing) {
        role = QStringLiteral("box");
        auto* box = new PlayerBox(playback, placement->box, placement->bar, view_);
        box->hide();
        // The player's first box with a picture paints it.
        bool painted = false;
        for (const int other : players_->Elements(placement->player)) {
            const auto found = boxes_.find(other);
            if (found != boxes_.end() && found->second) {
                painted = painted || found->second->Content() == BoxContent::Picture ||
                          found->second->Content() == BoxContent::PictureAndControlBar;
            }
        }
        box->SetPictureSource(!painted);
        boxes_[key] = box;
    }
    static const char* const kKinds[] = {"wmp64", "wmp", "real"};
    emit bridge_->placed(key, role, QString::fromLatin1(kKinds[static_cast<int>(settings->kind)]));
    Report(placement->player, false);
}

int PagePlayerHost::PlayerOf(int key) const {
    if (!players_) return 0;
    for (const auto& [player, playback] : playbacks_) {
        const std::vector<int> keys = players_->Elements(player);
        if (std::find(keys.begin(), keys.end(), key) != keys.end()) return player;
    }
    return 0;
}

void PagePlayerHost::Command(const QString& document, int key, const QString& name,
                             const QString& value) {
    if (!Current(document)) return;
    MediaPlayback* playback = Playback(PlayerOf(key));
    if (playback == nullptr) return;
    if (name == u"play") {
        playback->Play();
    } else if (name == u"pause") {
        playback->Pause();
    } else if (name == u"stop") {
        playback->Stop();
    } else if (name == u"seek") {
        playback->SetPosition(std::max<qint64>(0, value.toLongLong()));
    } else if (name == u"volume") {
        playback->SetVolume(value.toInt());
    } else if (name == u"mute") {
        playback->SetMuted(value.toInt() != 0);
    } else if (name == u"url") {
        const PlayerSettings* settings = players_->Settings(PlayerOf(key));
        if (settings == nullptr) return;
        const std::optional<std::string> clip =
            ResolveClipAddress(settings->document, value.toStdString());
        if (!clip) {
            playback->Fail(QString::fromUtf8(kRefusedClipMessage.data(),
                                             static_cast<qsizetype>(kRefusedClipMessage.size())));
            return;
        }
        const QUrl address(QString::fromStdString(*clip));
        guard_->Refuse(address);
        opened_[PlayerOf(key)] = address.toString();
        playback->Open(address, QUrl(QString::fromStdString(settings->document)),
                       settings->autoStart);
    }
}

void PagePlayerHost::Report(int player, bool playing, qint64 ms) {
    MediaPlayback* playback = Playback(player);
    if (playback == nullptr || !players_) return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const bool running = playback->State() == PlaybackState::Playing;
    const qint64 position = ms >= 0 ? ms : playback->Position();
    PositionReport& last = positionReported_[player];
    if (playing && !PositionReportDue(last, position, running, now)) return;
    last = {true, position, now, running};
    // `at`: when the position was read, on the clock the page's Date.now() reads; while
    // `running`, the page adds the time since.
    const QJsonObject state{
        {QStringLiteral("playState"), ScriptPlayState(playback->Kind(), playback->State())},
        {QStringLiteral("position"), static_cast<double>(position)},
        {QStringLiteral("at"), static_cast<double>(now)},
        {QStringLiteral("running"), running},
        {QStringLiteral("duration"), static_cast<double>(playback->Duration())},
        {QStringLiteral("volume"), playback->Volume()},
        {QStringLiteral("mute"), playback->Muted()},
        {QStringLiteral("url"), playback->Address().toString()},
    };
    const QString text = QString::fromUtf8(QJsonDocument(state).toJson(QJsonDocument::Compact));
    for (const int key : players_->Elements(player)) emit bridge_->status(key, text);
}

void PagePlayerHost::Place(const QString& document, int key, const QRectF& box, bool shown,
                           const QRectF& clip) {
    if (!view_ || !Current(document)) return;
    const auto found = boxes_.find(key);
    if (found == boxes_.end() || !found->second) return;
    PlayerBox* widget = found->second;
    if (widget->InFullScreen()) return;
    const double zoom = view_->zoomFactor();
    const QRect area =
        QRectF(box.x() * zoom, box.y() * zoom, box.width() * zoom, box.height() * zoom)
            .toAlignedRect();
    const QRect visible =
        QRectF(clip.x() * zoom, clip.y() * zoom, clip.width() * zoom, clip.height() * zoom)
            .toRect()
            .intersected(view_->rect());
    const QRect seen = area.intersected(visible);
    if (!shown || seen.isEmpty()) {
        widget->hide();
        return;
    }
    widget->setGeometry(area);
    // Clipped to the view's page, without its scroll bars.
    if (seen == area) {
        widget->clearMask();
    } else {
        widget->setMask(QRegion(seen.translated(-area.topLeft())));
    }
    widget->show();
    widget->raise();
}

void PagePlayerHost::Remove(const QString& document, int key) {
    if (!players_ || !Current(document)) return;
    if (const auto found = boxes_.find(key); found != boxes_.end()) {
        delete found->second.data();
        boxes_.erase(found);
    }
    if (const std::optional<int> player = players_->Remove(key)) RemovePlayer(*player);
}

void PagePlayerHost::RemovePlayer(int player) {
    if (const auto found = playbacks_.find(player); found != playbacks_.end()) {
        delete found->second;
        playbacks_.erase(found);
        emit MediaRemoved(player);
    }
    opened_.erase(player);
    positionReported_.erase(player);
}

void PagePlayerHost::ReportMedia(int player) {
    MediaPlayback* playback = Playback(player);
    if (playback == nullptr) return;
    MediaReport report;
    report.state = playback->State();
    report.durationMs = playback->Duration() > 0 ? playback->Duration() : -1;
    report.canSeek = report.durationMs > 0;
    report.volume = playback->Volume();
    emit MediaReported(pageAddress_, player, report);
}

void PagePlayerHost::PageMedia(const QString& document, int id, const QString& state) {
    if (!page_ || id <= 0 || !Current(document) || !SameOrigin(page_->url(), origin_)) return;
    const QJsonObject reported = QJsonDocument::fromJson(state.toUtf8()).object();
    const QString name = reported.value(u"state").toString();
    MediaReport report;
    if (name == u"playing") {
        report.state = PlaybackState::Playing;
    } else if (name == u"paused") {
        report.state = PlaybackState::Paused;
    } else if (name == u"ended") {
        report.state = PlaybackState::Ended;
    } else {
        return;
    }
    const double duration = reported.value(u"duration").toDouble(-1);
    report.durationMs = duration > 0 && std::isfinite(duration) ? qint64(duration * 1000) : -1;
    report.canSeek = reported.value(u"seekable").toBool();
    report.volume =
        std::clamp(int(std::lround(reported.value(u"volume").toDouble() * 100)), 0, 100);
    PageMediaState& known = pageMedia_[-id];
    known.positionMs = std::max<qint64>(0, qint64(reported.value(u"position").toDouble() * 1000));
    known.volume = report.volume;
    if (pageAddress_.isEmpty() || !players_) pageAddress_ = page_->url();
    emit MediaReported(pageAddress_, -id, report);
}

void PagePlayerHost::ControlMedia(int player, MediaCommand command, qint64 value) {
    if (player < 0) {
        static constexpr const char* kNames[] = {"play", "pause", "stop", "seek", "volume"};
        if (pageMedia_.count(player) == 0) return;
        emit bridge_->mediaCommand(-player, QString::fromLatin1(kNames[int(command)]),
                                   double(value));
        if (command == MediaCommand::SetPosition)
            emit MediaSeeked(player, std::max<qint64>(0, value));
        return;
    }
    MediaPlayback* playback = Playback(player);
    if (playback == nullptr) return;
    switch (command) {
        case MediaCommand::Play:
            playback->Play();
            break;
        case MediaCommand::Pause:
            playback->Pause();
            break;
        case MediaCommand::Stop:
            playback->Stop();
            break;
        case MediaCommand::SetPosition:
            playback->SetPosition(std::max<qint64>(0, value));
            emit MediaSeeked(player, std::max<qint64>(0, value));
            break;
        case MediaCommand::SetVolume:
            playback->SetVolume(static_cast<int>(std::clamp<qint64>(value, 0, 100)));
            break;
    }
}

qint64 PagePlayerHost::MediaPosition(int player) const {
    if (const auto found = pageMedia_.find(player); found != pageMedia_.end())
        return found->second.positionMs;
    const MediaPlayback* playback = Playback(player);
    return playback == nullptr ? 0 : playback->Position();
}

int PagePlayerHost::MediaVolume(int player) const {
    if (const auto found = pageMedia_.find(player); found != pageMedia_.end())
        return found->second.volume;
    const MediaPlayback* playback = Playback(player);
    return playback == nullptr ? 0 : playback->Volume();
}

}  // namespace lorvex
