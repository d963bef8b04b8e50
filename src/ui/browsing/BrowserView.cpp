#include "ui/browsing/BrowserView.h"

#include <QContextMenuEvent>
#include <QLoggingCategory>
#include <QMenu>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

#include <chrono>
#include <utility>

#include "core/portal/location.h"
#include "core/portal/page_rules.h"
#include "core/text/text_codec.h"
#include "ui/browsing/DocumentStarts.h"
#include "ui/browsing/GeneratedPages.h"
#include "ui/browsing/ViewKeys.h"
#include "ui/browsing/ViewMenu.h"
#include "ui/browsing/WebProfile.h"
#include "ui/desktop/StartupTrace.h"

namespace lorvex {

namespace {

// The pages' console output: every level off unless a developer turns it on.
Q_LOGGING_CATEGORY(lcPageConsole, "js", QtFatalMsg)

// Overflow hidden on the root and the body: without a scroll bar a page can still scroll
// by wheel or keys unless its overflow is hidden.
constexpr char kNoScrollScript[] = R"(
(function () {
  var css = 'html, body { overflow: hidden !important; }';
  var style = document.getElementById('lorvex-no-scroll');
  if (!style) {
    style = document.createElement('style');
    style.id = 'lorvex-no-scroll';
    (document.head || document.documentElement).appendChild(style);
  }
  style.textContent = css;
  if (document.body) document.body.setAttribute('scroll', 'no');
})();
)";

// A page the client writes may hold a table of many thousands of rows. Laid out while it
// is still being parsed, the growing table would be laid out again and again. While the
// parser runs only the first rows are shown, so they are painted and scroll at once, and
// each new frame lays out no more than those; once the parser is done every row is shown
// and the table is laid out once. Every row's search link is the same picture in a box of
// the same size: boxes far from the viewport stand in with the size the first one has (as
// the page's style sheet made it), so the engine neither lays out nor paints their
// pictures until the user scrolls near them, and nothing on the page moves. Only the
// client's own pages are affected.
constexpr char kWrittenPageScript[] = R"(
(function () {
  if (location.protocol !== 'lorvex:') return;
  var whileParsing = new CSSStyleSheet();
  whileParsing.replaceSync('tr:nth-child(n+201) { display: none !important; }');
  document.adoptedStyleSheets = [whileParsing];
  var standIn = new CSSStyleSheet();
  var standInRule = '';
  // A stand-in box is as wide as its picture with the picture's margins, and as high as
  // the box's content: padding and border come on top, as on the real one.
  function measureSearchBoxes() {
    var box = document.querySelector('td > div');
    var picture = box && box.querySelector('img');
    if (!picture) return;
    var p = getComputedStyle(picture), b = getComputedStyle(box);
    var width = picture.getBoundingClientRect().width + parseFloat(p.marginLeft) +
        parseFloat(p.marginRight);
    var height = box.getBoundingClientRect().height - parseFloat(b.paddingTop) -
        parseFloat(b.paddingBottom) - parseFloat(b.borderTopWidth) -
        parseFloat(b.borderBottomWidth);
    var rule = 'td > div { content-visibility: auto; contain-intrinsic-size: ' + width +
        'px ' + height + 'px; }';
    if (rule !== standInRule) standIn.replaceSync(standInRule = rule);
  }
  document.addEventListener('DOMContentLoaded', function () {
    measureSearchBoxes();
    document.adoptedStyleSheets = [standIn];
  });
  // The page's style sheet may arrive after the parse, and change the boxes' size.
  addEventListener('load', measureSearchBoxes);
})();
)";

QWebEngineScript WrittenPageScript() {
    QWebEngineScript script;
    script.setName(QStringLiteral("lorvex-written-page"));
    script.setSourceCode(QString::fromLatin1(kWrittenPageScript));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(false);
    return script;
}

NavigationKind KindOf(QWebEnginePage::NavigationType type) {
    switch (type) {
        case QWebEnginePage::NavigationTypeLinkClicked:
            return NavigationKind::Link;
        case QWebEnginePage::NavigationTypeTyped:
            return NavigationKind::Typed;
        case QWebEnginePage::NavigationTypeFormSubmitted:
            return NavigationKind::FormSubmitted;
        case QWebEnginePage::NavigationTypeBackForward:
            return NavigationKind::BackForward;
        case QWebEnginePage::NavigationTypeReload:
            return NavigationKind::Reload;
        case QWebEnginePage::NavigationTypeRedirect:
            return NavigationKind::Redirect;
        case QWebEnginePage::NavigationTypeOther:
            break;
    }
    return NavigationKind::Other;
}

}  // namespace

BrowserPage::BrowserPage(QWebEngineProfile* profile, BrowserView* view)
    : QWebEnginePage(profile, view), view_(view) {
    // Pages get nothing beyond what a browser tab gets: every permission is refused.
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl& origin, Feature feature) {
                setFeaturePermission(origin, feature, PermissionDeniedByUser);
            });
    connect(this, &QWebEnginePage::fullScreenRequested, view,
            [view](QWebEngineFullScreenRequest request) {
                view->AnswerFullScreen(std::move(request));
            });
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    // Portal pages open their pop-ups by script, without a click.
    settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    // An address of a scheme the engine does not handle (mailto:, smb:, magnet: ...) would
    // start whatever program the desktop has for it: never from a page.
    settings()->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
    // Documents of the "lorvex" scheme count as local. They may not read files, but their
    // links, style sheet and pictures point at the portal: without remote access the engine
    // refuses those requests (ERR_NETWORK_ACCESS_DENIED). Portal pages are not local, so
    // this changes nothing for them.
    settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    scripts().insert(WrittenPageScript());
    scripts().insert(view->Dialogs().PageScript());
    connect(new DocumentStarts(this), &DocumentStarts::NewDocument, view,
            &BrowserView::NewDocument);
}

void BrowserPage::triggerAction(WebAction action, bool checked) {
    const bool moves = (action == Back && history()->canGoBack()) ||
                       (action == Forward && history()->canGoForward()) ||
                       ((action == Reload || action == ReloadAndBypassCache) && !url().isEmpty());
    if (moves) view_->BeginClientNavigation();
    QWebEnginePage::triggerAction(action, checked);
}

QWebEnginePage* BrowserPage::createWindow(WebWindowType) {
    // The new window's contents go into a page that already exists: the engine hands its
    // freshly created contents to the returned page, which drops what it showed (and its
    // history) and loads the new window there. This holds for link clicks (scripted or by
    // hand) and for window.open alike. Returning this page itself would crash the engine, so
    // a handler that answers with this view's own page is treated as a refusal.
    QWebEnginePage* target = view_->AnswerNewWindow();
    return target == this ? nullptr : target;
}

bool BrowserPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    const bool byClient = isMainFrame && view_->TakeClientNavigation();
    const std::string scheme = url.scheme().toStdString();
    const std::string path = url.path().toStdString();
    return NavigationAllowed({scheme, path, KindOf(type), isMainFrame, byClient},
                             kGeneratedPageScheme);
}

void BrowserPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                           const QString& message, int lineNumber,
                                           const QString& sourceID) {
    const QtMsgType type = level == InfoMessageLevel      ? QtInfoMsg
                           : level == WarningMessageLevel ? QtWarningMsg
                                                          : QtCriticalMsg;
    if (!lcPageConsole().isEnabled(type)) return;
    // What a page writes reaches a terminal only with its control characters escaped.
    const QByteArray source =
        QByteArray::fromStdString(EscapeControlCharacters(sourceID.toStdString()));
    const QString text = QString::fromStdString(EscapeControlCharacters(message.toStdString()));
    QMessageLogger logger(source.constData(), lineNumber, nullptr, lcPageConsole().categoryName());
    if (type == QtInfoMsg) {
        logger.info().noquote() << text;
    } else if (type == QtWarningMsg) {
        logger.warning().noquote() << text;
    } else {
        logger.critical().noquote() << text;
    }
}

BrowserView::BrowserView(QWidget* parent) : QWebEngineView(parent) {
    new ViewKeys(this);
    // A page's dialogs are counted until a new document replaces it.
    connect(this, &BrowserView::NewDocument, this, [this] { dialogs_.DocumentStarted(); });
}

BrowserPage* BrowserView::EnsurePage() {
    if (page_ == nullptr) {
        page_ = new BrowserPage(WebProfile(), this);
        TraceStartup("first page");
        page_->setZoomFactor(zoom_);
        page_->settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled,
                                        bool(fullScreen_));
        setPage(page_);
        // Documents written into this view stay while its history can go back to them.
        GeneratedPageStore::Instance().Watch(page_);
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
        // it. So the request is granted within the view and ended at once; the view stays
        // where it is and the screen is never the page's.
        request.accept();
        page()->triggerAction(QWebEnginePage::ExitFullScreen);
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
    EnsurePage();
    const QUrl url = GeneratedPageStore::Instance().Add(std::exchange(document_, {}));
    BeginClientNavigation();
    load(url);
}

void BrowserView::HideScrollBars() {
    BrowserPage* current = EnsurePage();
    current->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    current->runJavaScript(QString::fromLatin1(kNoScrollScript),
                           QWebEngineScript::ApplicationWorld);
}

bool BrowserView::Place(int left, int top, int width, int height) {
    if (width < 0 || height < 0) return false;
    setGeometry(left, top, width, height);
    return true;
}

}  // namespace lorvex
