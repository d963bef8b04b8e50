// Favourites: collect the song playing in the main view into the favourites file, show the
// library page of the collected songs in the side column, open the file in the text
// editor; the collect button follows the main view's completed documents and the library
// button the file's existence.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "core/portal/addresses.h"

class QAbstractButton;
class QWidget;

namespace lorvex {

class BrowserView;
class MessageBoxes;
class SystemLauncher;

class FavouritesController : public QObject {
    Q_OBJECT
  public:
    // What the controller works with; the views, button and services stay the caller's.
    struct Parts {
        BrowserView* mainView = nullptr;
        BrowserView* sideColumn = nullptr;
        QAbstractButton* collect = nullptr;  // enabled by the main view's latest document
        QAbstractButton* library = nullptr;  // enabled exactly when the file exists
        MessageBoxes* messages = nullptr;
        SystemLauncher* launcher = nullptr;  // the text editor
        // The user's documents folder, asked afresh at every use.
        std::function<QString()> documentsFolder;
        QWidget* boxParent = nullptr;  // the window the message boxes belong to
    };

    FavouritesController(const PortalAddresses& portal, Parts parts, QObject* parent = nullptr);

    // On the idle page there is nothing to collect and the library shows instead; otherwise
    // the playing song's address, shortened, is appended to the favourites file and a
    // confirmation is written into the side column. Either way the library button follows
    // the file.
    void Collect();

    // The library page, one row for each line of the favourites file, in file order; a box
    // asks for songs to be collected first when there is no file.
    void ShowLibrary();

    // Opens the favourites file in the text editor, creating it empty (never truncating it)
    // when it is missing, since an editor needs a file.
    void EditFavourites();

    // The main view completed a document at `address`: collect can be used exactly when
    // there is a song to collect.
    void MainViewCompleted(const std::string& address);

  private:
    // Enables the library button exactly when the favourites file exists.
    void UpdateLibraryButton();
    // Resolves the documents folder afresh, remembers it, and returns the file's path.
    QString LocateFavouritesFile();
    void ShowStop(const QString& text) const;

    const PortalAddresses& portal_;
    Parts parts_;
    QString lastDocumentsFolder_;  // the latest command's (native separators)
};

}  // namespace lorvex
