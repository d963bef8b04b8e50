// Which of Qt's window-system platforms the client runs on, chosen before the application
// starts.
#pragma once

#include <QByteArray>

namespace lorvex {

// What the choice depends on, as the process's environment has it.
struct PlatformEnvironment {
    QByteArray qtPlatform;      // QT_QPA_PLATFORM: the user's own choice
    QByteArray waylandDisplay;  // WAYLAND_DISPLAY
    QByteArray sessionType;     // XDG_SESSION_TYPE
    QByteArray xDisplay;        // DISPLAY
    static PlatformEnvironment OfProcess();
};

struct PlatformChoice {
    // The platform the client asks Qt for; empty when Qt's own choice stands.
    QByteArray platform;
    // Whether the client will run on X11 (xcb), so the X display may be asked things.
    bool x11 = false;
};

// A Wayland session that also offers an X server (XWayland, DISPLAY set) runs the client
// on X11: there the window can stay on top and a later copy can bring the running one to
// the front, which Wayland keeps from clients. QT_QPA_PLATFORM set by the user always
// wins. Elsewhere Qt chooses as usual (X11 in an X session, Wayland on a Wayland session
// without an X server).
PlatformChoice ChoosePlatform(const PlatformEnvironment& environment);

// Whether the application runs on Wayland.
bool OnWayland();

}  // namespace lorvex
