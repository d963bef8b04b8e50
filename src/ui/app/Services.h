// What the main window needs from outside, so tests can substitute each piece.
#pragma once

#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace lorvex {

class MessageBoxes;
class SystemLauncher;
class SingleInstanceGuard;

struct Services {
    MessageBoxes* messages = nullptr;    // default: real message boxes
    SystemLauncher* launcher = nullptr;  // default: the desktop's browser and editor
    // The user's documents folder, resolved afresh at every use. Default: the desktop's.
    std::function<QString()> documentsFolder;
    // The single-instance guard; none means every copy runs as the first.
    SingleInstanceGuard* guard = nullptr;
    // Ends the process at once. Default: _Exit, so no further handler runs.
    std::function<void(int)> exitProcess;
    // Asks where to save a download (parent, path offered; empty: declined). Default: the
    // file dialog over the main window (ui/downloads/SaveQuestion.h).
    std::function<QString(QWidget*, const QString&)> askSavePath;
};

// The default services made for a window that was given none; they live as long as it.
struct OwnedServices {
    std::unique_ptr<MessageBoxes> messages;
    std::unique_ptr<SystemLauncher> launcher;
};

// Fills in every service the caller left out with its default, the only place defaults
// are chosen; returns the objects made for them.
OwnedServices FillInDefaults(Services& services);

}  // namespace lorvex
