#include "ui/media/PagePlayerHost.h"

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
    script.setSourceCode(Resource(QStringLiteral(":/qtwebchannel/qwebchannel.js")) +
                         PageScripts::Source(PageScript::Players));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(kPlayersWorld);
    script.setRunsOnSubFrames(false);
    return script;
}

std::vector<std::pair<std::string, std::string>> Pairs(const QJsonValue& value) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const QJsonValue& pair : value.toArray()) {
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
    connect(bridge_, &PlayerPageBridge::Offered, this, &PagePlayerHost::Offer);
    connect(bridge_, &PlayerPageBridge::Placed, this, &PagePlayerHost::Place);
    connect(bridge_, &PlayerPageBridge::Removed, this, &PagePlayerHost::Remove);
    connect(page, &QWebEnginePage::loadStarted, this, &PagePlayerHost::Clear);
    connect(page, &QWebEnginePage::renderProcessTerminated, this, &PagePlayerHost::Clear);
}

PagePlayerHost::~PagePlayerHost() {
    Clear();
    if (page_) page_->setUrlRequestInterceptor(nullptr);
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
    for (auto& [player, playback] : playbacks_) delete playback;
    playbacks_.clear();
    opened_.clear();
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

void PagePlayerHost::Offer(const QString& document, const QString& element) {
    if (!page_ || !view_ || !Current(document)) return;
    const QJsonObject offered = QJsonDocument::fromJson(element.toUtf8()).object();
    const QUrl pageAddress(offered.value(u"page").toString());
    // Only the portal's own pages play, and only the page the view shows.
    if (!SameOrigin(pageAddress, origin_) || !SameOrigin(page_->url(), origin_)) return;
    if (!players_) players_.emplace(pageAddress.toString(QUrl::FullyEncoded).toStdString());
    const int key = offered.value(u"key").toInt();
    const int enclosing = offered.value(u"enclosing").toInt();
    const MarkupElement markup{offered.value(u"tag").toString().toStdString(),
                               Pairs(offered.value(u"attributes")),
                               Pairs(offered.value(u"params"))};
    const std::optional<ElementPlacement> placement =
        players_->Offer(key, markup, enclosing > 0 ? std::optional<int>(enclosing) : std::nullopt);
    if (!placement) return;
    const PlayerSettings* settings = players_->Settings(placement->player);
    if (settings == nullptr) return;

    MediaPlayback*& playback = playbacks_[placement->player];
    if (playback == nullptr) playback = new MediaPlayback(network_, relay_, settings->kind, this);
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
        playback->Open(QUrl(clip), pageAddress, settings->autoStart);
    }

    QString role = QStringLiteral("silent");
    if (placement->fallback) {
        role = QStringLiteral("hidden");
    } else if (placement->box != BoxContent::Nothing) {
        role = QStringLiteral("box");
        auto* box = new PlayerBox(playback, placement->box, view_);
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
        connect(box, &PlayerBox::FullScreenAsked, this, [this, box] {
            if (fullScreen_) fullScreen_(box);
        });
        boxes_[key] = box;
    }
    emit bridge_->placed(key, role);
}

void PagePlayerHost::Place(const QString& document, int key, const QRectF& box, bool shown,
                           const QSizeF& viewport) {
    if (!view_ || !Current(document)) return;
    const auto found = boxes_.find(key);
    if (found == boxes_.end() || !found->second) return;
    PlayerBox* widget = found->second;
    const double zoom = view_->zoomFactor();
    const QRect area =
        QRectF(box.x() * zoom, box.y() * zoom, box.width() * zoom, box.height() * zoom)
            .toAlignedRect();
    const QRect visible =
        QRectF(QPointF(0, 0), viewport * zoom).toRect().intersected(view_->rect());
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
    }
    opened_.erase(player);
}

}  // namespace lorvex
