// A push button whose whole face is painted in its background colour and whose caption
// wraps onto further lines when the button is too narrow for it.
#pragma once

#include <QColor>
#include <QPushButton>

namespace lorvex {

class CommandButton : public QPushButton {
    Q_OBJECT
  public:
    CommandButton(const QString& name, const QString& caption, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor face_;
};

}  // namespace lorvex
