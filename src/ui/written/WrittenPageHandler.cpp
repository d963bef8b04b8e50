#include "ui/written/WrittenPageHandler.h"

#include <QBuffer>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <utility>

#include "ui/written/WrittenPageStore.h"

namespace lorvex {

namespace {

constexpr QLatin1StringView kPagePrefix("page/");

// Serves shared bytes without copying them; holds them until the engine has read them.
class SharedBytesDevice : public QBuffer {
  public:
    SharedBytesDevice(WrittenPages::Bytes bytes, QObject* parent)
        : QBuffer(parent), bytes_(std::move(bytes)) {
        setData(QByteArray::fromRawData(bytes_->data(), static_cast<qsizetype>(bytes_->size())));
    }

  private:
    WrittenPages::Bytes bytes_;
};

}  // namespace

void RegisterWrittenPageScheme() {
    QWebEngineUrlScheme scheme(kWrittenPageScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    // Local: a portal page can neither load a written page nor navigate to one, so what
    // the client wrote stays the client's. Not a secure scheme: the library page loads the
    // portal's http style sheet and icon, which a secure page would block as mixed content.
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QUrl WrittenPageUrl(std::uint64_t number) {
    QUrl url;
    url.setScheme(QString::fromLatin1(kWrittenPageScheme));
    url.setPath(kPagePrefix + QString::number(number));
    return url;
}

std::optional<std::uint64_t> WrittenPageNumber(const QUrl& url) {
    if (url.scheme() != QLatin1StringView(kWrittenPageScheme)) return std::nullopt;
    const QString path = url.path();
    if (!path.startsWith(kPagePrefix)) return std::nullopt;
    bool ok = false;
    const qulonglong number = path.mid(kPagePrefix.size()).toULongLong(&ok);
    return ok ? std::optional<std::uint64_t>(number) : std::nullopt;
}

WrittenPageHandler::WrittenPageHandler(WrittenPageStore* store)
    : QWebEngineUrlSchemeHandler(store), store_(store) {}

void WrittenPageHandler::requestStarted(QWebEngineUrlRequestJob* job) {
    WrittenPages::Bytes bytes = store_ ? store_->Serve(job->requestUrl()) : nullptr;
    if (!bytes) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    // The job does not own the device: parent it to the job so both end together.
    auto* device = new SharedBytesDevice(bytes, job);
    device->open(QIODevice::ReadOnly);
    // When the job ends the engine has read the page.
    QObject::connect(
        device, &QObject::destroyed,
        [store = store_, number = *WrittenPageNumber(job->requestUrl()), bytes = std::move(bytes)] {
            if (store) store->PackWhenRead(number, bytes);
        });
    job->reply(QByteArrayLiteral("text/html;charset=gb2312"), device);
}

}  // namespace lorvex
