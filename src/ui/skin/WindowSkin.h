// The skinned frame of the main window. The procedures lay the frame pictures, the title
// label, the title buttons and the grips around the window for its current size, clip it
// to its rounded outline, move it by its title bar, maximise and restore it, resize it
// from its grips and keep it above other windows. Elements are found by their names on
// the window at every call (see docs/controls.md), so any window carrying elements of
// these names can wear the skin.
#pragma once

#include <QObject>
#include <QPoint>
#include <stdexcept>

class QAbstractButton;
class QWidget;

namespace lorvex {

// Raised when a window lacks an element the skin needs; what came before stays done.
struct MissingElement : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class WindowSkin : public QObject {
    Q_OBJECT
  public:
    // The skin of `form`, which owns it.
    explicit WindowSkin(QWidget* form);

    // Places the frame pictures, title label and buttons for the window's current size,
    // sets its caption and background, clips it to its rounded region and, when
    // `resizable`, shows and places the eight grips. Throws MissingElement at the first
    // element not found, leaving what came before placed.
    void LayoutSkin(bool resizable);

    // Clips the window to a rounded rectangle of its current size (24 x 24 corner ellipse).
    void ApplyWindowRegion();

    // Moves the window with the mouse until the button is released, by the pointer's travel
    // from `pressAt`, where the button went down (global); nothing when maximised.
    void DragWindow(QPoint pressAt);

    // Switches between normal and maximised, shows the matching glyph and lays out again.
    void ToggleMaximize();

    // Resizes the window by the pointer's travel from `start` to `end` on grip `index`,
    // keeps it at least 57 x 90 pixels and lays the frame out with its grips.
    void ResizeFromGrip(QPoint start, QPoint end, int index);

    // Keeps the window above other windows, or releases it, without hiding or re-creating it.
    void SetTopMost(bool topmost);

    // Grip `index` was pressed, or released, with the pointer at `at` (global): a release
    // resizes the window by the travel since the press. On Wayland, where no client may
    // place its own window, the press hands the resize to the compositor instead, at the
    // grip's edges, and the frame follows the sizes it gives.
    void GripPressed(int index, QPoint at);
    void GripReleased(int index, QPoint at);

    // The stay-on-top button: its caption is the only record of the state ("置顶" while
    // the window is not kept on top, "不置" while it is).
    void ToggleStayOnTop(QAbstractButton* button);
    // Where the window system offers no stay-on-top to clients (Wayland), the button is
    // disabled and says why.
    void OfferStayOnTop(QAbstractButton* button);

    // Whether the latest layout placed the grips. A restore lays out the way it says.
    bool LastLayoutResizable() const { return lastLayoutResizable_; }
    QPoint GripStartPoint() const { return gripStartPoint_; }
    QPoint GripEndPoint() const { return gripEndPoint_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FollowWindowManager();
    void PaintBackground();

    QWidget* form_;
    // On Wayland the window shows its own transparency: the background is painted inside
    // the rounded region only, and the frame follows every size the compositor gives.
    bool translucent_ = false;
    // Whether the latest grip press handed the resize to the compositor.
    bool systemResize_ = false;
    bool lastLayoutResizable_ = false;
    QPoint gripStartPoint_;
    QPoint gripEndPoint_;
    // While set, the frame follows each new size the window manager gives the window.
    bool following_ = false;
    int followRequest_ = 0;
};

}  // namespace lorvex
