// The page behind a browser view: every answer the client gives to the engine's page
// (new windows, navigations, script dialogs, console output, permissions) is here.
#pragma once

#include <QWebEnginePage>

namespace lorvex {

class BrowserView;

// The page behind a view. New-window requests go to the view's handler; permission
// requests of pages are denied; full-screen requests go to the view; navigations go only
// where the client lets them, and a move through the history asked of the page (a key, the
// context menu) counts as the client's; script dialogs go to the view's dialogs; console
// output goes to the logging category "js", off unless a developer turns it on
// (QT_LOGGING_RULES="js=true").
class BrowserPage : public QWebEnginePage {
    Q_OBJECT
  public:
    BrowserPage(QWebEngineProfile* profile, BrowserView* view);

    void triggerAction(WebAction action, bool checked = false) override;

    // How many documents the main frame has committed so far: one more each time a new
    // document replaces the one shown (not for a move inside the document, nor for a
    // request that left the page as it was, such as an answer without content).
    quint64 DocumentNumber() const { return documents_; }

  signals:
    void DocumentCommitted();

  protected:
    QWebEnginePage* createWindow(WebWindowType type) override;
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg,
                          const QString& defaultValue, QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceID) override;

  private:
    BrowserView* view_;
    QString documentMarker_;  // what the main frame's new documents say on the console
    quint64 documents_ = 0;
};

}  // namespace lorvex
