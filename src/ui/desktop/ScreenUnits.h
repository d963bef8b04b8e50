// Twips per pixel of the screen a widget is on (15 at 96 dots per inch): window sizes and
// the controls of the main window's panel are measured in twips.
#pragma once

class QWidget;

namespace lorvex {

double TwipsPerPixelX(const QWidget* widget);
double TwipsPerPixelY(const QWidget* widget);

}  // namespace lorvex
