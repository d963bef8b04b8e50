#include "browsing/GeneratedPages.h"

#include <QBuffer>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

namespace lorvex {

void RegisterGeneratedPageScheme() {
    QWebEngineUrlScheme scheme(kGeneratedPageScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    // Local: a portal page can neither load a written document nor navigate to one, so
    // what the client wrote stays the client's. Not a secure scheme: the library page loads
    // the portal's http style sheet and icon, which a secure page would block as mixed
    // content.
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme);
    QWebEngineUrlScheme::registerScheme(scheme);
}

void InstallGeneratedPageHandler(QWebEngineProfile* profile) {
    if (profile->urlSchemeHandler(kGeneratedPageScheme) != nullptr) return;
    profile->installUrlSchemeHandler(kGeneratedPageScheme, new GeneratedPageHandler(profile));
}

GeneratedPageStore& GeneratedPageStore::Instance() {
    static GeneratedPageStore store;
    return store;
}

QUrl GeneratedPageStore::Add(QByteArray bytes) {
    const QString path = QStringLiteral("page/%1").arg(next_++);
    pages_.emplace_back(path, std::move(bytes));
    while (pages_.size() > kKept) pages_.pop_front();
    QUrl url;
    url.setScheme(QString::fromLatin1(kGeneratedPageScheme));
    url.setPath(path);
    return url;
}

const QByteArray* GeneratedPageStore::Find(const QUrl& url) const {
    if (url.scheme() != QLatin1String(kGeneratedPageScheme)) return nullptr;
    for (const auto& [path, bytes] : pages_) {
        if (path == url.path()) return &bytes;
    }
    return nullptr;
}

void GeneratedPageHandler::requestStarted(QWebEngineUrlRequestJob* job) {
    const QByteArray* bytes = GeneratedPageStore::Instance().Find(job->requestUrl());
    if (bytes == nullptr) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    // The job does not own the device: parent it to the job so both end together.
    auto* buffer = new QBuffer(job);
    buffer->setData(*bytes);
    buffer->open(QIODevice::ReadOnly);
    job->reply(QByteArrayLiteral("text/html;charset=gb2312"), buffer);
}

}  // namespace lorvex
