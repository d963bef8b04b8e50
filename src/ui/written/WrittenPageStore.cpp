#include "ui/written/WrittenPageStore.h"

#include <QCoreApplication>
#include <QThreadPool>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include "core/text/text_codec.h"
#include "ui/written/WrittenPageHandler.h"

namespace lorvex {

WrittenPageStore::WrittenPageStore(QObject* parent)
    : QObject(parent),
      droppedPage_(std::make_shared<const std::string>(Utf8ToGb18030(kDroppedWrittenPage))),
      handler_(new WrittenPageHandler(this)) {}

// The profiles outlive the store: they stop asking it.
WrittenPageStore::~WrittenPageStore() {
    for (const QPointer<QWebEngineProfile>& profile : profiles_) {
        if (profile && profile->urlSchemeHandler(kWrittenPageScheme) == handler_) {
            profile->removeUrlSchemeHandler(handler_);
        }
    }
}

// Another store (another main window in the same process) may have taken the scheme
// meanwhile: the store that writes a page serves it.
QUrl WrittenPageStore::Add(std::string bytes) {
    for (const QPointer<QWebEnginePage>& page : watched_) {
        if (page) ServeOn(page->profile());
    }
    const std::uint64_t number = pages_.Add(std::move(bytes));
    pages_.Prune([this](std::uint64_t n) { return Reachable(n); });
    return WrittenPageUrl(number);
}

void WrittenPageStore::Watch(QWebEnginePage* page) {
    watched_.removeAll(nullptr);
    if (!watched_.contains(page)) watched_.append(page);
    ServeOn(page->profile());
}

// A profile has one handler for the scheme: this store's replaces another's.
void WrittenPageStore::ServeOn(QWebEngineProfile* profile) {
    const QWebEngineUrlSchemeHandler* current = profile->urlSchemeHandler(kWrittenPageScheme);
    if (current == handler_) return;
    if (current != nullptr) profile->removeUrlScheme(kWrittenPageScheme);
    profile->installUrlSchemeHandler(kWrittenPageScheme, handler_);
    profiles_.removeAll(nullptr);
    profiles_.append(profile);
}

bool WrittenPageStore::Reachable(std::uint64_t number) const {
    for (const QPointer<QWebEnginePage>& page : watched_) {
        if (page.isNull()) continue;
        if (WrittenPageNumber(page->url()) == number ||
            WrittenPageNumber(page->requestedUrl()) == number) {
            return true;
        }
        const QList<QWebEngineHistoryItem> items = page->history()->items();
        for (const QWebEngineHistoryItem& item : items) {
            if (WrittenPageNumber(item.url()) == number) return true;
        }
    }
    return false;
}

WrittenPageStore::Bytes WrittenPageStore::Serve(const QUrl& url) const {
    const std::optional<std::uint64_t> number = WrittenPageNumber(url);
    if (!number) return nullptr;
    Bytes bytes = pages_.Find(*number);
    if (!bytes) return pages_.Dropped(*number) ? droppedPage_ : nullptr;
    if (!packed_.contains(*number)) return bytes;
    const QByteArray unpacked = qUncompress(reinterpret_cast<const uchar*>(bytes->data()),
                                            static_cast<qsizetype>(bytes->size()));
    if (unpacked.isEmpty()) return droppedPage_;  // out of memory
    return std::make_shared<const std::string>(unpacked.constData(),
                                               static_cast<std::size_t>(unpacked.size()));
}

void WrittenPageStore::PackWhenRead(std::uint64_t number, Bytes served) {
    // An unpacked copy served for Back is not what the store holds, so it is not packed
    // again.
    if (served->size() < kPackFrom || pages_.Find(number) != served) return;
    QThreadPool::globalInstance()->start(
        [store = QPointer<WrittenPageStore>(this), number, served = std::move(served)] {
            // Level 1: the rows repeat, so even the fastest level shrinks a page many times.
            const QByteArray packed = qCompress(reinterpret_cast<const uchar*>(served->data()),
                                                static_cast<qsizetype>(served->size()), 1);
            if (packed.isEmpty()) return;
            auto bytes = std::make_shared<const std::string>(
                packed.constData(), static_cast<std::size_t>(packed.size()));
            QCoreApplication* app = QCoreApplication::instance();
            if (app == nullptr) return;
            // The store is looked at on the UI thread only: it may have ended meanwhile.
            QMetaObject::invokeMethod(
                app,
                [store, number, served, bytes = std::move(bytes)]() mutable {
                    if (store && store->pages_.Replace(number, served, std::move(bytes))) {
                        store->packed_.insert(number);
                    }
                },
                Qt::QueuedConnection);
        });
}

}  // namespace lorvex
