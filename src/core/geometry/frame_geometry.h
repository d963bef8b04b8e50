// Arithmetic of the skinned frame: where the frame pictures, title buttons and grips go
// for a window of W x H pixels, the rounded window region, and the bounds a grip resize
// gives. No windowing here: the skin module applies these numbers to the real window.
#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace lorvex {

// The frame grey (#cfcfcf): the window's background, the panel, its buttons and the notice.
inline constexpr unsigned kFrameGrey = 0xcfcfcf;

// One placement of a frame element. A size left empty is kept as the element has it.
struct ElementPlacement {
    std::string_view name;
    int left = 0;
    int top = 0;
    std::optional<int> width;
    std::optional<int> height;
};

// Window size in whole pixels from its size in twips, rounded half to even.
int SkinPixels(double twips, double twipsPerPixel);

// The twelve frame pictures and title buttons, in the order they are placed:
// imgTitleLeft, imgTitleRight, imgTitleMain, imgWindowLeft, imgWindowBottomLeft,
// imgWindowBottom, imgWindowBottomRight, imgWindowRight, imgTitleClose,
// imgTitleMaxRestore, imgTitleMinimize, imgTitleHelp.
std::array<ElementPlacement, 12> FramePlacements(int w, int h);

// The eight grips Resizer(0)..Resizer(7), in index order (name "Resizer").
std::array<ElementPlacement, 8> GripPlacements(int w, int h);

// The title label's place: Left 16, Top 7.
inline constexpr int kTitleLabelLeft = 16;
inline constexpr int kTitleLabelTop = 7;

// One row of a region: pixels [x0, x1) of row y.
struct Span {
    int y = 0;
    int x0 = 0;
    int x1 = 0;
    friend bool operator==(const Span&, const Span&) = default;
};

// The region of a rounded rectangle from (0, 0) to (w, h), right and bottom edges
// excluded, whose corners are quarter-ellipses of an ew x eh ellipse. As with the right
// and bottom edges, the corner ellipse's box excludes its last column and row: a pixel of
// the top-left corner belongs to the region when its centre (x + 0.5, y + 0.5) lies inside
// the ellipse inscribed in the box from (0, 0) to (ew - 1, eh - 1); the other corners are
// mirror images. With ew = eh = 24 that leaves out 27 pixels in each corner (8, 6, 4, 3,
// 2, 2, 1, 1 in its first eight rows), the magenta pixels of the corner pictures. One span per row,
// top to bottom; rows with no pixel are left out. Empty for w <= 0 or h <= 0; ellipse sizes are
// clamped to the rectangle.
std::vector<Span> RoundRectSpans(int w, int h, int ew, int eh);

// The corner ellipse of the main window's region.
inline constexpr int kRegionEllipse = 24;

// The smallest window a grip resize leaves, in pixels.
inline constexpr int kMinGripWidthPx = 57;
inline constexpr int kMinGripHeightPx = 90;

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

// Window bounds in twips.
struct TwipBounds {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

struct GripResize {
    // The bounds the move-and-size step asks for; empty when it is refused (the window is
    // maximised, the index is outside 0..7, or a width or height comes out negative).
    std::optional<TwipBounds> move;
    // The bounds after the move and the two minimum-size clamps (left and top are never
    // changed by a clamp). For a maximised window this equals `current`.
    TwipBounds result;
};

// The bounds of a grip resize of grip `index` whose cursor travelled from `start` to
// `end` (screen pixels). dX and dY are computed in double precision twips; the new left
// edge is taken in single precision; the 57 x 90 pixel minimum is applied afterwards, each
// dimension alone, with the products taken in single precision.
GripResize ResizeFromGripBounds(const TwipBounds& current, ScreenPoint start, ScreenPoint end,
                                int index, double twipsPerPixelX, double twipsPerPixelY,
                                bool maximised);

}  // namespace lorvex
