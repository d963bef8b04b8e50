// The pop-up host: a window that is never shown, holding one browser that receives the
// main view's new windows, so pop-ups load out of sight.
#pragma once

#include <QWidget>

#include "browsing/BrowserView.h"

namespace lorvex {

class Form1 : public QWidget {
    Q_OBJECT
  public:
    Form1();

    BrowserView* WebBrowser1 = nullptr;
};

}  // namespace lorvex
