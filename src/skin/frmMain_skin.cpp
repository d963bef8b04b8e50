// The main window's handlers for its skinned frame: the title bar drags and toggles, the
// grips resize, the title buttons close and minimise, and Command4 pins the window.
#include "app/frmMain.h"
#include "skin/Module1.h"

namespace lorvex {

void frmMain::WireSkinEvents() {
    // A press of any mouse button on the title bar moves the window.
    for (PictureElement* element : {imgTitleLeft, imgTitleMain, imgTitleRight}) {
        connect(element, &PictureElement::pressed, this,
                [this](Qt::MouseButton, QPoint at) { DragWindow(this, at); });
    }
    lblTitle->installEventFilter(this);
    connect(imgTitleMaxRestore, &PictureElement::clicked, this, [this] { ToggleMaximize(this); });
    connect(imgTitleMain, &PictureElement::doubleClicked, this, [this] { ToggleMaximize(this); });
    connect(imgTitleClose, &PictureElement::clicked, this, &frmMain::imgTitleClose_Click);
    connect(imgTitleMinimize, &PictureElement::clicked, this, &frmMain::imgTitleMinimize_Click);

    for (PictureElement* grip : Resizer) {
        connect(grip, &PictureElement::pressed, this, [this] { GripStartPoint = QCursor::pos(); });
        connect(grip, &PictureElement::released, this, [this, grip] {
            GripEndPoint = QCursor::pos();
            ResizeFromGrip(this, GripStartPoint, GripEndPoint,
                           static_cast<std::int16_t>(grip->Index()));
        });
    }
    connect(Command4, &QPushButton::clicked, this, &frmMain::Command4_Click);
}

// The caption is the only record of the on-top state.
void frmMain::Command4_Click() {
    if (Command4->text() == QStringLiteral("置顶")) {
        SetTopMost(this, true);
        Command4->setText(QStringLiteral("不置"));
    } else {
        SetTopMost(this, false);
        Command4->setText(QStringLiteral("置顶"));
    }
}

}  // namespace lorvex
