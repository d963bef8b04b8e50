// The browser view the client hosts three times (the main view, the side column and the
// hidden pop-up browser): a QWebEngineView offering what the rest of the client relies
// on, in the client's terms.
#pragma once

#include <QPointer>
#include <QWebEngineFullScreenRequest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "core/browsing/view_rules.h"
#include "ui/dialogs/PageDialogs.h"
#include "ui/web/BrowserPage.h"

namespace lorvex {

class SystemLauncher;
class WrittenPageStore;

class BrowserView : public QWebEngineView {
    Q_OBJECT
  public:
    explicit BrowserView(QWidget* parent = nullptr);

    // Answers a new-window request of this view's pages: the page to load the new window's
    // contents into, or nullptr to refuse it.
    using NewWindowHandler = std::function<QWebEnginePage*()>;
    void SetNewWindowHandler(NewWindowHandler handler) { newWindow_ = std::move(handler); }
    QWebEnginePage* AnswerNewWindow();

    // Starts loading an address given as text and returns at once. Non-ASCII characters
    // are sent GBK-percent-encoded, the portal's code page; ASCII goes as it stands.
    void Navigate(const QString& address);

    // One step back or forward in the view's history; false when there is no page that way.
    bool GoBack();
    bool GoForward();
    // Loads the view's address again; false before the first load.
    bool Reload();

    // The view's zoom, one step at a time (the keys and the wheel: ViewKeys.h). The factor is
    // the view's: it stays while the view goes from page to page.
    void StepZoom(ZoomStep step);
    double ZoomFactor() const { return zoom_; }

    // The system's browser, for the context menu's item that opens a link there; none leaves
    // the item out.
    void SetLauncher(SystemLauncher* launcher) { launcher_ = launcher; }

    // Answers the full-screen requests of the view's pages: called with true when a page
    // asks to go full screen, and returns whether it may (false refuses the request and
    // changes nothing); called with false when it leaves (by itself, by Esc, by navigating
    // away, or because its renderer ended). A view without a handler refuses every request.
    using FullScreenHandler = std::function<bool(bool)>;
    void SetFullScreenHandler(FullScreenHandler handler);
    void AnswerFullScreen(QWebEngineFullScreenRequest request);

    // The address of the view's top-level document as the user reads it: non-ASCII escapes
    // decoded into characters, ASCII escapes kept (UTF-8). Empty before the first load.
    std::string LocationURL() const;

    // Where the pages written into this view are kept and served from (the main window's
    // store); the view's history is watched so they stay while it can go back to them. A
    // view without a store shows no written page.
    void SetWrittenPages(WrittenPageStore* store);

    // Writes a document of the client's own into the view: Open starts it, each Write
    // appends a piece (UTF-8), Close hands the whole text to the view, which then loads it.
    void DocumentOpen();
    void DocumentWrite(std::string_view piece);
    // Appends a piece already in the bytes the view is served (GB18030), without a copy
    // when it is the first.
    void DocumentWriteEncoded(std::string bytes);
    void DocumentClose();
    bool DocumentIsOpen() const { return documentOpen_; }

    // Hides the scroll bars of the current document and keeps the user from scrolling it
    // (wheel, keys). The page's own scripts can still scroll it: overflow hidden allows that.
    void HideScrollBars();

    // Places the view in its parent; a negative width or height is refused (returns false
    // and changes nothing).
    bool Place(int left, int top, int width, int height);

    // The page, created on first use so that a view that never loads starts no browser.
    BrowserPage* EnsurePage();

    // The script dialogs of the view's pages.
    PageDialogs& Dialogs() { return dialogs_; }
    // Every later dialog of the view's pages is answered without being shown; an open one is
    // cancelled. For a view nobody sees, and for the end of the program.
    void SilenceDialogs() { dialogs_.Silence(); }

    // Whether a navigation the client started (load, back, forward) has not yet reached its
    // request; the request takes the mark.
    bool ClientNavigating() const { return clientNavigating_; }
    bool TakeClientNavigation() { return std::exchange(clientNavigating_, false); }
    // The client is about to move the view: a page's open dialog gives way.
    void BeginClientNavigation();

  protected:
    // The engine's context menu, trimmed (ViewMenu.h); none when the page cancelled it.
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void RendererEnded(QWebEnginePage::RenderProcessTerminationStatus status);

    BrowserPage* page_ = nullptr;
    PageDialogs dialogs_{this};
    bool clientNavigating_ = false;
    NewWindowHandler newWindow_;
    std::string document_;  // the document being written, in GB18030
    bool documentOpen_ = false;
    SystemLauncher* launcher_ = nullptr;
    double zoom_ = 1.0;
    FullScreenHandler fullScreen_;
    bool inFullScreen_ = false;
    CrashReloads crashReloads_;
    QPointer<WrittenPageStore> writtenPages_;
};

}  // namespace lorvex
