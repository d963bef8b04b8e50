#include "ui/web/BrowserView.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>
#include <QWebEngineHistory>
#include <QWebEngineScript>
#include <QWebEngineSettings>

#include <chrono>
#include <utility>

#include "core/portal/location.h"
#include "core/text/text_codec.h"
#include "ui/desktop/StartupTrace.h"
#include "ui/scripts/PageScripts.h"
#include "ui/web/ViewKeys.h"
#include "ui/web/ViewMenu.h"
#include "ui/web/WebProfile.h"
#include "ui/written/WrittenPageStore.h"

namespace lorvex {

BrowserView::BrowserView(QWidget* parent) : QWebEngineView(parent) { new ViewKeys(this); }

BrowserPage* BrowserView::EnsurePage() {
    if (page_ == nullptr) {
        page_ = new BrowserPage(WebProfile(), this);
        TraceStartup("first page");
        page_->setZoomFactor(zoom_);
        page_->settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled,
                                        bool(fullScreen_));
        setPage(page_);
        if (writtenPages_) writtenPages_->Watch(page_);
        connect(page_, &QWebEnginePage::renderProcessTerminated, this,
                [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                    RendererEnded(status);
                });
    }
    return page_;
}

QWebEnginePage* BrowserView::AnswerNewWindow() { return newWindow_ ? newWindow_() : nullptr; }

void BrowserView::BeginClientNavigation() {
    dialogs_.Dismiss();
    clientNavigating_ = true;
}

void BrowserView::Navigate(const QString& address) {
    EnsurePage();
    BeginClientNavigation();
    const std::string sent = EncodeAddressForPortal(address.toStdString());
    load(QUrl::fromEncoded(QByteArray::fromStdString(sent), QUrl::TolerantMode));
}

// The page marks these moves as the client's (BrowserPage::triggerAction).
bool BrowserView::GoBack() {
    if (page_ == nullptr || !history()->canGoBack()) return false;
    back();
    return true;
}

bool BrowserView::GoForward() {
    if (page_ == nullptr || !history()->canGoForward()) return false;
    forward();
    return true;
}

bool BrowserView::Reload() {
    if (page_ == nullptr || page_->url().isEmpty()) return false;
    reload();
    return true;
}

// The engine keeps a page's factor from page to page, and sets it again on each new renderer.
void BrowserView::StepZoom(ZoomStep step) {
    zoom_ = NextZoomFactor(zoom_, step);
    if (page_ != nullptr) page_->setZoomFactor(zoom_);
}

void BrowserView::SetFullScreenHandler(FullScreenHandler handler) {
    fullScreen_ = std::move(handler);
    // Without the engine's support a page's request is refused before it reaches the view.
    if (page_ != nullptr) {
        page_->settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled,
                                        bool(fullScreen_));
    }
}

// Leaving is always granted: the page is leaving anyway.
void BrowserView::AnswerFullScreen(QWebEngineFullScreenRequest request) {
    const bool on = request.toggleOn();
    if (on && !inFullScreen_ && !(fullScreen_ && fullScreen_(true))) {
        // Once a page has asked, the engine of this Qt version has no refusal that reaches it:
        // a rejected request is left pending, and every later one of the page waits behind
        // it. So the request is granted within the view and ended shortly after; the view
        // stays where it is and the screen is never the page's. Ended at once, before the
        // page has entered, the engine again sometimes leaves the page's next request
        // unanswered.
        request.accept();
        QTimer::singleShot(250, page_,
                           [page = page_] { page->triggerAction(QWebEnginePage::ExitFullScreen); });
        return;
    }
    request.accept();
    if (on == inFullScreen_) return;
    inFullScreen_ = on;
    if (!on) fullScreen_(false);
}

// A renderer that ended abnormally takes the page's full screen with it; the view loads its
// address again, at most once a minute. The reload waits for the engine to finish telling
// of the ended renderer.
void BrowserView::RendererEnded(QWebEnginePage::RenderProcessTerminationStatus status) {
    if (status == QWebEnginePage::NormalTerminationStatus) return;
    if (inFullScreen_) {
        inFullScreen_ = false;
        fullScreen_(false);
    }
    if (!crashReloads_.ReloadAfterCrash(std::chrono::steady_clock::now())) return;
    QMetaObject::invokeMethod(
        this, [this] { Reload(); }, Qt::QueuedConnection);
}

void BrowserView::contextMenuEvent(QContextMenuEvent* event) {
    if (QMenu* menu = MakeViewMenu(this, launcher_)) menu->popup(event->globalPos());
}

std::string BrowserView::LocationURL() const {
    if (page_ == nullptr) return {};
    // Never through QUrl::toString(): its decoded form mangles GBK escapes.
    return PresentLocation(url().toEncoded().toStdString());
}

void BrowserView::SetWrittenPages(WrittenPageStore* store) {
    writtenPages_ = store;
    if (store != nullptr && page_ != nullptr) store->Watch(page_);
}

void BrowserView::DocumentOpen() {
    document_.clear();
    documentOpen_ = true;
}

void BrowserView::DocumentWrite(std::string_view piece) {
    if (!documentOpen_) DocumentOpen();
    // Kept in the bytes the view is served (GB18030), piece by piece: a large library page
    // is then held once, not once as text and again as bytes.
    AppendGb18030(document_, piece);
}

void BrowserView::DocumentWriteEncoded(std::string bytes) {
    if (!documentOpen_) DocumentOpen();
    if (document_.empty()) {
        document_ = std::move(bytes);
    } else {
        document_ += bytes;
    }
}

void BrowserView::DocumentClose() {
    if (!documentOpen_) return;
    documentOpen_ = false;
    std::string document = std::exchange(document_, {});
    if (!writtenPages_) return;
    EnsurePage();
    const QUrl url = writtenPages_->Add(std::move(document));
    BeginClientNavigation();
    load(url);
}

void BrowserView::HideScrollBars() {
    BrowserPage* current = EnsurePage();
    current->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    current->runJavaScript(PageScripts::Source(PageScript::NoScroll),
                           QWebEngineScript::ApplicationWorld);
}

bool BrowserView::Place(int left, int top, int width, int height) {
    if (width < 0 || height < 0) return false;
    setGeometry(left, top, width, height);
    return true;
}

}  // namespace lorvex
