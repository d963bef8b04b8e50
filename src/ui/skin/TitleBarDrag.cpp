#include "ui/skin/TitleBarDrag.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <optional>

#include "ui/desktop/X11WindowManager.h"

namespace lorvex {

namespace {

// Moves a window by hand with the mouse, keeping the pressed point under the pointer:
// for window systems that offer no system move, for drags with a button the window
// manager's move does not follow, and for a left-button drag whose button was already up
// when the move would have been handed over. Ends at the release.
class ManualMove : public QObject {
  public:
    ManualMove(QWidget* form, QPoint start, QPoint pressAt, QPoint pointer)
        : QObject(form), form_(form), offset_(pressAt - start) {
        form_->move(pointer - offset_);
        qApp->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseMove && type != QEvent::MouseButtonRelease) return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (type == QEvent::MouseMove && mouse->buttons() == Qt::NoButton) return false;
        form_->move(mouse->globalPosition().toPoint() - offset_);
        if (type == QEvent::MouseButtonRelease) {
            qApp->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

  private:
    QWidget* form_;
    QPoint offset_;
};

// Watches a left-button move handed to the X11 window manager. The window manager ends
// its move at the release it sees, so the client sees none; a release that still reaches
// the client came before the window manager took the pointer, and the move would go on
// after it until the next click. Such a move is cancelled and the window put where the
// release leaves it. Any other press, or motion with no button down, shows that the
// window manager's move is over.
class WindowManagerMove : public QObject {
  public:
    WindowManagerMove(QWidget* form, QPoint start, QPoint pressAt)
        : QObject(form), form_(form), start_(start), pressAt_(pressAt) {
        qApp->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        // A release from the window system reaches the window before its widgets; the one
        // the drag posts itself (below) is not from the window system.
        if (type == QEvent::MouseButtonRelease && watched->isWindowType() && event->spontaneous()) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (QWindow* window = form_->windowHandle()) x11::CancelMove(window);
            form_->move(start_ + mouse->globalPosition().toPoint() - pressAt_);
            Finish();
        } else if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
                   (type == QEvent::MouseMove &&
                    static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton)) {
            Finish();
        }
        return false;
    }

  private:
    void Finish() {
        qApp->removeEventFilter(this);
        deleteLater();
    }

    QWidget* form_;
    QPoint start_;
    QPoint pressAt_;
};

// Waits for the pointer to move with the button still down before starting the move: a
// press that hands the pointer to the window manager at once would swallow the
// double-click that may follow it. Either way the window moves by the pointer's whole
// travel from the press, wherever the pointer is by the time the move starts.
class PendingDrag : public QObject {
  public:
    PendingDrag(QWidget* form, QPoint pressAt)
        : QObject(form), form_(form), start_(form->pos()), pressAt_(pressAt) {
        // A press that arrives while an earlier drag still waits replaces it.
        if (waiting_) waiting_->Finish();
        waiting_ = this;
        qApp->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseMove: {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                if (mouse->buttons() == Qt::NoButton) break;
                Finish();
                StartMove(mouse->buttons(), mouse->globalPosition().toPoint());
                break;
            }
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
                Finish();
                break;
            default:
                break;
        }
        return false;
    }

  private:
    // The window manager's move follows the left button only (it ends at a left-button
    // release), so other buttons move the window by hand.
    void StartMove(Qt::MouseButtons buttons, QPoint pointer) {
        QWindow* window = form_->windowHandle();
        if (buttons == Qt::LeftButton && window != nullptr) {
            if (x11::Available()) {
                if (StartWindowManagerMove(window)) return;
            } else if (window->startSystemMove()) {
                // Elsewhere (Wayland) the compositor counts from where the pointer is when
                // its move starts, and no client may place its own window: the travel
                // before the first motion stays behind there.
                return;
            }
        }
        new ManualMove(form_, start_, pressAt_, pointer);
    }

    // X11's move counts the travel from the point it is given, and moves the window only
    // on motion it sees itself. So the window is first put where the travel so far takes
    // it, and the move is handed over from where the pointer is now (which is also what
    // Qt's own startSystemMove lacks: it counts from the last event the client read).
    bool StartWindowManagerMove(QWindow* window) {
        if (!x11::WindowManagerSupports("_NET_WM_MOVERESIZE")) return false;
        const std::optional<x11::Pointer> pointer = x11::QueryPointer(window);
        // A button already up means the release is among the events still to be read.
        if (!pointer || !pointer->leftButtonDown) return false;
        // Device pixels to Qt's, for a screen at the origin.
        const QPoint now = (QPointF(pointer->position) / window->devicePixelRatio()).toPoint();
        form_->move(start_ + now - pressAt_);
        new WindowManagerMove(form_, start_, pressAt_);
        x11::StartMove(window, pointer->position);
        // The client sees no release from here on: its widgets let go of the press now, or
        // they would go on treating the pointer as held by the pressed element (no hover,
        // no cursor shapes) until the next click. WindowManagerMove tells this release from
        // one the window system delivers.
        const QPointF local = form_->mapFromGlobal(QPointF(now));
        QCoreApplication::postEvent(
            window, new QMouseEvent(QEvent::MouseButtonRelease, local, QPointF(now), Qt::LeftButton,
                                    Qt::NoButton, Qt::NoModifier));
        return true;
    }

    void Finish() {
        if (waiting_ == this) waiting_ = nullptr;
        qApp->removeEventFilter(this);
        deleteLater();
    }

    static inline QPointer<PendingDrag> waiting_;
    QWidget* form_;
    QPoint start_;
    QPoint pressAt_;
};

}  // namespace

void BeginTitleBarDrag(QWidget* form, QPoint pressAt) { new PendingDrag(form, pressAt); }

}  // namespace lorvex
