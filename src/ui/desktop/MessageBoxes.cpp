#include "ui/desktop/MessageBoxes.h"

#include <QMessageBox>

namespace lorvex {

void QtMessageBoxes::ShowStop(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace lorvex
