#include "app/Form1.h"

namespace lorvex {

Form1::Form1() : QWidget(nullptr) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("pop"));
    resize(312, 213);
    WebBrowser1 = new BrowserView(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(16, 8, 273, 193);
    // The browser loads while its window stays hidden: its page exists from the start.
    // Nobody sees or hears it, so it never asks the user anything (its pages' dialogs are
    // answered silently) and plays no sound; it still loads what it is given.
    WebBrowser1->EnsurePage()->setAudioMuted(true);
    WebBrowser1->SilenceDialogs();
}

}  // namespace lorvex
