#include "ui/desktop/Platform.h"

#include <QGuiApplication>

namespace lorvex {

PlatformEnvironment PlatformEnvironment::OfProcess() {
    return {qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("XDG_SESSION_TYPE"),
            qgetenv("DISPLAY")};
}

PlatformChoice ChoosePlatform(const PlatformEnvironment& environment) {
    if (!environment.qtPlatform.isEmpty()) {
        // Qt tries the platforms of a list ("wayland;xcb") in order; a platform's options
        // follow its name after a colon.
        const QByteArray first = environment.qtPlatform.split(';').first().split(':').first();
        return {{}, first.trimmed() == "xcb"};
    }
    const bool xDisplay = !environment.xDisplay.isEmpty();
    const bool wayland =
        !environment.waylandDisplay.isEmpty() || environment.sessionType == "wayland";
    if (wayland && xDisplay) return {QByteArrayLiteral("xcb"), true};
    return {{}, !wayland && xDisplay};
}

bool OnWayland() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

}  // namespace lorvex
