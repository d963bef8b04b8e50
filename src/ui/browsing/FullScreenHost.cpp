#include "ui/browsing/FullScreenHost.h"

#include <QCloseEvent>
#include <QShortcut>
#include <QVBoxLayout>
#include <utility>

#include "ui/web/BrowserView.h"

namespace lorvex {

namespace {

// The window a page's full screen is shown in. Closing it (the window manager's close,
// Alt+F4) ends the full screen; the view is never closed with it.
class ScreenWindow : public QWidget {
  public:
    explicit ScreenWindow(BrowserView* view) : view_(view) {
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
        view_->page()->triggerAction(QWebEnginePage::ExitFullScreen);
    }

  private:
    BrowserView* view_;
};

QWidget* Surface(BrowserView* view) {
    return view->focusProxy() != nullptr ? view->focusProxy() : view;
}

}  // namespace

FullScreenHost::FullScreenHost(BrowserView* view, QObject* parent) : QObject(parent), view_(view) {
    view_->SetFullScreenHandler([this](bool on) {
        if (on) {
            Enter();
        } else {
            Leave();
        }
    });
}

// The host ends with the main window. A view still in full screen then is no longer the
// window's child: it ends with the full screen.
FullScreenHost::~FullScreenHost() { delete screen_; }

void FullScreenHost::Enter() {
    if (screen_ != nullptr) return;
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

    auto* screen = new ScreenWindow(view_);
    screen_ = screen;
    if (home_ != nullptr) {
        screen->setWindowTitle(home_->window()->windowTitle());
        screen->setWindowIcon(home_->window()->windowIcon());
    }
    // Esc leaves as the page's own button does: the page is told and answers.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), screen);
    connect(escape, &QShortcut::activated, view_,
            [view = view_] { view->page()->triggerAction(QWebEnginePage::ExitFullScreen); });
    screen->layout()->addWidget(view_);
    view_->show();
    screen->showFullScreen();
    screen->activateWindow();
    view_->setFocus(Qt::OtherFocusReason);
}

// Called while the full screen's own window may still be handling the event that ended it
// (Esc, its close): it is hidden at once and deleted once that is done.
void FullScreenHost::Leave() {
    if (screen_ == nullptr) return;
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
    if (home_ != nullptr && hadFocus) {
        home_->window()->activateWindow();
        view_->setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace lorvex
