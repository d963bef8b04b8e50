// Pages the client writes itself (the library page and the confirmation of a collect) are
// served to the browser views through the "lorvex" URL scheme: a written document is kept
// in the store and loaded as "lorvex:page/<n>". The reply carries the GB18030 bytes and
// declares charset gb2312, so the page's links send GBK queries to the portal, and it is
// not limited in size the way a data: URL is.
#pragma once

#include <QList>
#include <QPointer>
#include <QSet>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>
#include <string>

#include "core/written/written_pages.h"

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
// loads as a short page saying so. A large document the engine has read is kept packed
// (its rows repeat one template, so it shrinks many times) and unpacked when served again.
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

    // Packs the document on a worker thread once the engine has read `served`, the bytes
    // it was served, if it is large and not packed yet.
    void PackWhenRead(std::uint64_t number, WrittenDocuments::Bytes served);

    // Whether the document is kept packed.
    bool Packed(std::uint64_t number) const { return packed_.contains(number); }

    // Documents from this size on are packed.
    static constexpr std::size_t kPackFrom = std::size_t{256} * 1024;

    WrittenDocuments& Documents() { return documents_; }

  private:
    GeneratedPageStore();
    bool Reachable(std::uint64_t number) const;

    WrittenDocuments documents_;
    WrittenDocuments::Bytes droppedPage_;
    QList<QPointer<QWebEnginePage>> pages_;
    QSet<std::uint64_t> packed_;
};

class GeneratedPageHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
  public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    // Answers only with documents the client wrote; anything else fails as not found.
    void requestStarted(QWebEngineUrlRequestJob* job) override;
};

}  // namespace lorvex
