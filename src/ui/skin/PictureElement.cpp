#include "ui/skin/PictureElement.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>

namespace lorvex {

namespace {

// What assistive technology sees of a picture that is a button.
class AccessiblePictureButton : public QAccessibleWidget {
  public:
    explicit AccessiblePictureButton(PictureElement* element)
        : QAccessibleWidget(element, QAccessible::Button) {}

    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction()) {
            static_cast<PictureElement*>(widget())->Press();
        } else {
            QAccessibleWidget::doAction(action);
        }
    }
};

QAccessibleInterface* PictureButtonFactory(const QString&, QObject* object) {
    auto* element = qobject_cast<PictureElement*>(object);
    if (element != nullptr && element->IsButton()) return new AccessiblePictureButton(element);
    return nullptr;
}

}  // namespace

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

void PictureElement::MakeButton() {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(PictureButtonFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    button_ = true;
    setFocusPolicy(Qt::TabFocus);
    // With assistive technology already listening, the element may have been described
    // as a picture when it was made; that description goes, and the next one asked for is
    // a button's.
    if (QAccessible::isActive()) {
        QAccessibleInterface* described = QAccessible::queryAccessibleInterface(this);
        if (described != nullptr && described->role() != QAccessible::Button) {
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(described));
        }
    }
}

void PictureElement::Press() { emit Clicked(); }

void PictureElement::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (button_ && !event->isAutoRepeat() &&
        (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
        Press();
        event->accept();
        return;
    }
    QLabel::keyPressEvent(event);
}

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
