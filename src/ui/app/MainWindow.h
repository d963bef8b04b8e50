// The main window (designer name frmMain): a borderless, skinned window holding the main
// browser view, the side column and the panel of controls. The constructor builds the
// window from its design and wires every control to the feature that answers it (the skin,
// browsing, favourites); Load() is its start-up, run once before it is first shown.
#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "core/portal/addresses.h"
#include "ui/app/MainWindowControls.h"
#include "ui/app/Services.h"

namespace lorvex {

class BrowserView;
class BrowsingController;
class DownloadsController;
class FavouritesController;
class PagePlayerHost;
class WindowSkin;
class WrittenPageStore;

class MainWindow : public QWidget {
    Q_OBJECT
  public:
    // `portalOrigin` is taken in the form the web engine writes addresses in.
    explicit MainWindow(std::string_view portalOrigin, Services services = {},
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up: the single-instance guard, the skin, the maximise glyph, the start pages,
    // the button grid and captions, and last the library button.
    void Load();

    // Returns at once when no other copy runs; otherwise tells the user, hands the front
    // to the running copy and ends the process.
    void CheckExist(QWidget* fm);

    const PortalAddresses& Portal() const { return portal_; }
    BrowserView* MainView() const { return mainView_; }
    BrowserView* SideColumn() const { return sideColumn_; }
    const PanelControls& Panel() const { return panel_; }
    const FrameControls& Frame() const { return frame_; }
    WindowSkin& Skin() const { return *skin_; }
    BrowsingController& Browsing() const { return *browsing_; }
    FavouritesController& Favourites() const { return *favourites_; }
    // The pages written into the views.
    WrittenPageStore& WrittenPages() const { return *writtenPages_; }
    // Made by Load, once this copy is the only one running.
    DownloadsController* Downloads() const { return downloads_; }
    // The main view's players; made by Load.
    PagePlayerHost* Players() const { return players_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateControls();
    void WireControls();
    void LayoutContent();

    PortalAddresses portal_;
    Services services_;
    OwnedServices ownServices_;

    WrittenPageStore* writtenPages_ = nullptr;
    FrameControls frame_;
    PanelControls panel_;
    BrowserView* mainView_ = nullptr;    // WebBrowser2
    BrowserView* sideColumn_ = nullptr;  // WebBrowser1

    WindowSkin* skin_ = nullptr;
    BrowsingController* browsing_ = nullptr;
    FavouritesController* favourites_ = nullptr;
    DownloadsController* downloads_ = nullptr;
    PagePlayerHost* players_ = nullptr;
};

}  // namespace lorvex
