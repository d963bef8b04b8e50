// Script dialogs of the pages in a browser view: alert, confirm, prompt and the question
// before leaving a page, answered with a box over the view that asked, so that only that
// view's page waits while the title bar, the panel and the other view go on working.
//
// The web engine asks for these dialogs from inside one of its own tasks and waits there
// for the answer; while it waits, no view loads, paints or takes input. So alert, confirm
// and prompt are taken from the engine: a script in every frame of the view's pages asks the
// client instead, with a synchronous request to the "lorvex-dialog" scheme that blocks only
// the asking page and is answered when the user answers. What still reaches the engine's
// path (the leave-page question, a page that got hold of the original functions) waits in a
// nested event loop.
#pragma once

#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWebEngineScript>
#include <functional>

#include "core/portal/page_rules.h"
#include "ui/dialogs/PageDialog.h"

namespace lorvex {

// Who asks, from the asking frame's origin and the address of the top page it belongs to.
DialogAsker AskerOf(const QUrl& origin, const QUrl& page);

// Answers the dialogs of one view's pages.
class PageDialogs {
  public:
    explicit PageDialogs(QWidget* view);
    ~PageDialogs();
    PageDialogs(const PageDialogs&) = delete;
    PageDialogs& operator=(const PageDialogs&) = delete;

    // Receives the answer: accepted, and for a prompt the text.
    using Answer = std::function<void(bool accepted, const QString& text)>;

    // Shows a dialog over the view; `answer` runs once the user answers or the dialog gives
    // way. A silenced view or page, or a second dialog while one is open, gets the silent
    // answer at once: alert OK, confirm and prompt cancelled, leave-page yes. Returns the
    // box, or nullptr when answered at once.
    PageDialog* Ask(PageDialogKind kind, const DialogAsker& asker, const QString& message,
                    const QString& defaultText, Answer answer);
    // The same, returning the answer: waits for it in a nested event loop, which also ends
    // when the application quits (the dialog then counts as cancelled).
    bool AskAndWait(PageDialogKind kind, const DialogAsker& asker, const QString& message,
                    const QString& defaultText, QString* text);

    // From now on every dialog is answered silently; an open one is cancelled.
    void Silence();
    // Cancels the open dialog, if any (the client is taking the view elsewhere).
    void Dismiss();
    // A new document has begun in the view: its dialogs are counted afresh.
    void DocumentStarted() { throttle_.Reset(); }

    // The script that routes the pages' alert, confirm and prompt to this view's dialogs.
    QWebEngineScript PageScript() const;
    // The dialogs a question address names, or nullptr.
    static PageDialogs* ForToken(const QString& token);

  private:
    QWidget* view_;
    QString token_;  // names this view in question addresses
    DialogThrottle throttle_;
    QPointer<PageDialog> open_;
    bool silent_ = false;
};

}  // namespace lorvex
