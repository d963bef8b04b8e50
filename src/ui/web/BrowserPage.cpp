#include "ui/web/BrowserPage.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QUuid>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineHistory>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <utility>

#include "core/portal/page_rules.h"
#include "ui/dialogs/PageDialogs.h"
#include "ui/scripts/PageScripts.h"
#include "ui/web/BrowserView.h"
#include "ui/written/WrittenPageHandler.h"

namespace lorvex {

namespace {

// The pages' console output: every level off unless a developer turns it on.
Q_LOGGING_CATEGORY(lcPageConsole, "js", QtFatalMsg)

// Shows a written page's first rows while it is parsed (written_page.js).
QWebEngineScript WrittenPageScript() {
    QWebEngineScript script;
    script.setName(QStringLiteral("lorvex-written-page"));
    script.setSourceCode(PageScripts::Source(PageScript::WrittenPage));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(false);
    return script;
}

// Reports each new document of the main frame on the console with `marker`
// (document_created.js).
QWebEngineScript DocumentCreatedScript(const QString& marker) {
    QWebEngineScript script;
    script.setName(QStringLiteral("lorvex-document-created"));
    script.setSourceCode(PageScripts::Source(PageScript::DocumentCreated).arg(marker));
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
    : QWebEnginePage(profile, view),
      view_(view),
      documentMarker_(QStringLiteral("lorvex-document-") +
                      QUuid::createUuid().toString(QUuid::Id128)) {
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
    scripts().insert(DocumentCreatedScript(documentMarker_));
    // A page's dialogs are counted until a new document replaces it.
    connect(this, &BrowserPage::DocumentCommitted, view,
            [view] { view->Dialogs().DocumentStarted(); });
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
                             kWrittenPageScheme);
}

void BrowserPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                           const QString& message, int lineNumber,
                                           const QString& sourceID) {
    if (message == documentMarker_) {
        ++documents_;
        emit DocumentCommitted();
        return;
    }
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
    view_->Dialogs().AskAndWait(PageDialogKind::Alert, AskerOf(securityOrigin, url()), msg, {},
                                nullptr);
}

bool BrowserPage::javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) {
    if (msg == LeavePageQuestion()) {
        // A page never holds back the client's own navigations (its buttons, its written
        // pages); only the page's own ones are put to the user.
        if (view_->ClientNavigating()) return true;
        return view_->Dialogs().AskAndWait(PageDialogKind::LeavePage,
                                           AskerOf(securityOrigin, url()), msg, {}, nullptr);
    }
    return view_->Dialogs().AskAndWait(PageDialogKind::Confirm, AskerOf(securityOrigin, url()), msg,
                                       {}, nullptr);
}

bool BrowserPage::javaScriptPrompt(const QUrl& securityOrigin, const QString& msg,
                                   const QString& defaultValue, QString* result) {
    return view_->Dialogs().AskAndWait(PageDialogKind::Prompt, AskerOf(securityOrigin, url()), msg,
                                       defaultValue, result);
}

}  // namespace lorvex
