// Keeps the engine away from the clips the client plays itself: a request the page makes
// for an <object>'s or <embed>'s resource is refused when it is a Windows Media or
// RealMedia clip or play list (by its address), or a clip the page's players were found
// to play. The engine would otherwise fetch it and, having no plugin, offer it as a
// download. Other requests, HTML5 <video>/<audio> among them, go on.
#pragma once

#include <QSet>
#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>

namespace lorvex {

class ClipRequestGuard : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
  public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    // A clip a player of the current page plays; refused until Forget.
    void Refuse(const QUrl& clip) { refused_.insert(clip.adjusted(QUrl::RemoveFragment)); }
    void Forget() { refused_.clear(); }

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    // Whether a plugin's resource at `address` is a clip a player would play.
    static bool IsClipResource(const QUrl& address);

  private:
    QSet<QUrl> refused_;
};

}  // namespace lorvex
