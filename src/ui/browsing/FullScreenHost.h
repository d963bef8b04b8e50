// Full screen for the main view's pages (a video's full-screen button): the view moves into
// a window of its own that covers the screen, and back into its place when the page leaves
// full screen (its own button, Esc, navigating away, its renderer ending). The main window
// is left alone meanwhile, so it comes back with its bounds, maximised and stay-on-top
// states, region and frame exactly as they were; were they changed meanwhile, the view is
// placed by the window's layout as it is then.
//
// Each full screen opens with a notice naming the page's host and how to leave
// (FullScreenHint). Once the user has left (Esc, closing the window, the menu), the page gets
// the screen again only after a new click or key of the user on the page itself, a second
// or more later (FullScreenReentry): the host watches the input the view's surface gets
// from the window system, which no page can make up.
#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

#include "core/browsing/view_rules.h"

namespace lorvex {

class BrowserView;

class FullScreenHost : public QObject {
    Q_OBJECT
  public:
    // Answers the full-screen requests of `view`'s pages. The view stays its parent's.
    explicit FullScreenHost(BrowserView* view, QObject* parent = nullptr);
    ~FullScreenHost() override;

    // The window covering the screen while a page is in full screen, else nullptr.
    QWidget* Screen() const { return screen_; }

    // The user takes the page out of full screen.
    void UserLeaves();

  signals:
    // The view is back in its parent, at the place it had; its parent may have changed size
    // meanwhile, so the parent lays it out again.
    void ViewReturned();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool Enter();
    void Leave();
    void WatchInput(QObject* child);

    BrowserView* view_;
    QPointer<QWidget> screen_;
    // Where the view was: its parent, its place, the sibling above it and the widget
    // before it in the keyboard order.
    QPointer<QWidget> home_;
    QRect place_;
    QPointer<QWidget> above_;
    QPointer<QWidget> before_;
    FullScreenReentry reentry_;
    QMetaObject::Connection menuLeave_;
};

}  // namespace lorvex
