#include "ui/browsing/FullScreenHost.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QShortcut>
#include <QVBoxLayout>
#include <chrono>
#include <utility>

#include "ui/browsing/FullScreenHint.h"
#include "ui/web/BrowserView.h"

namespace lorvex {

namespace {

using Clock = std::chrono::steady_clock;

// The window a page's full screen is shown in. Closing it (the window manager's close,
// Alt+F4) ends the full screen; the view is never closed with it.
class ScreenWindow : public QWidget {
  public:
    explicit ScreenWindow(FullScreenHost* host) : host_(host) {
        setObjectName(QStringLiteral("FullScreen"));
        setAttribute(Qt::WA_DeleteOnClose, false);
        QPalette black = palette();
        black.setColor(QPalette::Window, Qt::black);
        setPalette(black);
        setAutoFillBackground(true);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
    }

  protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        host_->UserLeaves();
    }

  private:
    FullScreenHost* host_;
};

// What the user does to a page: a press of a mouse button or of a key other than Esc (which
// leaves), or a touch.
bool IsUserInput(const QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::TouchBegin:
            return true;
        case QEvent::KeyPress:
            return static_cast<const QKeyEvent*>(event)->key() != Qt::Key_Escape;
        default:
            return false;
    }
}

QWidget* Surface(BrowserView* view) {
    return view->focusProxy() != nullptr ? view->focusProxy() : view;
}

}  // namespace

FullScreenHost::FullScreenHost(BrowserView* view, QObject* parent) : QObject(parent), view_(view) {
    view_->SetFullScreenHandler([this](bool on) {
        if (on) return Enter();
        Leave();
        return true;
    });
    // The engine's surface, which gets the page's input, is a child of the view and is
    // replaced when the page gets a new renderer.
    view_->installEventFilter(this);
    for (QObject* child : view_->children()) WatchInput(child);
}

// The host ends with the main window. A view still in full screen then is no longer the
// window's child: it ends with the full screen.
FullScreenHost::~FullScreenHost() { delete screen_; }

void FullScreenHost::WatchInput(QObject* child) {
    if (child->isWidgetType()) child->installEventFilter(this);
}

bool FullScreenHost::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_) {
        if (event->type() == QEvent::ChildAdded) {
            WatchInput(static_cast<QChildEvent*>(event)->child());
        }
    } else if (watched == view_->focusProxy() && IsUserInput(event)) {
        reentry_.UserInput(Clock::now());
    }
    return QObject::eventFilter(watched, event);
}

void FullScreenHost::UserLeaves() {
    reentry_.UserLeft(Clock::now());
    view_->page()->triggerAction(QWebEnginePage::ExitFullScreen);
}

bool FullScreenHost::Enter() {
    if (screen_ != nullptr) return true;
    if (!reentry_.MayEnter()) return false;
    home_ = view_->parentWidget();
    place_ = view_->geometry();
    // The engine's surface, the view's focus proxy, is what takes the keyboard; the view
    // itself takes no focus. Noted: the widget before the surface in the keyboard order.
    before_ = Surface(view_)->previousInFocusChain();
    while (before_ != nullptr && before_ != Surface(view_) &&
           (view_->isAncestorOf(before_) || before_ == view_ ||
            !(before_->focusPolicy() & Qt::TabFocus))) {
        before_ = before_->previousInFocusChain();
    }
    above_ = nullptr;
    if (home_ != nullptr) {
        const QObjectList siblings = home_->children();
        for (qsizetype at = siblings.indexOf(view_) + 1; at < siblings.size(); ++at) {
            if (siblings[at]->isWidgetType()) {
                above_ = static_cast<QWidget*>(siblings[at]);
                break;
            }
        }
    }

    auto* screen = new ScreenWindow(this);
    screen_ = screen;
    if (home_ != nullptr) {
        screen->setWindowTitle(home_->window()->windowTitle());
        screen->setWindowIcon(home_->window()->windowIcon());
    }
    // Esc leaves as the page's own button does: the page is told and answers. So does the
    // view menu's item.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), screen);
    connect(escape, &QShortcut::activated, this, &FullScreenHost::UserLeaves);
    menuLeave_ = connect(view_->pageAction(QWebEnginePage::ExitFullScreen), &QAction::triggered,
                         this, [this] { reentry_.UserLeft(Clock::now()); });
    screen->layout()->addWidget(view_);
    view_->show();
    // Named in its ASCII form, so that look-alike letters cannot pose as another site.
    new FullScreenHint(screen, view_->url().host(QUrl::FullyEncoded));
    screen->showFullScreen();
    screen->activateWindow();
    view_->setFocus(Qt::OtherFocusReason);
    return true;
}

// Called while the full screen's own window may still be handling the event that ended it
// (Esc, its close): it is hidden at once and deleted once that is done.
void FullScreenHost::Leave() {
    if (screen_ == nullptr) return;
    disconnect(menuLeave_);
    QWidget* screen = std::exchange(screen_, nullptr);
    const bool hadFocus = view_->hasFocus() || screen->isActiveWindow();
    screen->layout()->removeWidget(view_);
    if (home_ != nullptr) {
        view_->setParent(home_);
        view_->setGeometry(place_);
        if (above_ != nullptr && above_->parentWidget() == home_) {
            view_->stackUnder(above_);
        } else {
            view_->raise();
        }
        // Back in the parent, the view and its surface come last in the keyboard order.
        if (before_ != nullptr && before_ != Surface(view_)) {
            QWidget::setTabOrder(before_, Surface(view_));
        }
        view_->show();
    }
    screen->hide();
    screen->deleteLater();
    if (home_ != nullptr) emit ViewReturned();
    if (home_ != nullptr && hadFocus) {
        home_->window()->activateWindow();
        view_->setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace lorvex
