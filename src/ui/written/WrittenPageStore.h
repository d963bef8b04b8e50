// The pages the client has written into its views (the library page, the confirmation of
// a collect), served through the "lorvex" scheme (WrittenPageHandler.h). The main window
// owns one and hands it to its views. A page stays while the history of a page the store
// watches can go back to it (within the store's byte budget); one dropped after all loads
// as a short page saying so. A large page the engine has read is kept packed (its rows
// repeat one template, so it shrinks many times) and unpacked when served again.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUrl>
#include <string>

#include "core/written/written_pages.h"

class QWebEnginePage;
class QWebEngineProfile;

namespace lorvex {

class WrittenPageHandler;

class WrittenPageStore : public QObject {
    Q_OBJECT
  public:
    // A page's bytes, shared with the replies that are reading them.
    using Bytes = WrittenPages::Bytes;

    explicit WrittenPageStore(QObject* parent = nullptr);
    ~WrittenPageStore() override;

    // Keeps a page (GB18030 bytes) and returns the address that serves it. Pages that no
    // watched history reaches any more are let go.
    QUrl Add(std::string bytes);

    // Watches a page's history, and serves the scheme to the page's profile from this
    // store; a page that is destroyed is forgotten.
    void Watch(QWebEnginePage* page);

    // What the address serves: the page's bytes, or the dropped-page notice for a page no
    // longer kept; null for an address the client never wrote.
    Bytes Serve(const QUrl& url) const;

    // Packs the page on a worker thread once the engine has read `served`, the bytes it was
    // served, if it is large and not packed yet.
    void PackWhenRead(std::uint64_t number, Bytes served);

    // Whether the page is kept packed.
    bool Packed(std::uint64_t number) const { return packed_.contains(number); }

    // Pages from this size on are packed.
    static constexpr std::size_t kPackFrom = std::size_t{256} * 1024;

    WrittenPages& Pages() { return pages_; }

  private:
    bool Reachable(std::uint64_t number) const;
    void ServeOn(QWebEngineProfile* profile);

    WrittenPages pages_;
    Bytes droppedPage_;
    QList<QPointer<QWebEnginePage>> watched_;
    QSet<std::uint64_t> packed_;
    WrittenPageHandler* handler_;
    QList<QPointer<QWebEngineProfile>> profiles_;
};

}  // namespace lorvex
