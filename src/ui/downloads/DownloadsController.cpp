#include "ui/downloads/DownloadsController.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QScopedValueRollback>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include "core/downloads/save_name.h"
#include "ui/downloads/DownloadWindow.h"
#include "ui/downloads/SaveQuestion.h"

namespace lorvex {

namespace {

void Accept(QWebEngineDownloadRequest* download, const QString& path) {
    const QFileInfo target(path);
    download->setDownloadDirectory(target.absolutePath());
    download->setDownloadFileName(target.fileName());
    download->accept();
}

// The folder the question opens in: the profile's download folder (the user's), or the
// home folder when that does not exist. Never one the page or the server named.
QString SaveFolder(const QWebEngineProfile* profile) {
    const QString folder = profile->downloadPath();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

QString OfferedName(const QWebEngineDownloadRequest* download) {
    const QMimeType type = QMimeDatabase().mimeTypeForName(download->mimeType());
    const QString extension = type.isValid() ? type.preferredSuffix() : QString();
#ifdef Q_OS_WIN
    constexpr FileNameEncoding kEncoding = FileNameEncoding::Utf16;
#else
    constexpr FileNameEncoding kEncoding = FileNameEncoding::Utf8;
#endif
    return QString::fromStdString(CleanSaveName(download->suggestedFileName().toStdString(),
                                                extension.toStdString(), kEncoding));
}

}  // namespace

DownloadsController::DownloadsController(QWebEngineProfile* profile, QWidget* windowParent,
                                         AskingPages asking, QList<QWidget*> blockedWhileAsking,
                                         SaveDialog askSavePath)
    : QObject(windowParent),
      profile_(profile),
      windowParent_(windowParent),
      askingPages_(std::move(asking)) {
    if (askSavePath) {
        askSavePath_ = std::move(askSavePath);
    } else {
        askSavePath_ = [blocked = std::move(blockedWhileAsking)](QWidget* parent,
                                                                 const QString& suggested) {
            return AskSavePath(parent, suggested, blocked);
        };
    }
    // The engine drops a download that is not accepted by the time the handler returns, so
    // the question is asked here, in a nested event loop.
    connect(profile, &QWebEngineProfile::downloadRequested, this, &DownloadsController::Requested);
}

QList<DownloadWindow*> DownloadsController::Windows() const {
    QList<DownloadWindow*> open;
    for (const QPointer<DownloadWindow>& window : windows_) {
        if (window) open << window.data();
    }
    return open;
}

void DownloadsController::EndAll() {
    ended_ = true;
    for (DownloadWindow* window : Windows()) window->Cancel();
}

// A request left unaccepted when this returns is refused: the engine drops it, and nothing
// is written.
void DownloadsController::Requested(QWebEngineDownloadRequest* download) {
    if (ended_ || download->state() != QWebEngineDownloadRequest::DownloadRequested) return;
    if (Restarted(download)) return;
    if (asking_) return;
    const QWebEnginePage* page = download->page();
    const std::optional<quint64> document = askingPages_(page);
    if (!document) return;
    if (const auto declined = declined_.constFind(page);
        declined != declined_.cend() && *declined == *document) {
        return;
    }
    Ask(download, page, *document);
}

bool DownloadsController::Restarted(QWebEngineDownloadRequest* download) {
    windows_.removeAll(nullptr);
    for (const QPointer<DownloadWindow>& window : windows_) {
        if (window->Id() != download->id() || window->Status().phase != DownloadPhase::InProgress) {
            continue;
        }
        Accept(download, window->Path());
        window->Restarted(download);
        return true;
    }
    return false;
}

void DownloadsController::Ask(QWebEngineDownloadRequest* download, const QWebEnginePage* page,
                              quint64 document) {
    const QPointer<QWebEngineDownloadRequest> request(download);
    const QString suggested = QDir(SaveFolder(profile_)).filePath(OfferedName(download));
    QString chosen;
    {
        const QScopedValueRollback<bool> asking(asking_, true);
        chosen = askSavePath_(windowParent_, suggested);
    }
    if (ended_ || request.isNull() ||
        request->state() != QWebEngineDownloadRequest::DownloadRequested) {
        return;
    }
    if (chosen.isEmpty()) {
        declined_.insert(page, document);
        return;
    }
    const QString path = QFileInfo(chosen).absoluteFilePath();
    if (!PathFree(path)) {
        qWarning("lorvex: not saving a second download into %s", qPrintable(path));
        return;
    }
    Accept(download, path);
    auto* window = new DownloadWindow(download, path, windowParent_);
    windows_.append(window);
    window->show();
}

bool DownloadsController::PathFree(const QString& path) const {
    for (const DownloadWindow* window : Windows()) {
        if (window->Status().phase == DownloadPhase::InProgress && window->Path() == path) {
            return false;
        }
    }
    return !QFileInfo::exists(path + QString::fromLatin1(kPartialFileSuffix));
}

}  // namespace lorvex
