// The pop-up host (designer name Form1): a window that is never shown, holding one browser
// view that receives the main view's new windows, so pop-ups load out of sight.
#pragma once

#include <QWidget>

#include "ui/web/BrowserView.h"

namespace lorvex {

class PopupHost : public QWidget {
    Q_OBJECT
  public:
    PopupHost();

    BrowserView* View() const { return view_; }

  private:
    BrowserView* view_ = nullptr;
};

}  // namespace lorvex
