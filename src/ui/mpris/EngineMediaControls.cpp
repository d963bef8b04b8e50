#include "ui/mpris/EngineMediaControls.h"

#include <QByteArray>
#include <QtGlobal>

namespace lorvex {

void SwitchOffEngineMediaControls() {
    // The engine takes its switches from this variable (the client gives it no command
    // line); the feature behind the engine's media keys and its MPRIS player.
    static constexpr char kVariable[] = "QTWEBENGINE_CHROMIUM_FLAGS";
    static constexpr char kSwitch[] = "--disable-features=";
    static constexpr char kFeature[] = "HardwareMediaKeyHandling";
    QByteArray flags = qgetenv(kVariable);
    if (flags.contains(kFeature)) return;
    // One --disable-features only: a second would replace the user's list.
    if (const qsizetype at = flags.indexOf(kSwitch); at >= 0) {
        flags.insert(at + qsizetype(sizeof kSwitch) - 1, QByteArray(kFeature) + ',');
    } else {
        if (!flags.isEmpty()) flags += ' ';
        flags += QByteArray(kSwitch) + kFeature;
    }
    qputenv(kVariable, flags);
}

}  // namespace lorvex
