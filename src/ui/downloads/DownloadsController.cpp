#include "ui/downloads/DownloadsController.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

#include "ui/downloads/DownloadWindow.h"

namespace lorvex {

QString AskSavePath(QWidget* parent, const QString& suggested) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("保存文件"), suggested);
}

namespace {

void Accept(QWebEngineDownloadRequest* download, const QString& path) {
    const QFileInfo target(path);
    download->setDownloadDirectory(target.absolutePath());
    download->setDownloadFileName(target.fileName());
    download->accept();
}

}  // namespace

DownloadsController::DownloadsController(QWebEngineProfile* profile, QWidget* windowParent,
                                         SaveDialog askSavePath)
    : QObject(windowParent),
      windowParent_(windowParent),
      askSavePath_(askSavePath ? std::move(askSavePath) : SaveDialog(&AskSavePath)) {
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

void DownloadsController::Requested(QWebEngineDownloadRequest* download) {
    if (download->state() != QWebEngineDownloadRequest::DownloadRequested) return;
    windows_.removeAll(nullptr);
    for (const QPointer<DownloadWindow>& window : windows_) {
        if (window->Id() != download->id() || window->Status().phase != DownloadPhase::InProgress) {
            continue;
        }
        Accept(download, window->Path());
        window->Restarted(download);
        return;
    }
    // The profile's download folder is the user's. A folder that does not exist would
    // leave the dialog in the working folder: the home folder is offered instead.
    QString folder = download->downloadDirectory();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
    const QString chosen =
        askSavePath_(windowParent_, QDir(folder).filePath(download->suggestedFileName()));
    if (chosen.isEmpty()) return;
    const QString path = QFileInfo(chosen).absoluteFilePath();
    Accept(download, path);
    auto* window = new DownloadWindow(download, path, windowParent_);
    windows_.append(window);
    window->show();
}

}  // namespace lorvex
