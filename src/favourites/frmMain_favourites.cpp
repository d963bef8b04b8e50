// The main window's favourites handlers: collect the playing song, show the library page,
// edit the favourites file, and keep the library button in step with the file.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <exception>

#include "app/MessageBox.h"
#include "app/frmMain.h"
#include "browsing/UrlLauncher.h"
#include "core/favourites/favourites_file.h"
#include "core/favourites/pages.h"

namespace lorvex {

void frmMain::WireFavouritesEvents() {
    connect(Command6, &QPushButton::clicked, this, &frmMain::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &frmMain::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &frmMain::Command8_Click);
}

QString frmMain::FavouritesFilePath() {
    // Resolved afresh at every use, so a change of the documents folder takes effect.
    const QString folder = QDir::toNativeSeparators(services_.documentsFolder());
    SpecialFolderPath = folder.toStdString();
    return QString::fromStdString(lorvex::FavouritesFilePath(SpecialFolderPath));
}

void frmMain::UpdateLibraryButton() {
    Command8->setEnabled(PathExists(FavouritesFilePath().toStdString()));
}

// Collect: on the idle page there is nothing to collect and the library shows instead;
// otherwise the playing song's address, shortened, is appended to the favourites file and
// a confirmation is written into the side column.
void frmMain::Command7_Click() {
    const std::string address = WebBrowser2->LocationURL();
    if (IsIdleLocation(address)) {
        ShowLibrary();
    } else {
        const QString path = FavouritesFilePath();
        // A fresh account may have no documents folder yet: the first collect makes it.
        QDir().mkpath(QString::fromStdString(SpecialFolderPath));
        try {
            AppendFavourite(path.toStdString(), CollectLine(address, Addresses()));
            WebBrowser1->DocumentOpen();
            for (const std::string& piece : ConfirmationPagePieces()) {
                WebBrowser1->DocumentWrite(piece);
            }
            WebBrowser1->DocumentClose();
        } catch (const std::exception& error) {  // the file, or the text converter
            services_.messages->ShowStop(
                this, kApplicationTitle,
                QStringLiteral("无法收藏此曲：\n") + QString::fromUtf8(error.what()));
        }
    }
    UpdateLibraryButton();
}

void frmMain::Command8_Click() { ShowLibrary(); }

// The library page: one row for each line of the favourites file, in file order.
void frmMain::ShowLibrary() {
    const QString path = FavouritesFilePath();
    if (!PathExists(path.toStdString())) {
        services_.messages->ShowStop(
            this, kApplicationTitle,
            QString::fromUtf8(kEmptyLibraryMessage.data(), kEmptyLibraryMessage.size()));
        return;
    }
    const LibraryPage page(Addresses());
    try {
        WebBrowser1->DocumentOpen();
        for (const std::string& piece : page.HeadPieces()) WebBrowser1->DocumentWrite(piece);
        ReadFavourites(path.toStdString(), [&](std::string_view line) {
            if (!LibraryPage::LineMakesRow(line)) return;
            for (const std::string& piece : page.RowPieces(ParseFavouriteLine(line))) {
                WebBrowser1->DocumentWrite(piece);
            }
        });
        for (const std::string& piece : page.EndPieces()) WebBrowser1->DocumentWrite(piece);
        WebBrowser1->DocumentClose();
    } catch (const std::exception& error) {  // the file, or the text converter
        // The side column keeps what it showed.
        WebBrowser1->DocumentDiscard();
        services_.messages->ShowStop(
            this, kApplicationTitle,
            QStringLiteral("无法读取收藏文件：\n") + QString::fromUtf8(error.what()));
    }
}

// Edit: the favourites file opens in the desktop's text editor. An editor needs an
// existing file, so a missing one is created empty first (an existing one is never
// truncated).
void frmMain::Command6_Click() {
    const QString path = FavouritesFilePath();
    QDir().mkpath(QString::fromStdString(SpecialFolderPath));
    if (!QFileInfo::exists(path)) {
        // Append mode: should the file appear meanwhile, it is still not truncated.
        QFile file(path);
        if (!file.open(QIODevice::Append)) {
            services_.messages->ShowStop(this, kApplicationTitle,
                                         QStringLiteral("无法创建收藏文件：\n") + path +
                                             QLatin1Char('\n') + file.errorString());
            return;
        }
    }
    if (!services_.launcher->OpenInEditor(path)) {
        services_.messages->ShowStop(this, kApplicationTitle,
                                     QStringLiteral("无法打开编辑器：\n") + path);
    }
}

}  // namespace lorvex
