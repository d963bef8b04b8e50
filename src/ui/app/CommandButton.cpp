#include "ui/app/CommandButton.h"

#include <QPainter>
#include <QStyleOptionButton>

#include "core/geometry/frame_geometry.h"

namespace lorvex {

CommandButton::CommandButton(const QString& name, const QString& caption, QWidget* parent)
    : QPushButton(caption, parent), face_(QRgb(kFrameGrey)) {
    setObjectName(name);
    setFocusPolicy(Qt::StrongFocus);
    QPalette colours = palette();
    colours.setColor(QPalette::Button, face_);
    setPalette(colours);
}

void CommandButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect face = rect();
    const bool down = isDown();
    painter.fillRect(face, face_);

    // A raised edge, sunken while pressed: light above and left, dark below and right.
    const QColor light(0xff, 0xff, 0xff), shadow(0x80, 0x80, 0x80), dark(0x40, 0x40, 0x40);
    painter.setPen(down ? dark : light);
    painter.drawLine(face.topLeft(), face.topRight());
    painter.drawLine(face.topLeft(), face.bottomLeft());
    painter.setPen(down ? light : dark);
    painter.drawLine(face.bottomLeft(), face.bottomRight());
    painter.drawLine(face.topRight(), face.bottomRight());
    if (!down) {
        painter.setPen(shadow);
        painter.drawLine(face.left() + 1, face.bottom() - 1, face.right() - 1, face.bottom() - 1);
        painter.drawLine(face.right() - 1, face.top() + 1, face.right() - 1, face.bottom() - 1);
    }

    QRect textArea = face.adjusted(2, 1, -2, -1);
    if (down) textArea.translate(1, 1);
    painter.setPen(isEnabled() ? palette().color(QPalette::ButtonText)
                               : palette().color(QPalette::Disabled, QPalette::ButtonText));
    painter.setFont(font());
    // Line breaking follows Unicode rules: Chinese captions break between characters.
    painter.drawText(textArea, Qt::AlignCenter | Qt::TextWordWrap, text());

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = face.adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

}  // namespace lorvex
