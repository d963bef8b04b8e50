// What the client asks of an X11 window manager directly, where Qt has no call that says
// it: a move that counts from the press, the end of a move the window manager missed,
// and an activation the user asked for. Every call does nothing (and reports false or 0)
// when the application does not run on X11.
#pragma once

#include <QPoint>
#include <QtGlobal>
#include <optional>

class QWindow;

namespace lorvex::x11 {

// Whether the application runs on an X11 display.
bool Available();

// Whether the window manager announces `atom` (say "_NET_WM_MOVERESIZE") as supported.
bool WindowManagerSupports(const char* atom);

// Where the pointer is, in the screen's device pixels, and whether the left button is
// down, as the X server has them now (not as the client's queued events have them).
struct Pointer {
    QPoint position;
    bool leftButtonDown = false;
};
std::optional<Pointer> QueryPointer(const QWindow* window);

// Ends the client's hold on the pointer and asks the window manager to move `window`
// with the left button, the pointer's travel counted from `from` (device pixels). The
// move ends at the release of the left button that the window manager sees.
void StartMove(const QWindow* window, QPoint from);

// Ends a move of `window` the window manager may still be running; it puts the window
// back where its move started.
void CancelMove(const QWindow* window);

// Asks the window manager to raise `window` and give it the focus, for an activation the
// user asked for at X server time `userTime` (0 when unknown).
void Activate(const QWindow* window, quint32 userTime);

// The X server's time now, from a connection of its own; 0 without an X display.
quint32 ServerTime();

}  // namespace lorvex::x11
