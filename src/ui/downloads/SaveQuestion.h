// The question where to save a download: a file dialog over the main window that offers a
// folder and a name, and asks again before it replaces a file. It keeps the main window's
// content from input while it is open, but not the frame's title buttons: closing the
// window still ends the program, and the download windows stay usable.
#pragma once

#include <QList>
#include <QPointer>
#include <QString>

class QWidget;

namespace lorvex {

// Asks over `parent` where to save, offering `suggested` (a folder and a file name). Returns
// the path chosen, or an empty string when the user declines or the program ends meanwhile.
// `blocked` are the widgets that take no input meanwhile.
QString AskSavePath(QWidget* parent, const QString& suggested, const QList<QWidget*>& blocked);

}  // namespace lorvex
