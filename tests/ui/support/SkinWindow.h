// A main window on the in-process demo portal for the skin tests: every test starts from
// the window as it first appeared, and waits for the frame to fit the window's bounds.
#pragma once

#include <QPoint>
#include <QRect>
#include <array>

#include "UiTestSupport.h"

namespace lorvex::testing {

class SkinWindow : public PortalWindow {
  public:
    // Starts the window and keeps the bounds it first had.
    bool Start();
    // Puts the window back as it first appeared: shown normally at its first bounds, laid
    // out with grips, the maximise glyph on the maximise picture.
    void Reset();
    // Lets go of every button and key a failed test may have left held.
    static void ReleaseInput();

    MainWindow& Window() { return *window; }
    QRect StartBounds() const { return start_; }
    QPoint Global(QPoint local) { return window->mapToGlobal(local); }
    std::array<QRect, 8> GripGeometries() const;

    // Waits until the window is shown normally at `bounds`, its frame laid out for them.
    bool WaitForBounds(const QRect& bounds);
    // Waits until the window is maximised, its frame laid out for the screen.
    bool WaitForMaximised();

  private:
    QRect start_;
};

}  // namespace lorvex::testing
