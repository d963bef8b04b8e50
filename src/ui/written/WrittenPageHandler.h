// The "lorvex" URL scheme, through which the pages the client writes (the library page and
// the confirmation of a collect) reach the browser views: a written page is kept in a
// WrittenPageStore and loaded as "lorvex:page/<n>". The reply carries the GB18030 bytes and
// declares charset gb2312, so the page's links send GBK queries to the portal, and it is
// not limited in size the way a data: URL is.
#pragma once

#include <QPointer>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>
#include <cstdint>
#include <optional>

namespace lorvex {

class WrittenPageStore;

inline constexpr char kWrittenPageScheme[] = "lorvex";

// Registers the scheme with the web engine. Must run before the QApplication is created.
void RegisterWrittenPageScheme();

// The address of written page `number`, and the number an address names (none for any
// other address).
QUrl WrittenPageUrl(std::uint64_t number);
std::optional<std::uint64_t> WrittenPageNumber(const QUrl& url);

// Serves a store's pages; the store installs it on the profiles of the pages it watches.
class WrittenPageHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
  public:
    explicit WrittenPageHandler(WrittenPageStore* store);
    // Answers only with pages the client wrote; anything else fails as not found.
    void requestStarted(QWebEngineUrlRequestJob* job) override;

  private:
    QPointer<WrittenPageStore> store_;
};

}  // namespace lorvex
