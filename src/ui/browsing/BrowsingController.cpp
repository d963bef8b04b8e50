#include "ui/browsing/BrowsingController.h"

#include <QLineEdit>

#include "ui/browsing/FullScreenHost.h"
#include "ui/browsing/PopupHost.h"
#include "ui/desktop/SystemLauncher.h"
#include "ui/web/BrowserView.h"

namespace lorvex {

namespace {

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace

BrowsingController::BrowsingController(const PortalAddresses& portal, BrowserView* mainView,
                                       BrowserView* sideColumn, QLineEdit* searchBox,
                                       SystemLauncher* launcher, QObject* parent)
    : QObject(parent),
      portal_(portal),
      mainView_(mainView),
      sideColumn_(sideColumn),
      searchBox_(searchBox),
      launcher_(launcher),
      fullScreen_(std::make_unique<FullScreenHost>(mainView)) {
    mainView_->SetLauncher(launcher_);
    sideColumn_->SetLauncher(launcher_);
    sideColumn_->SetNewWindowHandler([this] { return SideColumnNewWindow(); });
    mainView_->SetNewWindowHandler([this] { return MainViewNewWindow(); });
    connect(mainView_, &QWebEngineView::loadFinished, this, [this] { MainViewDocumentComplete(); });
}

BrowsingController::~BrowsingController() = default;

void BrowsingController::ShowCategories() { sideColumn_->Navigate(Text(portal_.categories)); }

void BrowsingController::Back() { sideColumn_->GoBack(); }

void BrowsingController::Forward() { sideColumn_->GoForward(); }

void BrowsingController::ShowAbout() { sideColumn_->Navigate(Text(portal_.about)); }

// The keyword is escaped as a query value, its Chinese text in GBK: "R&B" stays one
// keyword, as the user meant it.
void BrowsingController::Search() {
    sideColumn_->Navigate(Text(SearchAddress(portal_, searchBox_->text().toStdString())));
}

// A failure to open the system's browser shows nothing.
void BrowsingController::OpenOutside(const std::string& address) {
    launcher_->OpenInBrowser(Text(address));
}

void BrowsingController::OpenRingtones() { OpenOutside(portal_.ringtone); }
void BrowsingController::OpenMovies() { OpenOutside(portal_.movie); }
void BrowsingController::OpenAnimation() { OpenOutside(portal_.animation); }
void BrowsingController::OpenForum() { OpenOutside(portal_.forum); }
void BrowsingController::OpenPortalHome() { OpenOutside(portal_.home); }

PopupHost& BrowsingController::Popup() {
    if (!popup_) popup_ = std::make_unique<PopupHost>();
    return *popup_;
}

void BrowsingController::ClosePopup() {
    if (popup_) popup_->close();
}

// A new window of the side column (a song link of the library page, say) opens in the
// main view.
QWebEnginePage* BrowsingController::SideColumnNewWindow() { return mainView_->EnsurePage(); }

// A new window of the main view loads out of sight in the pop-up host.
QWebEnginePage* BrowsingController::MainViewNewWindow() { return Popup().View()->EnsurePage(); }

void BrowsingController::MainViewDocumentComplete() {
    mainView_->HideScrollBars();
    emit MainViewCompleted(mainView_->LocationURL());
}

}  // namespace lorvex
