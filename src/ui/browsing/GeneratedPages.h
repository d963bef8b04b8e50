// Pages the client writes itself (the library page and the confirmation of a collect) are
// served to the browser views through the "lorvex" URL scheme: a written document is kept
// in the store and loaded as "lorvex:page/<n>". The reply carries the GB18030 bytes and
// declares charset gb2312, so the page's links send GBK queries to the portal, and it is
// not limited in size the way a data: URL is.
#pragma once

#include <QList>
#include <QPointer>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>
#include <string>

#include "core/portal/written_documents.h"

class QWebEnginePage;
class QWebEngineProfile;

namespace lorvex {

inline constexpr char kGeneratedPageScheme[] = "lorvex";

// Registers the scheme with the web engine. Must run before the QApplication is created.
void RegisterGeneratedPageScheme();

// Installs the scheme's handler on a profile (once per profile).
void InstallGeneratedPageHandler(QWebEngineProfile* profile);

// The written documents of every view. A document stays while the history of a page the
// store watches can go back to it (within the store's byte budget); one dropped after all
// loads as a short page saying so.
class GeneratedPageStore {
  public:
    static GeneratedPageStore& Instance();

    // Keeps a document (GB18030 bytes) and returns the address that serves it. Documents
    // that no watched history reaches any more are let go.
    QUrl Add(std::string bytes);

    // Watches a page's history; a page that is destroyed is forgotten.
    void Watch(QWebEnginePage* page);

    // What the address serves: the document's bytes, or the dropped-document page for a
    // document no longer kept; null for an address the client never wrote.
    WrittenDocuments::Bytes Serve(const QUrl& url) const;

    WrittenDocuments& Documents() { return documents_; }

  private:
    GeneratedPageStore();
    bool Reachable(std::uint64_t number) const;

    WrittenDocuments documents_;
    WrittenDocuments::Bytes droppedPage_;
    QList<QPointer<QWebEnginePage>> pages_;
};

class GeneratedPageHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
  public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    // Answers only with documents the client wrote; anything else fails as not found.
    void requestStarted(QWebEngineUrlRequestJob* job) override;
};

}  // namespace lorvex
