#include "ui/web/BrowserPage.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineHistory>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <utility>

#include "core/portal/page_rules.h"
#include "ui/dialogs/PageDialogs.h"
#include "ui/web/BrowserView.h"
#include "ui/written/WrittenPageStore.h"

namespace lorvex {

namespace {

// The pages' console output: every level off unless a developer turns it on.
Q_LOGGING_CATEGORY(lcPageConsole, "js", QtFatalMsg)

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

// The text the web engine passes when a page's beforeunload handler asks to stay.
QString LeavePageQuestion() {
    return QCoreApplication::translate(
        "QWebEnginePage",
        "Are you sure you want to leave this page? Changes that you made may not be saved.");
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
    const bool allowed = NavigationAllowed({scheme, path, KindOf(type), isMainFrame, byClient},
                                           kGeneratedPageScheme);
    // A page's dialogs are counted until it navigates.
    if (allowed && isMainFrame) view_->Dialogs().PageNavigated();
    return allowed;
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

// The page's dialog requests, answered through its view's dialogs.

void BrowserPage::javaScriptAlert(const QUrl& securityOrigin, const QString& msg) {
    view_->Dialogs().AskAndWait(PageDialogKind::Alert, AskingHost(securityOrigin), msg, {},
                                nullptr);
}

bool BrowserPage::javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) {
    if (msg == LeavePageQuestion()) {
        // A page never holds back the client's own navigations (its buttons, its written
        // pages); only the page's own ones are put to the user.
        if (view_->ClientNavigating()) return true;
        return view_->Dialogs().AskAndWait(PageDialogKind::LeavePage, AskingHost(securityOrigin),
                                           msg, {}, nullptr);
    }
    return view_->Dialogs().AskAndWait(PageDialogKind::Confirm, AskingHost(securityOrigin), msg, {},
                                       nullptr);
}

bool BrowserPage::javaScriptPrompt(const QUrl& securityOrigin, const QString& msg,
                                   const QString& defaultValue, QString* result) {
    return view_->Dialogs().AskAndWait(PageDialogKind::Prompt, AskingHost(securityOrigin), msg,
                                       defaultValue, result);
}

}  // namespace lorvex
