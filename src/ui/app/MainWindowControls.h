// The controls of the main window by role, and how they are made from the window's
// design. Each control's designer name is its objectName; docs/controls.md lists them all.
#pragma once

#include <array>

class QFrame;
class QLabel;
class QLineEdit;
class QWidget;

namespace lorvex {

class BrowserView;
class CommandButton;
class PictureElement;

// The panel under the side column (Frame1) with the search box, the notice and the
// fourteen buttons.
struct PanelControls {
    QFrame* panel = nullptr;
    QLineEdit* searchBox = nullptr;           // Text1
    QLabel* notice = nullptr;                 // Label1
    CommandButton* categories = nullptr;      // Command1
    CommandButton* back = nullptr;            // Command2
    CommandButton* forward = nullptr;         // Command3
    CommandButton* stayOnTop = nullptr;       // Command4
    CommandButton* about = nullptr;           // Command5
    CommandButton* editFavourites = nullptr;  // Command6
    CommandButton* collect = nullptr;         // Command7
    CommandButton* library = nullptr;         // Command8
    CommandButton* ringtones = nullptr;       // Command9
    CommandButton* movies = nullptr;          // Command10
    CommandButton* animation = nullptr;       // Command11
    CommandButton* forum = nullptr;           // Command12
    CommandButton* search = nullptr;          // Command13
    CommandButton* portalHome = nullptr;      // Command14

    // The buttons in the order of their designer numbers, Command1 first.
    std::array<CommandButton*, 14> Buttons() const;
    // One button by its designer number (1..14); null for any other number.
    CommandButton* Button(int number) const;
};

// The picture frame: title bar, title buttons, edges, corners and grips.
struct FrameControls {
    QLabel* titleLabel = nullptr;                 // lblTitle
    PictureElement* titleLeft = nullptr;          // imgTitleLeft
    PictureElement* titleMain = nullptr;          // imgTitleMain
    PictureElement* titleRight = nullptr;         // imgTitleRight
    PictureElement* closeButton = nullptr;        // imgTitleClose
    PictureElement* minimiseButton = nullptr;     // imgTitleMinimize
    PictureElement* maxRestoreButton = nullptr;   // imgTitleMaxRestore
    PictureElement* maximiseGlyph = nullptr;      // imgTitleMaximize, hidden
    PictureElement* restoreGlyph = nullptr;       // imgTitleRestore, hidden
    PictureElement* helpButton = nullptr;         // imgTitleHelp
    PictureElement* leftEdge = nullptr;           // imgWindowLeft
    PictureElement* rightEdge = nullptr;          // imgWindowRight
    PictureElement* bottomEdge = nullptr;         // imgWindowBottom
    PictureElement* bottomLeftCorner = nullptr;   // imgWindowBottomLeft
    PictureElement* bottomRightCorner = nullptr;  // imgWindowBottomRight
    std::array<PictureElement*, 8> grips{};       // Resizer(0) .. Resizer(7)
};

// The two browser views.
struct BrowserViews {
    BrowserView* sideColumn = nullptr;  // WebBrowser1
    BrowserView* mainView = nullptr;    // WebBrowser2
};

// Makes the frame's pictures, title label and (hidden) grips on `window`, back to front,
// with their designed sizes; the skin places them.
FrameControls CreateFrame(QWidget* window);

// Makes the two views on `window` at their designed places, the side column first (the
// main view lies above it); the content layout places them at every size change.
BrowserViews CreateViews(QWidget* window);

// Makes the panel and its controls on `window` at their designed places (the buttons
// inside the panel are designed in twips).
PanelControls CreatePanel(QWidget* window, double twipsPerPixel);

// Start-up: the button grid (three rows of four under the search box) and the captions
// the buttons show once started.
void LayoutButtonGrid(const PanelControls& panel, double twipsPerPixel);
void SetStartupCaptions(const PanelControls& panel);

}  // namespace lorvex
