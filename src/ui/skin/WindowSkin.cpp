#include "ui/skin/WindowSkin.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <array>
#include <string>
#include <vector>

#include "core/geometry/frame_geometry.h"
#include "core/geometry/units.h"
#include "ui/desktop/Platform.h"
#include "ui/desktop/ScreenUnits.h"
#include "ui/skin/PictureElement.h"
#include "ui/skin/TitleBarDrag.h"

namespace lorvex {

namespace {

// How long after a change of state or size the frame follows the window's new size.
constexpr int kFollowMs = 2000;

const QString kOnTopCaption = QStringLiteral("置顶");
const QString kReleaseCaption = QStringLiteral("不置");

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

PictureElement* Picture(QWidget* form, std::string_view name) {
    auto* picture = qobject_cast<PictureElement*>(Element(form, name));
    if (picture == nullptr) throw MissingElement(std::string(name) + " is not a picture");
    return picture;
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

}  // namespace

WindowSkin::WindowSkin(QWidget* form) : QObject(form), form_(form), translucent_(OnWayland()) {
    // Before the window exists: its surface then gets an alpha channel.
    if (translucent_) form_->setAttribute(Qt::WA_TranslucentBackground);
    form_->installEventFilter(this);
}

void WindowSkin::LayoutSkin(bool resizable) {
    lastLayoutResizable_ = resizable;
    const QSize size = SkinSize(form_);
    const int w = size.width();
    const int h = size.height();

    QPalette background = form_->palette();
    background.setColor(QPalette::Window, QColor(QRgb(kFrameGrey)));
    form_->setPalette(background);
    form_->setAutoFillBackground(!translucent_);

    auto* title = qobject_cast<QLabel*>(Element(form_, "lblTitle"));
    if (title == nullptr) throw MissingElement("lblTitle is not a label");
    form_->setWindowTitle(title->text());
    title->move(kTitleLabelLeft, kTitleLabelTop);

    ApplyWindowRegion();

    for (const ElementPlacement& placement : FramePlacements(w, h)) {
        QWidget* element = Element(form_, placement.name);
        Place(element, placement);
        // A stretched piece lies under the corner pieces: where the window shows its own
        // transparency, it must not show through their clear pixels.
        if (translucent_) element->setMask(form_->mask().translated(-element->pos()));
    }

    if (!resizable) return;
    const auto grips = GripPlacements(w, h);
    for (int index = 0; index < 8; ++index) Grip(form_, index)->setVisible(true);
    for (int index = 0; index < 8; ++index) {
        Place(Grip(form_, index), grips[static_cast<std::size_t>(index)]);
    }
}

void WindowSkin::ApplyWindowRegion() {
    const QSize size = SkinSize(form_);
    const std::vector<Span> spans =
        RoundRectSpans(size.width(), size.height(), kRegionEllipse, kRegionEllipse);
    std::vector<QRect> rows;
    rows.reserve(spans.size());
    for (const Span& span : spans) rows.emplace_back(span.x0, span.y, span.x1 - span.x0, 1);
    QRegion region;
    region.setRects(rows.data(), static_cast<int>(rows.size()));
    // On X11 the mask clips both drawing and input; on Wayland it only limits input, and
    // the corners are transparent pixels (PaintBackground, the corner pictures).
    form_->setMask(region);
}

void WindowSkin::PaintBackground() {
    QPainter painter(form_);
    painter.setClipRegion(form_->mask());
    painter.fillRect(form_->rect(), form_->palette().color(QPalette::Window));
}

void WindowSkin::DragWindow(QPoint pressAt) {
    if (form_->isMaximized()) return;
    BeginTitleBarDrag(form_, pressAt);
}

void WindowSkin::ToggleMaximize() {
    PictureElement* button = Picture(form_, "imgTitleMaxRestore");
    // "Normal" means neither maximised nor minimised; the active flag does not count.
    const Qt::WindowStates shown =
        form_->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen);
    FollowWindowManager();
    if (shown == Qt::WindowNoState) {
        form_->showMaximized();
        button->SetPicture(Picture(form_, "imgTitleRestore")->Picture());
        LayoutSkin(false);
    } else {
        form_->showNormal();
        button->SetPicture(Picture(form_, "imgTitleMaximize")->Picture());
        LayoutSkin(lastLayoutResizable_);
    }
}

void WindowSkin::ResizeFromGrip(QPoint start, QPoint end, int index) {
    const double tppX = TwipsPerPixelX(form_);
    const double tppY = TwipsPerPixelY(form_);
    // The window's own area: setGeometry below places that, not the window manager's frame.
    const QRect bounds = form_->geometry();
    const TwipBounds current{bounds.x() * tppX, bounds.y() * tppY, bounds.width() * tppX,
                             bounds.height() * tppY};
    const GripResize resize =
        ResizeFromGripBounds(current, {start.x(), start.y()}, {end.x(), end.y()}, index, tppX, tppY,
                             form_->isMaximized());
    FollowWindowManager();
    if (!form_->isMaximized()) {
        const TwipBounds& to = resize.result;
        form_->setGeometry(RoundHalfEven(to.left / tppX), RoundHalfEven(to.top / tppY),
                           RoundHalfEven(to.width / tppX), RoundHalfEven(to.height / tppY));
    }
    LayoutSkin(true);
}

void WindowSkin::SetTopMost(bool topmost) {
    // QWidget::setWindowFlag would hide and re-create the window on X11; the window's own
    // flag only changes its stacking (_NET_WM_STATE_ABOVE), and the widget's flags are
    // kept in step without touching the window.
    Qt::WindowFlags flags = form_->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, topmost);
    if (QWindow* window = form_->windowHandle()) window->setFlag(Qt::WindowStaysOnTopHint, topmost);
    form_->overrideWindowFlags(flags);
}

void WindowSkin::GripPressed(int index, QPoint at) {
    gripStartPoint_ = at;
    systemResize_ = false;
    if (!translucent_ || form_->isMaximized()) return;
    static constexpr std::array<Qt::Edges, 8> kEdges = {
        Qt::LeftEdge,
        Qt::RightEdge,
        Qt::TopEdge,
        Qt::BottomEdge,
        Qt::BottomEdge | Qt::RightEdge,
        Qt::BottomEdge | Qt::LeftEdge,
        Qt::TopEdge | Qt::RightEdge,
        Qt::TopEdge | Qt::LeftEdge,
    };
    QWindow* window = form_->windowHandle();
    if (window == nullptr || index < 0 || index >= static_cast<int>(kEdges.size())) return;
    systemResize_ = window->startSystemResize(kEdges[static_cast<std::size_t>(index)]);
    if (systemResize_) LayoutSkin(true);
}

void WindowSkin::GripReleased(int index, QPoint at) {
    gripEndPoint_ = at;
    if (systemResize_) {
        // The compositor resized the window; the frame has followed it.
        systemResize_ = false;
        return;
    }
    ResizeFromGrip(gripStartPoint_, gripEndPoint_, index);
}

void WindowSkin::OfferStayOnTop(QAbstractButton* button) {
    if (!OnWayland()) return;
    button->setEnabled(false);
    button->setToolTip(
        QStringLiteral("Wayland 桌面不让程序把自己的窗口放在其他窗口之上,所以不能置顶"));
}

void WindowSkin::ToggleStayOnTop(QAbstractButton* button) {
    if (button->text() == kOnTopCaption) {
        SetTopMost(true);
        button->setText(kReleaseCaption);
    } else {
        SetTopMost(false);
        button->setText(kOnTopCaption);
    }
}

// A change of window state or size reaches an X11 window only once the window manager
// has answered, after the procedure that asked for it has returned. The frame is laid out
// at once, as asked, and again each time a new size arrives in the following while, the
// way the latest layout was done (with or without grips). Call before asking for the
// change, so that an answer given at once is not missed.
void WindowSkin::FollowWindowManager() {
    // The answer normally comes within milliseconds; stop following after a while so a
    // later resize by other means leaves the frame alone. Only the latest request's timer
    // ends the following.
    const int request = ++followRequest_;
    following_ = true;
    QTimer::singleShot(kFollowMs, this, [this, request] {
        if (followRequest_ == request) following_ = false;
    });
}

bool WindowSkin::eventFilter(QObject* watched, QEvent* event) {
    if (watched == form_ && event->type() == QEvent::Paint && translucent_) PaintBackground();
    if (watched == form_ && event->type() == QEvent::Resize && (following_ || translucent_)) {
        // Deferred so the window's own size-change handler runs first. A window that lacks
        // an element already made the first layout throw to its caller; the event loop must
        // not see that exception again.
        QTimer::singleShot(0, this, [this] {
            try {
                LayoutSkin(lastLayoutResizable_);
            } catch (const MissingElement&) {
            }
        });
    }
    return false;
}

}  // namespace lorvex
