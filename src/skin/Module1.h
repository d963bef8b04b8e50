// The skin module: free procedures that lay the picture frame around a window and make it
// behave like a window, through elements found by name at every call.
#pragma once

#include <QPoint>
#include <QWidget>
#include <cstdint>
#include <stdexcept>

namespace lorvex {

// 1 when the most recent LayoutSkin call laid out the grips, else 0. Starts at 0.
extern std::int16_t LastLayoutResizable;

// Raised when a window lacks an element the skin needs; what came before stays done.
struct MissingElement : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Places the frame pictures, title label and buttons for the window's current size, sets
// its caption and background, clips it to its rounded region and, when `resizable`,
// shows and places the eight grips. Throws MissingElement at the first element not found.
void LayoutSkin(QWidget* form, bool resizable);

// Clips the window to a rounded rectangle of its current size (24 x 24 corner ellipse).
void ApplyWindowRegion(QWidget* form);

// Moves the window with the mouse until the button is released, by the pointer's travel
// from `pressAt`, where the button went down (global); nothing when maximised.
void DragWindow(QWidget* form, QPoint pressAt);

// Switches between normal and maximised, shows the matching glyph and lays out again.
void ToggleMaximize(QWidget* form);

// Resizes the window by the cursor's travel from `start` to `end` on grip `index`, keeps
// it at least 57 x 90 pixels and lays the frame out with its grips.
void ResizeFromGrip(QWidget* form, QPoint start, QPoint end, std::int16_t index);

// Keeps the window above other windows, or releases it, without hiding or re-creating it.
void SetTopMost(QWidget* form, bool topmost);

}  // namespace lorvex
