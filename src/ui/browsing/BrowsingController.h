// Browsing: the side column's navigation (categories, back, forward, about), the song
// search, the five buttons that hand a fixed address to the system's browser, and the
// answers to the views' events: new windows of the side column open in the main view, new
// windows of the main view load out of sight in the pop-up host, and each completed page of
// the main view loses its scroll bars and is announced (MainViewCompleted), for collect.
// The main view's pages may go full screen; both views' context menus open links in the
// system's browser.
#pragma once

#include <QObject>
#include <memory>
#include <string>

#include "core/portal/addresses.h"

class QLineEdit;
class QWebEnginePage;

namespace lorvex {

class BrowserView;
class FullScreenHost;
class PopupHost;
class SystemLauncher;

class BrowsingController : public QObject {
    Q_OBJECT
  public:
    // The views and controls it works with stay the caller's; none may be null.
    BrowsingController(const PortalAddresses& portal, BrowserView* mainView,
                       BrowserView* sideColumn, QLineEdit* searchBox, SystemLauncher* launcher,
                       QObject* parent = nullptr);
    ~BrowsingController() override;

    // The side column: the category page, one step back or forward (nothing when there is
    // no page that way), the about page.
    void ShowCategories();
    void Back();
    void Forward();
    void ShowAbout();

    // The portal's search for the search box's text, as typed, in the side column.
    void Search();

    // The system's browser: ringtones, films, animations, the forum board, the portal's home.
    void OpenRingtones();
    void OpenMovies();
    void OpenAnimation();
    void OpenForum();
    void OpenPortalHome();

    // The pop-up host, created hidden on first use.
    PopupHost& Popup();
    bool HasPopup() const { return popup_ != nullptr; }
    // Ends the pop-up host with the program.
    void ClosePopup();

    // The main view's full screen.
    FullScreenHost& FullScreen() const { return *fullScreen_; }

  signals:
    // The main view completed a document at this address (as the user reads it).
    void MainViewCompleted(const std::string& address);

  private:
    QWebEnginePage* SideColumnNewWindow();
    QWebEnginePage* MainViewNewWindow();
    void MainViewDocumentComplete();
    void OpenOutside(const std::string& address);

    const PortalAddresses& portal_;
    BrowserView* mainView_;
    BrowserView* sideColumn_;
    QLineEdit* searchBox_;
    SystemLauncher* launcher_;
    std::unique_ptr<PopupHost> popup_;
    std::unique_ptr<FullScreenHost> fullScreen_;
};

}  // namespace lorvex
