#include "ui/web/ViewKeys.h"

#include <QChildEvent>
#include <QPointer>
#include <QShortcut>
#include <QTimer>
#include <QWheelEvent>

#include "ui/web/BrowserView.h"

namespace lorvex {

ViewKeys::ViewKeys(BrowserView* view) : QObject(view), view_(view) {
    auto onKeys = [view](std::initializer_list<QKeyCombination> keys, auto handler) {
        for (const QKeyCombination key : keys) {
            auto* shortcut = new QShortcut(QKeySequence(key), view);
            shortcut->setContext(Qt::WidgetWithChildrenShortcut);
            QObject::connect(shortcut, &QShortcut::activated, view, handler);
        }
    };
    onKeys({Qt::Key_F5, Qt::CTRL | Qt::Key_R}, [view] { view->Reload(); });
    onKeys({Qt::ALT | Qt::Key_Left}, [view] { view->GoBack(); });
    onKeys({Qt::ALT | Qt::Key_Right}, [view] { view->GoForward(); });
    // Ctrl+= is Ctrl+plus without the shift, as browsers take it.
    onKeys({Qt::CTRL | Qt::Key_Plus, Qt::CTRL | Qt::Key_Equal},
           [view] { view->StepZoom(ZoomStep::In); });
    onKeys({Qt::CTRL | Qt::Key_Minus}, [view] { view->StepZoom(ZoomStep::Out); });
    onKeys({Qt::CTRL | Qt::Key_0}, [view] { view->StepZoom(ZoomStep::Reset); });

    // The engine's surface is a child widget the view creates (again after a renderer
    // ends): each child is watched as it arrives.
    view->installEventFilter(this);
    for (QObject* child : view->children()) {
        if (child->isWidgetType()) child->installEventFilter(this);
    }
}

bool ViewKeys::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_) {
        if (event->type() == QEvent::ChildAdded) {
            QObject* child = static_cast<QChildEvent*>(event)->child();
            if (child->isWidgetType()) child->installEventFilter(this);
        }
        return false;
    }
    if (event->type() == QEvent::FocusOut) {
        // The engine replaces its surface for a page of another site (a new renderer), and
        // Qt hands the old surface's focus on to another control: it stays in the view.
        QPointer<QWidget> surface = static_cast<QWidget*>(watched);
        QTimer::singleShot(0, view_, [view = view_, surface] {
            const bool replaced = surface == nullptr || view->focusProxy() != surface;
            if (replaced && view->isVisible() && view->isActiveWindow()) {
                view->setFocus(Qt::OtherFocusReason);
            }
        });
        return false;
    }
    if (event->type() != QEvent::Wheel) return false;
    const auto* wheel = static_cast<QWheelEvent*>(event);
    if (!wheel->modifiers().testFlag(Qt::ControlModifier)) return false;
    const int steps = wheel_.Turn(wheel->angleDelta().y());
    for (int step = 0; step < qAbs(steps); ++step) {
        view_->StepZoom(steps > 0 ? ZoomStep::In : ZoomStep::Out);
    }
    return true;
}

}  // namespace lorvex
