// The main window: a borderless, skinned window holding the main browser view, the side
// column and the panel of controls. The constructor builds the window from its
// definition; Load() is its load handler, run once before the window is first shown.
// Its event handlers are defined in the files of the subsystem they belong to
// (skin, browsing, favourites).
#pragma once

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPoint>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/CommandButton.h"
#include "browsing/BrowserView.h"
#include "core/portal/addresses.h"
#include "skin/PictureElement.h"

namespace lorvex {

class Form1;
class MessageBoxes;
class SystemLauncher;
class SingleInstanceGuard;

// What the window needs from outside, so tests can substitute each piece.
struct Services {
    MessageBoxes* messages = nullptr;    // default: real message boxes
    SystemLauncher* launcher = nullptr;  // default: the desktop's browser and editor
    // The user's documents folder, resolved afresh at every use. Default: the desktop's.
    std::function<QString()> documentsFolder;
    // The single-instance guard; none means every copy runs as the first.
    SingleInstanceGuard* guard = nullptr;
    // Ends the process at once. Default: _Exit, so no further handler runs.
    std::function<void(int)> exitProcess;
};

class frmMain : public QWidget {
    Q_OBJECT
  public:
    explicit frmMain(std::string portalOrigin, Services services = {}, QWidget* parent = nullptr);
    ~frmMain() override;

    // The load handler: guard, skin, glyph, start pages, button grid and captions, library
    // button. Runs once, before the window is first shown.
    void Load();

    // Returns at once when no other copy runs; otherwise tells the user, hands the front
    // to the running copy and ends the process.
    void CheckExist(QWidget* fm);

    // The portal origin as the engine writes it (see NormaliseOrigin).
    const std::string& PortalOrigin() const { return portalOrigin_; }
    Services& services() { return services_; }

    // The pop-up host, created hidden on first use.
    Form1& PopupHost();
    bool HasPopupHost() const { return popup_ != nullptr; }

    // Controls, front first in stacking order.
    QFrame* Frame1 = nullptr;
    CommandButton* Command14 = nullptr;
    CommandButton* Command13 = nullptr;
    QLineEdit* Text1 = nullptr;
    CommandButton* Command12 = nullptr;
    CommandButton* Command11 = nullptr;
    CommandButton* Command10 = nullptr;
    CommandButton* Command9 = nullptr;
    CommandButton* Command8 = nullptr;
    CommandButton* Command7 = nullptr;
    CommandButton* Command6 = nullptr;
    CommandButton* Command5 = nullptr;
    CommandButton* Command4 = nullptr;
    CommandButton* Command3 = nullptr;
    CommandButton* Command2 = nullptr;
    CommandButton* Command1 = nullptr;
    QLabel* Label1 = nullptr;
    BrowserView* WebBrowser2 = nullptr;
    BrowserView* WebBrowser1 = nullptr;
    PictureElement* imgTitleMaximize = nullptr;
    PictureElement* imgTitleRestore = nullptr;
    PictureElement* imgTitleMaxRestore = nullptr;
    std::array<PictureElement*, 8> Resizer{};
    QLabel* lblTitle = nullptr;
    PictureElement* imgTitleMinimize = nullptr;
    PictureElement* imgTitleClose = nullptr;
    PictureElement* imgTitleHelp = nullptr;
    PictureElement* imgTitleLeft = nullptr;
    PictureElement* imgTitleRight = nullptr;
    PictureElement* imgWindowBottomLeft = nullptr;
    PictureElement* imgWindowBottomRight = nullptr;
    PictureElement* imgTitleMain = nullptr;
    PictureElement* imgWindowBottom = nullptr;
    PictureElement* imgWindowLeft = nullptr;
    PictureElement* imgWindowRight = nullptr;

    // The buttons Command1..Command14 by number (1-based).
    CommandButton* Command(int number) const;

    // Cursor positions (screen pixels) at the latest press and release on a grip.
    QPoint GripStartPoint;
    QPoint GripEndPoint;

    // The folder last resolved for the favourites file.
    std::string SpecialFolderPath;

    // Twips per pixel of the screen the window is on.
    double TwipsPerPixelX() const;
    double TwipsPerPixelY() const;

    // Handlers, one per answered event.
    void Form_Resize();
    void imgTitleClose_Click();
    void imgTitleMinimize_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void Command10_Click();
    void Command11_Click();
    void Command12_Click();
    void Command13_Click();
    void Command14_Click();
    void Text1_KeyPress(int keyAscii);
    QWebEnginePage* WebBrowser1_NewWindow2();
    QWebEnginePage* WebBrowser2_NewWindow2();
    void WebBrowser2_DocumentComplete();

    // The favourites file's path for the current documents folder; also stores the folder
    // in SpecialFolderPath.
    QString FavouritesFilePath();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateControls();
    void CreateFrameElements();
    void CreatePanel();
    void WireEvents();
    void WireSkinEvents();
    void WireBrowsingEvents();
    void WireFavouritesEvents();
    void LayoutButtonGrid();
    void SetStartupCaptions();
    void UpdateLibraryButton();
    void ShowLibrary();
    void Search();
    PortalAddresses Addresses() const;
    void OpenOutside(std::string PortalAddresses::*address);

    std::string portalOrigin_;
    Services services_;
    std::unique_ptr<MessageBoxes> ownMessages_;
    std::unique_ptr<SystemLauncher> ownLauncher_;
    std::unique_ptr<Form1> popup_;
};

}  // namespace lorvex
