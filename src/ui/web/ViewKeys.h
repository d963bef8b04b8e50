// The keys of a browser view, active while the focus is in it (on the engine's surface,
// the view's focus proxy): F5 and Ctrl+R reload, Alt+Left and Alt+Right go back and
// forward, Ctrl+plus, Ctrl+minus and Ctrl+0 zoom in, out and back to 100 %, and so does
// the wheel with Ctrl held. The keys are shortcuts of the view's widget and its children,
// so they reach no other control (Return in the search box still searches); the wheel is
// taken from the surface before the engine, whose own Ctrl+wheel zoom would not keep the
// view's factor. A view whose surface has the focus keeps it when the engine replaces the
// surface.
#pragma once

#include <QObject>

#include "core/browsing/view_rules.h"

namespace lorvex {

class BrowserView;

class ViewKeys : public QObject {
    Q_OBJECT
  public:
    // Installs the keys on `view`, which owns them.
    explicit ViewKeys(BrowserView* view);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    BrowserView* view_;
    ZoomWheel wheel_;
};

}  // namespace lorvex
