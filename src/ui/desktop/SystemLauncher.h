// Hands work to programs outside the client: fixed portal and forum addresses to the
// system's web browser, and the favourites file to the desktop's text editor. Tests
// substitute a recording launcher.
#pragma once

#include <QString>

namespace lorvex {

class SystemLauncher {
  public:
    virtual ~SystemLauncher() = default;
    // Opens an address (already in its sent form) in the system's web browser. Returns
    // false when nothing could open it.
    virtual bool OpenInBrowser(const QString& address) = 0;
    // Opens a local file in the desktop's text editor. Returns false when no editor could
    // be started.
    virtual bool OpenInEditor(const QString& path) = 0;
};

// QDesktopServices on every system but Windows, where the editor is Notepad.
class DesktopLauncher : public SystemLauncher {
  public:
    bool OpenInBrowser(const QString& address) override;
    bool OpenInEditor(const QString& path) override;
};

}  // namespace lorvex
