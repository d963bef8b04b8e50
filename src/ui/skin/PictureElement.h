// A windowless picture of the skinned frame: a title-bar piece, an edge, a corner, a
// title button, or (with no picture) one of the resize grips. It reports presses,
// releases, clicks and double-clicks of any mouse button, and the grip index when it is
// one of the Resizer array.
#pragma once

#include <QLabel>
#include <QPixmap>

namespace lorvex {

class PictureElement : public QLabel {
    Q_OBJECT
  public:
    // `index` is the element's index in its control array, or -1 when it is none.
    explicit PictureElement(const QString& name, QWidget* parent = nullptr, int index = -1);

    int Index() const { return index_; }

    // The element's picture. With stretch on, the picture fills the element's size;
    // otherwise it shows at its natural size.
    void SetPicture(const QPixmap& picture);
    const QPixmap& Picture() const { return picture_; }
    void SetStretch(bool stretch);

    // Makes the element a button for the keyboard and for screen readers: the Tab key
    // reaches it (which changes nothing on screen: a picture draws no focus), Space or
    // Enter press it, and assistive technology sees a push button named by its
    // accessible name, with a press action.
    void MakeButton();
    bool IsButton() const { return button_; }
    // A click from the keyboard or from assistive technology.
    void Press();

  signals:
    // `at` is where the button went down, or up, in global coordinates.
    void Pressed(Qt::MouseButton button, QPoint at);
    void Released(Qt::MouseButton button, QPoint at);
    void Clicked();
    void DoubleClicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool button_ = false;
    QPixmap picture_;
    int index_;
    bool pressedInside_ = false;
};

}  // namespace lorvex
