// The requests a player makes for its clips and play lists, made the way the page's own
// request would be: the cookies of the view's profile (followed as the engine changes
// them), the page as Referer, the engine's User-Agent and Accept-Language.
#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QUrl>

class QNetworkReply;
class QWebEngineProfile;

namespace lorvex {

class ClipNetwork : public QObject {
    Q_OBJECT
  public:
    explicit ClipNetwork(QWebEngineProfile* profile, QObject* parent = nullptr);

    // A GET of `address` for the page `referer`; `range` is sent as the Range header when
    // not empty. The reply belongs to the caller.
    QNetworkReply* Get(const QUrl& address, const QUrl& referer, const QByteArray& range = {});

  private:
    QNetworkAccessManager network_;
    QNetworkCookieJar* cookies_;  // owned by network_
    QByteArray userAgent_;
    QByteArray language_;
};

}  // namespace lorvex
