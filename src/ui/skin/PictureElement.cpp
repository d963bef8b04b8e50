#include "ui/skin/PictureElement.h"

#include <QMouseEvent>

namespace lorvex {

PictureElement::PictureElement(const QString& name, QWidget* parent, int index)
    : QLabel(parent), index_(index) {
    setObjectName(name);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setAttribute(Qt::WA_TranslucentBackground);
}

void PictureElement::SetPicture(const QPixmap& picture) {
    picture_ = picture;
    setPixmap(picture);
}

void PictureElement::SetStretch(bool stretch) { setScaledContents(stretch); }

void PictureElement::mousePressEvent(QMouseEvent* event) {
    pressedInside_ = true;
    emit Pressed(event->button(), event->globalPosition().toPoint());
    event->accept();
}

void PictureElement::mouseReleaseEvent(QMouseEvent* event) {
    // The press grabbed the mouse, so the release arrives here even outside the element.
    const bool wasPressed = pressedInside_;
    pressedInside_ = false;
    emit Released(event->button(), event->globalPosition().toPoint());
    if (wasPressed && rect().contains(event->position().toPoint())) emit Clicked();
    event->accept();
}

void PictureElement::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double-click arrives as this event alone; the release that
    // follows it ends the double-click and is no click of its own.
    pressedInside_ = false;
    emit DoubleClicked();
    event->accept();
}

}  // namespace lorvex
