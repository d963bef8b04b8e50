#include "SkinWindow.h"

#include <QScreen>

#include "XTools.h"

namespace lorvex::testing {

namespace {

const Qt::WindowStates kShownStates = Qt::WindowMaximized | Qt::WindowMinimized;

// The frame is laid out for the window's current size and clipped to it.
bool FrameFitsWindow(const MainWindow& window) {
    const int w = window.width();
    const int h = window.height();
    return window.mask().boundingRect() == QRect(0, 0, w, h) &&
           window.Frame().closeButton->pos() == QPoint(w - 22, 8) &&
           window.Frame().bottomEdge->geometry() == QRect(19, h - 30, w - 38, 30);
}

}  // namespace

bool SkinWindow::Start() {
    if (!PortalWindow::Start()) return false;
    start_ = window->geometry();
    return true;
}

void SkinWindow::Reset() {
    MainWindow& shown = Window();
    if (shown.windowState() & kShownStates) shown.showNormal();
    QVERIFY(WaitUntil([&] { return !(shown.windowState() & kShownStates); }));
    shown.setGeometry(start_);
    QVERIFY(WaitUntil([&] { return shown.geometry() == start_; }));
    shown.Skin().LayoutSkin(true);
    shown.Frame().maxRestoreButton->SetPicture(shown.Frame().maximiseGlyph->Picture());
    QVERIFY(WaitForBounds(start_));
}

void SkinWindow::ReleaseInput() {
    Xdo({QStringLiteral("mouseup"), QStringLiteral("1")});
    Xdo({QStringLiteral("mouseup"), QStringLiteral("3")});
    // Ends a move the window manager may still be running.
    Xdo({QStringLiteral("key"), QStringLiteral("Escape")});
}

std::array<QRect, 8> SkinWindow::GripGeometries() const {
    std::array<QRect, 8> rects;
    for (std::size_t i = 0; i < rects.size(); ++i) rects[i] = window->Frame().grips[i]->geometry();
    return rects;
}

bool SkinWindow::WaitForBounds(const QRect& bounds) {
    return WaitUntil([&] {
        return window->geometry() == bounds && !(window->windowState() & kShownStates) &&
               FrameFitsWindow(*window);
    });
}

bool SkinWindow::WaitForMaximised() {
    return WaitUntil([&] {
        return window->isMaximized() &&
               window->geometry() == window->screen()->availableGeometry() &&
               FrameFitsWindow(*window);
    });
}

}  // namespace lorvex::testing
