#include "skin/Module1.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QRegion>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <optional>
#include <vector>

#include "app/X11WindowManager.h"
#include "core/geometry/frame_geometry.h"
#include "core/geometry/units.h"
#include "skin/PictureElement.h"

namespace lorvex {

std::int16_t LastLayoutResizable = 0;

namespace {

const QColor kFrameGrey(207, 207, 207);
const char kFollowing[] = "lorvexSkinFollowing";
const char kFollowRequest[] = "lorvexSkinFollowRequest";
// How long after a change of state or size the frame follows the window's new size.
constexpr int kFollowMs = 2000;

double TwipsPerPixelX(const QWidget* form) {
    const QScreen* screen = form->screen();
    return TwipsPerPixel(screen ? screen->logicalDotsPerInchX() : 96.0);
}

double TwipsPerPixelY(const QWidget* form) {
    const QScreen* screen = form->screen();
    return TwipsPerPixel(screen ? screen->logicalDotsPerInchY() : 96.0);
}

// The window's size in whole pixels, worked out from its size in twips.
QSize SkinSize(const QWidget* form) {
    const double tppX = TwipsPerPixelX(form);
    const double tppY = TwipsPerPixelY(form);
    return {SkinPixels(form->width() * tppX, tppX), SkinPixels(form->height() * tppY, tppY)};
}

QWidget* Element(QWidget* form, std::string_view name) {
    const QString key = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    auto* element = form->findChild<QWidget*>(key, Qt::FindDirectChildrenOnly);
    if (element == nullptr) {
        throw MissingElement("the window has no element named " + std::string(name));
    }
    return element;
}

PictureElement* Grip(QWidget* form, int index) {
    const auto grips =
        form->findChildren<PictureElement*>(QStringLiteral("Resizer"), Qt::FindDirectChildrenOnly);
    for (PictureElement* grip : grips) {
        if (grip->Index() == index) return grip;
    }
    throw MissingElement("the window has no element Resizer(" + std::to_string(index) + ")");
}

void Place(QWidget* element, const ElementPlacement& placement) {
    const int width = placement.width.value_or(element->width());
    const int height = placement.height.value_or(element->height());
    element->setGeometry(placement.left, placement.top, width, height);
}

// A change of window state or size reaches an X11 window only once the window manager
// has answered, after the procedure that asked for it has returned. The frame is laid out
// at once, as asked, and again each time a new size arrives in the following while, the
// way the latest layout was done (with or without grips).
class SkinFollower : public QObject {
  public:
    // Call before asking for the change, so that an answer given at once is not missed.
    static void Follow(QWidget* form) {
        static SkinFollower follower;
        form->removeEventFilter(&follower);
        form->installEventFilter(&follower);
        // The answer normally comes within milliseconds; stop following after a while so
        // a later resize by other means leaves the frame alone. Only the latest request's
        // timer ends the following.
        const int request = form->property(kFollowRequest).toInt() + 1;
        form->setProperty(kFollowRequest, request);
        form->setProperty(kFollowing, true);
        QTimer::singleShot(kFollowMs, form, [form, request] {
            if (form->property(kFollowRequest).toInt() == request) {
                form->setProperty(kFollowing, false);
            }
        });
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* form = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Resize && form && form->property(kFollowing).toBool()) {
            // Deferred so the window's own size-change handler runs first. A window that
            // lacks an element already made the first layout throw to its caller; the
            // event loop must not see that exception again.
            QTimer::singleShot(0, form, [form] {
                try {
                    LayoutSkin(form, LastLayoutResizable == 1);
                } catch (const MissingElement&) {
                }
            });
        }
        return false;
    }
};

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

void LayoutSkin(QWidget* form, bool resizable) {
    LastLayoutResizable = resizable ? 1 : 0;
    const QSize size = SkinSize(form);
    const int w = size.width();
    const int h = size.height();

    QPalette background = form->palette();
    background.setColor(QPalette::Window, kFrameGrey);
    form->setPalette(background);
    form->setAutoFillBackground(true);

    auto* title = qobject_cast<QLabel*>(Element(form, "lblTitle"));
    if (title == nullptr) throw MissingElement("lblTitle is not a label");
    form->setWindowTitle(title->text());
    title->move(kTitleLabelLeft, kTitleLabelTop);

    ApplyWindowRegion(form);

    for (const ElementPlacement& placement : FramePlacements(w, h)) {
        Place(Element(form, placement.name), placement);
    }

    if (!resizable) return;
    const auto grips = GripPlacements(w, h);
    for (int index = 0; index < 8; ++index) Grip(form, index)->setVisible(true);
    for (int index = 0; index < 8; ++index) {
        Place(Grip(form, index), grips[static_cast<std::size_t>(index)]);
    }
}

void ApplyWindowRegion(QWidget* form) {
    const QSize size = SkinSize(form);
    const std::vector<Span> spans =
        RoundRectSpans(size.width(), size.height(), kRegionEllipse, kRegionEllipse);
    std::vector<QRect> rows;
    rows.reserve(spans.size());
    for (const Span& span : spans) rows.emplace_back(span.x0, span.y, span.x1 - span.x0, 1);
    QRegion region;
    region.setRects(rows.data(), static_cast<int>(rows.size()));
    // On X11 the mask clips both drawing and input; on Wayland it only limits input.
    form->setMask(region);
}

void DragWindow(QWidget* form, QPoint pressAt) {
    if (form->isMaximized()) return;
    new PendingDrag(form, pressAt);
}

void ToggleMaximize(QWidget* form) {
    auto* button = qobject_cast<PictureElement*>(Element(form, "imgTitleMaxRestore"));
    // "Normal" means neither maximised nor minimised; the active flag does not count.
    const Qt::WindowStates shown =
        form->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen);
    SkinFollower::Follow(form);
    if (shown == Qt::WindowNoState) {
        form->showMaximized();
        auto* restore = qobject_cast<PictureElement*>(Element(form, "imgTitleRestore"));
        if (button && restore) button->SetPicture(restore->Picture());
        LayoutSkin(form, false);
    } else {
        form->showNormal();
        auto* maximize = qobject_cast<PictureElement*>(Element(form, "imgTitleMaximize"));
        if (button && maximize) button->SetPicture(maximize->Picture());
        LayoutSkin(form, LastLayoutResizable == 1);
    }
}

void ResizeFromGrip(QWidget* form, QPoint start, QPoint end, std::int16_t index) {
    const double tppX = TwipsPerPixelX(form);
    const double tppY = TwipsPerPixelY(form);
    // The window's own area: setGeometry below places that, not the window manager's frame.
    const QRect bounds = form->geometry();
    const TwipBounds current{bounds.x() * tppX, bounds.y() * tppY, bounds.width() * tppX,
                             bounds.height() * tppY};
    const GripResize resize =
        ResizeFromGripBounds(current, {start.x(), start.y()}, {end.x(), end.y()}, index, tppX, tppY,
                             form->isMaximized());
    SkinFollower::Follow(form);
    if (!form->isMaximized()) {
        const TwipBounds& to = resize.result;
        form->setGeometry(RoundHalfEven(to.left / tppX), RoundHalfEven(to.top / tppY),
                          RoundHalfEven(to.width / tppX), RoundHalfEven(to.height / tppY));
    }
    LayoutSkin(form, true);
}

void SetTopMost(QWidget* form, bool topmost) {
    // QWidget::setWindowFlag would hide and re-create the window on X11; the window's own
    // flag only changes its stacking (_NET_WM_STATE_ABOVE), and the widget's flags are
    // kept in step without touching the window.
    Qt::WindowFlags flags = form->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, topmost);
    if (QWindow* window = form->windowHandle()) window->setFlag(Qt::WindowStaysOnTopHint, topmost);
    form->overrideWindowFlags(flags);
}

}  // namespace lorvex
