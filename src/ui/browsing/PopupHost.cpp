#include "ui/browsing/PopupHost.h"

namespace lorvex {

PopupHost::PopupHost() : QWidget(nullptr) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("pop"));
    resize(312, 213);
    view_ = new BrowserView(this);
    view_->setObjectName(QStringLiteral("WebBrowser1"));
    view_->setGeometry(16, 8, 273, 193);
    view_->setContextMenuPolicy(Qt::NoContextMenu);
    // The browser loads while its window stays hidden: its page exists from the start.
    // Nobody sees or hears it, so it never asks the user anything (its pages' dialogs are
    // answered silently, it has no context menu) and plays no sound; it still loads what it
    // is given.
    view_->EnsurePage()->setAudioMuted(true);
    view_->SilenceDialogs();
}

}  // namespace lorvex
