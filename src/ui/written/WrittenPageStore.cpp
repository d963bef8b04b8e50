#include "ui/written/WrittenPageStore.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QThreadPool>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <optional>

#include "core/text/text_codec.h"

namespace lorvex {

namespace {

constexpr QLatin1StringView kPagePrefix("page/");

// The document number in an address of the scheme, if it is one.
std::optional<std::uint64_t> DocumentNumber(const QUrl& url) {
    if (url.scheme() != QLatin1StringView(kGeneratedPageScheme)) return std::nullopt;
    const QString path = url.path();
    if (!path.startsWith(kPagePrefix)) return std::nullopt;
    bool ok = false;
    const qulonglong number = path.mid(kPagePrefix.size()).toULongLong(&ok);
    return ok ? std::optional<std::uint64_t>(number) : std::nullopt;
}

// Serves shared bytes without copying them; holds them until the engine has read them.
class SharedBytesDevice : public QBuffer {
  public:
    SharedBytesDevice(WrittenDocuments::Bytes bytes, QObject* parent)
        : QBuffer(parent), bytes_(std::move(bytes)) {
        setData(QByteArray::fromRawData(bytes_->data(), static_cast<qsizetype>(bytes_->size())));
    }

  private:
    WrittenDocuments::Bytes bytes_;
};

}  // namespace

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

GeneratedPageStore::GeneratedPageStore()
    : droppedPage_(std::make_shared<const std::string>(Utf8ToGb18030(kDroppedDocumentPage))) {}

QUrl GeneratedPageStore::Add(std::string bytes) {
    const std::uint64_t number = documents_.Add(std::move(bytes));
    documents_.Prune([this](std::uint64_t n) { return Reachable(n); });
    QUrl url;
    url.setScheme(QString::fromLatin1(kGeneratedPageScheme));
    url.setPath(kPagePrefix + QString::number(number));
    return url;
}

void GeneratedPageStore::Watch(QWebEnginePage* page) {
    pages_.removeAll(nullptr);
    if (!pages_.contains(page)) pages_.append(page);
}

bool GeneratedPageStore::Reachable(std::uint64_t number) const {
    for (const QPointer<QWebEnginePage>& page : pages_) {
        if (page.isNull()) continue;
        if (DocumentNumber(page->url()) == number ||
            DocumentNumber(page->requestedUrl()) == number) {
            return true;
        }
        const QList<QWebEngineHistoryItem> items = page->history()->items();
        for (const QWebEngineHistoryItem& item : items) {
            if (DocumentNumber(item.url()) == number) return true;
        }
    }
    return false;
}

WrittenDocuments::Bytes GeneratedPageStore::Serve(const QUrl& url) const {
    const std::optional<std::uint64_t> number = DocumentNumber(url);
    if (!number) return nullptr;
    WrittenDocuments::Bytes bytes = documents_.Find(*number);
    if (!bytes) return documents_.Dropped(*number) ? droppedPage_ : nullptr;
    if (!packed_.contains(*number)) return bytes;
    const QByteArray unpacked = qUncompress(reinterpret_cast<const uchar*>(bytes->data()),
                                            static_cast<qsizetype>(bytes->size()));
    if (unpacked.isEmpty()) return droppedPage_;  // out of memory
    return std::make_shared<const std::string>(unpacked.constData(),
                                               static_cast<std::size_t>(unpacked.size()));
}

void GeneratedPageStore::PackWhenRead(std::uint64_t number, WrittenDocuments::Bytes served) {
    // An unpacked copy served for Back is not what the store holds, so it is not packed
    // again.
    if (served->size() < kPackFrom || documents_.Find(number) != served) return;
    QThreadPool::globalInstance()->start([number, served = std::move(served)] {
        // Level 1: the rows repeat, so even the fastest level shrinks a page many times.
        const QByteArray packed = qCompress(reinterpret_cast<const uchar*>(served->data()),
                                            static_cast<qsizetype>(served->size()), 1);
        if (packed.isEmpty()) return;
        auto bytes = std::make_shared<const std::string>(packed.constData(),
                                                         static_cast<std::size_t>(packed.size()));
        QCoreApplication* app = QCoreApplication::instance();
        if (app == nullptr) return;
        QMetaObject::invokeMethod(
            app,
            [number, served, bytes = std::move(bytes)]() mutable {
                GeneratedPageStore& store = Instance();
                if (store.documents_.Replace(number, served, std::move(bytes))) {
                    store.packed_.insert(number);
                }
            },
            Qt::QueuedConnection);
    });
}

void GeneratedPageHandler::requestStarted(QWebEngineUrlRequestJob* job) {
    WrittenDocuments::Bytes bytes = GeneratedPageStore::Instance().Serve(job->requestUrl());
    if (!bytes) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    // The job does not own the device: parent it to the job so both end together.
    auto* device = new SharedBytesDevice(bytes, job);
    device->open(QIODevice::ReadOnly);
    // When the job ends the engine has read the document.
    QObject::connect(device, &QObject::destroyed,
                     [number = *DocumentNumber(job->requestUrl()), bytes = std::move(bytes)] {
                         GeneratedPageStore::Instance().PackWhenRead(number, bytes);
                     });
    job->reply(QByteArrayLiteral("text/html;charset=gb2312"), device);
}

}  // namespace lorvex
