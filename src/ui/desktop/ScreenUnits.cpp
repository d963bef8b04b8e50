#include "ui/desktop/ScreenUnits.h"

#include <QScreen>
#include <QWidget>

#include "core/geometry/units.h"

namespace lorvex {

namespace {

constexpr double kStandardDpi = 96.0;

}  // namespace

double TwipsPerPixelX(const QWidget* widget) {
    const QScreen* screen = widget->screen();
    return TwipsPerPixel(screen ? screen->logicalDotsPerInchX() : kStandardDpi);
}

double TwipsPerPixelY(const QWidget* widget) {
    const QScreen* screen = widget->screen();
    return TwipsPerPixel(screen ? screen->logicalDotsPerInchY() : kStandardDpi);
}

}  // namespace lorvex
