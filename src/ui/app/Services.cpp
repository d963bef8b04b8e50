#include "ui/app/Services.h"

#include <QStandardPaths>
#include <cstdio>
#include <cstdlib>

#include "ui/desktop/MessageBoxes.h"
#include "ui/desktop/SystemLauncher.h"

namespace lorvex {

OwnedServices FillInDefaults(Services& services) {
    OwnedServices owned;
    if (services.messages == nullptr) {
        owned.messages = std::make_unique<QtMessageBoxes>();
        services.messages = owned.messages.get();
    }
    if (services.launcher == nullptr) {
        owned.launcher = std::make_unique<DesktopLauncher>();
        services.launcher = owned.launcher.get();
    }
    if (!services.documentsFolder) {
        services.documentsFolder = [] {
            return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        };
    }
    if (!services.exitProcess) {
        services.exitProcess = [](int code) {
            std::fflush(nullptr);
            std::_Exit(code);
        };
    }
    // No askSavePath: the downloads' own question, which keeps the main window's content
    // from input while it is open (DownloadsController).
    return owned;
}

}  // namespace lorvex
