// The X tools the UI tests drive the display with: xdotool for real input through the
// window manager and for finding windows, xprop for what the window manager keeps.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>

namespace lorvex::testing {

// True when every named program is on the PATH.
bool HavePrograms(const QStringList& programs);

// Runs an X tool once the X server has had every request this process made so far (a new
// window shape, say), reading this process's events meanwhile as it would while a user
// acts; its standard output when it succeeded, else nothing.
std::optional<QString> RunXTool(const QString& program, const QStringList& arguments);

// The output lines of an X tool; none when it failed.
QStringList XToolLines(const QString& program, const QStringList& arguments);

// Runs xdotool with these arguments; true when it succeeded.
bool Xdo(const QStringList& arguments);

// xdotool's arguments that move the pointer to `global`.
QStringList MoveTo(QPoint global);

// Where the X server has the window (an X window id, decimal) and how large; an empty
// rectangle when xdotool cannot tell.
QRect XGeometry(const QString& window);

// The X window the pointer is over once moved to `global`, as a decimal id.
QString WindowUnder(QPoint global);

// The window's _NET_WM_STATE as the window manager keeps it.
QString NetWmState(const QWidget& window);

}  // namespace lorvex::testing
