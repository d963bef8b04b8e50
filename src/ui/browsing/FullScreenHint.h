// The notice a page's full screen opens with: centred at the top of the screen, it names the
// page's host and says how to leave, then goes after a few seconds. It is the client's own
// widget, above the page, so no page can hide it or paint it differently.
#pragma once

#include <QLabel>

namespace lorvex {

inline constexpr char kFullScreenExitHint[] = "按 Esc 键退出全屏";

class FullScreenHint : public QLabel {
    Q_OBJECT
  public:
    static constexpr int kShownForMs = 4000;

    // Shows the notice over `screen` for `host`'s page (no host: the exit hint alone); it
    // deletes itself once it has gone.
    FullScreenHint(QWidget* screen, const QString& host);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Place();
};

}  // namespace lorvex
