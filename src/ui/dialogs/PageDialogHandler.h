// The "lorvex-dialog" scheme: a page's alert, confirm and prompt, routed by the page script
// of its view's dialogs (PageDialogs::PageScript), arrive here as synchronous requests and
// are answered once the view's user has answered.
#pragma once

#include <QWebEngineUrlSchemeHandler>

class QWebEngineProfile;

namespace lorvex {

// Registers the question scheme with the web engine. Must run before the QApplication is
// created.
void RegisterPageDialogScheme();

// Installs the question scheme's handler on a profile (once per profile).
void InstallPageDialogHandler(QWebEngineProfile* profile);

class PageDialogHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
  public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    // Answers a page's question once its view's user has; unknown addresses fail.
    void requestStarted(QWebEngineUrlRequestJob* job) override;
};

}  // namespace lorvex
