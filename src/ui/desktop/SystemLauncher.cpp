#include "ui/desktop/SystemLauncher.h"

#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QUrl>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace lorvex {

bool DesktopLauncher::OpenInBrowser(const QString& address) {
    // The address is already percent-encoded as it is to be sent.
    return QDesktopServices::openUrl(QUrl::fromEncoded(address.toLatin1(), QUrl::StrictMode));
}

bool DesktopLauncher::OpenInEditor(const QString& path) {
#ifdef Q_OS_WIN
    wchar_t windowsDir[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(windowsDir, MAX_PATH);
    const QString notepad = QString::fromWCharArray(windowsDir, static_cast<int>(length)) +
                            QStringLiteral("\\Notepad.exe");
    // The path goes as its own argument, so a path with spaces stays whole.
    return QProcess::startDetached(notepad, {QDir::toNativeSeparators(path)});
#else
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
}

}  // namespace lorvex
