// Twips and pixels: window sizes and the controls inside Frame1 are measured in twips
// (1/1440 inch); everything placed directly on the main window is in pixels.
#pragma once

namespace lorvex {

inline constexpr double kTwipsPerInch = 1440.0;

// Twips per pixel for a screen of the given logical DPI (15 at 96 DPI).
// A DPI that is not a positive finite number falls back to 96.
double TwipsPerPixel(double logicalDpi);

// Rounds to the nearest integer, a half to the even neighbour (2.5 -> 2, 3.5 -> 4).
// Values beyond the int range are clamped; NaN gives 0.
int RoundHalfEven(double value);

// twips / twipsPerPixel, rounded half to even.
int TwipsToPixels(double twips, double twipsPerPixel);

}  // namespace lorvex
