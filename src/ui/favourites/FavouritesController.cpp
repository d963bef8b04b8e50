#include "ui/favourites/FavouritesController.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <exception>

#include "core/favourites/favourites_file.h"
#include "core/written/pages.h"
#include "ui/desktop/MessageBoxes.h"
#include "ui/desktop/SystemLauncher.h"
#include "ui/web/BrowserView.h"

namespace lorvex {

FavouritesController::FavouritesController(const PortalAddresses& portal, Parts parts,
                                           QObject* parent)
    : QObject(parent), portal_(portal), parts_(std::move(parts)) {
    // The library button follows the file from the start, not from the first command.
    UpdateLibraryButton();
}

QString FavouritesController::LocateFavouritesFile() {
    // Resolved afresh at every use, so a change of the documents folder takes effect.
    lastDocumentsFolder_ = QDir::toNativeSeparators(parts_.documentsFolder());
    return QString::fromStdString(FavouritesFilePath(lastDocumentsFolder_.toStdString()));
}

void FavouritesController::ShowStop(const QString& text) const {
    parts_.messages->ShowStop(parts_.boxParent, kApplicationTitle, text);
}

void FavouritesController::MainViewCompleted(const std::string& address) {
    parts_.collect->setEnabled(CollectEnabledFor(address));
}

void FavouritesController::UpdateLibraryButton() {
    parts_.library->setEnabled(PathExists(LocateFavouritesFile().toStdString()));
}

void FavouritesController::Collect() {
    const std::string address = parts_.mainView->LocationURL();
    if (IsIdleLocation(address)) {
        ShowLibrary();
    } else {
        const QString path = LocateFavouritesFile();
        // A fresh account may have no documents folder yet: the first collect makes it.
        QDir().mkpath(lastDocumentsFolder_);
        try {
            AppendFavourite(path.toStdString(), CollectLine(address, portal_));
            BrowserView* side = parts_.sideColumn;
            side->DocumentOpen();
            for (const std::string& piece : ConfirmationPagePieces()) side->DocumentWrite(piece);
            side->DocumentClose();
        } catch (const std::exception& error) {  // the file, or the text converter
            ShowStop(QStringLiteral("无法收藏此曲：\n") + QString::fromUtf8(error.what()));
        }
    }
    UpdateLibraryButton();
}

void FavouritesController::ShowLibrary() {
    const QString path = LocateFavouritesFile();
    if (!PathExists(path.toStdString())) {
        ShowStop(QString::fromUtf8(kEmptyLibraryMessage.data(),
                                   static_cast<qsizetype>(kEmptyLibraryMessage.size())));
        return;
    }
    BrowserView* side = parts_.sideColumn;
    std::string document;
    try {
        document = LibraryPage(portal_).DocumentOfFile(ReadFavouritesBytes(path.toStdString()));
    } catch (const std::exception& error) {  // the file, or the text converter
        // The side column keeps what it showed.
        ShowStop(QStringLiteral("无法读取收藏文件：\n") + QString::fromUtf8(error.what()));
        return;
    }
    side->DocumentOpen();
    side->DocumentWriteEncoded(std::move(document));
    side->DocumentClose();
}

void FavouritesController::EditFavourites() {
    const QString path = LocateFavouritesFile();
    QDir().mkpath(lastDocumentsFolder_);
    if (!QFileInfo::exists(path)) {
        // Append mode: should the file appear meanwhile, it is still not truncated.
        QFile file(path);
        if (!file.open(QIODevice::Append)) {
            ShowStop(QStringLiteral("无法创建收藏文件：\n") + path + QLatin1Char('\n') +
                     file.errorString());
            return;
        }
    }
    if (!parts_.launcher->OpenInEditor(path)) {
        ShowStop(QStringLiteral("无法打开编辑器：\n") + path);
    }
}

}  // namespace lorvex
