// The client's modal message boxes go through this small interface so tests can answer
// them. Every box of the client has the stop icon, an OK button only, and the
// application title as its caption.
#pragma once

#include <QString>

class QWidget;

namespace lorvex {

// The application title: the caption of every message box.
inline const QString kApplicationTitle = QStringLiteral("lorvex");

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Shows a modal box with the stop icon and OK, and returns when it is closed.
    virtual void ShowStop(QWidget* parent, const QString& caption, const QString& text) = 0;
};

// The real thing: a modal QMessageBox.
class QtMessageBoxes : public MessageBoxes {
  public:
    void ShowStop(QWidget* parent, const QString& caption, const QString& text) override;
};

}  // namespace lorvex
