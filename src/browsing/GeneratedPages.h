// Pages the client writes itself (the library page and the collect confirmation) are
// served to the browser views through the "lorvex" URL scheme: a written document is kept
// in a small store and loaded as "lorvex:page/<n>". The reply carries the GB18030 bytes
// and declares charset gb2312, so the page's links send GBK queries to the portal, and it
// is not limited in size the way a data: URL is.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>
#include <deque>
#include <utility>

class QWebEngineProfile;

namespace lorvex {

inline constexpr char kGeneratedPageScheme[] = "lorvex";

// Registers the scheme with the web engine. Must run before the QApplication is created.
void RegisterGeneratedPageScheme();

// Installs the scheme's handler on a profile (once per profile).
void InstallGeneratedPageHandler(QWebEngineProfile* profile);

// The written documents, newest last. Only the most recent ones are kept, so going back
// to a page written long ago may find it gone (the view then shows a failed load).
class GeneratedPageStore {
  public:
    static GeneratedPageStore& Instance();

    // Keeps the bytes and returns the address that serves them.
    QUrl Add(QByteArray bytes);
    // The bytes for an address, or nullptr when none is kept.
    const QByteArray* Find(const QUrl& url) const;

  private:
    static constexpr std::size_t kKept = 8;
    std::deque<std::pair<QString, QByteArray>> pages_;
    unsigned long long next_ = 1;
};

class GeneratedPageHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
  public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    // Answers only with documents the client wrote; anything else fails as not found.
    void requestStarted(QWebEngineUrlRequestJob* job) override;
};

}  // namespace lorvex
