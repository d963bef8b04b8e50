#include "ui/media/ClipNetwork.h"

#include <QNetworkCookie>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

namespace lorvex {

namespace {

// The profile's cookies as the engine has them: every cookie it adds or removes.
class ProfileCookieJar : public QNetworkCookieJar {
  public:
    ProfileCookieJar(QWebEngineCookieStore* store, QObject* parent) : QNetworkCookieJar(parent) {
        connect(store, &QWebEngineCookieStore::cookieAdded, this,
                [this](const QNetworkCookie& cookie) { insertCookie(cookie); });
        connect(store, &QWebEngineCookieStore::cookieRemoved, this,
                [this](const QNetworkCookie& cookie) { deleteCookie(cookie); });
        store->loadAllCookies();
    }
};

}  // namespace

ClipNetwork::ClipNetwork(QWebEngineProfile* profile, QObject* parent)
    : QObject(parent),
      cookies_(new ProfileCookieJar(profile->cookieStore(), &network_)),
      userAgent_(profile->httpUserAgent().toUtf8()),
      language_(profile->httpAcceptLanguage().toUtf8()) {
    network_.setCookieJar(cookies_);
    cookies_->setParent(&network_);
    network_.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

QNetworkReply* ClipNetwork::Get(const QUrl& address, const QUrl& referer, const QByteArray& range) {
    QNetworkRequest request(address);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent_);
    if (!language_.isEmpty()) request.setRawHeader("Accept-Language", language_);
    if (referer.isValid()) request.setRawHeader("Referer", referer.toEncoded(QUrl::RemoveFragment));
    if (!range.isEmpty()) request.setRawHeader("Range", range);
    // The clip's bytes go to the player as they are; no compression, no cache.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    return network_.get(request);
}

}  // namespace lorvex
