// Moving a window by its picture title bar: a press waits for the pointer to move with the
// button still down, then the window follows the pointer's whole travel from the press,
// through the window manager's move for the left button and by hand for the others.
#pragma once

#include <QPoint>

class QWidget;

namespace lorvex {

// Starts waiting for a drag of `form` pressed at `pressAt` (global coordinates). A press
// that arrives while an earlier one still waits replaces it.
void BeginTitleBarDrag(QWidget* form, QPoint pressAt);

}  // namespace lorvex
