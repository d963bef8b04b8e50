#include "core/geometry/frame_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/geometry/units.h"

namespace lorvex {

namespace {

// Skin picture sizes, in pixels: the title corners and the side edges are 19 wide, the
// title strip and the bottom edge 30 high, and each title button sits 17 left of the next.
constexpr int kCornerWidth = 19;
constexpr int kEdgeHeight = 30;
constexpr int kTitleButtonTop = 8;
constexpr int kCloseFromRight = 22;
constexpr int kTitleButtonPitch = 17;

// Grips: 5 pixels thick along the edges, 11 x 11 in the corners.
constexpr int kGripThickness = 5;
constexpr int kCornerGrip = 11;

// Number of pixels at the start of row `y` of a corner box that fall outside the corner's
// ellipse. `a` and `b` are the ellipse's diameters (ew - 1, eh - 1); the ellipse spans
// [0, a] x [0, b] and a pixel counts by its centre (x + 0.5, y + 0.5). In doubled
// coordinates the test is dx^2 b^2 + dy^2 a^2 <= a^2 b^2, done in integers so the boundary
// pixels come out exactly; only ellipses too big for 64 bits fall back to doubles.
int CornerInset(int y, int a, int b, int boxWidth) {
    constexpr int kExactLimit = 40000;  // 2 a^2 b^2 still fits in a signed 64-bit value
    const bool exact = a <= kExactLimit && b <= kExactLimit;
    const std::int64_t a2 = static_cast<std::int64_t>(a) * a;
    const std::int64_t b2 = static_cast<std::int64_t>(b) * b;
    const std::int64_t dy = 2 * static_cast<std::int64_t>(y) + 1 - b;
    const double dyNorm = static_cast<double>(dy) / b;
    auto inside = [&](int x) {
        const std::int64_t dx = 2 * static_cast<std::int64_t>(x) + 1 - a;
        if (exact) {
            return dx * dx * b2 + dy * dy * a2 <= a2 * b2;
        }
        const double dxNorm = static_cast<double>(dx) / a;
        return dxNorm * dxNorm + dyNorm * dyNorm <= 1.0;
    };
    // Estimate from the closed form, then settle on the exact first pixel inside.
    const double chord = static_cast<double>(a) * std::sqrt(std::max(0.0, 1.0 - dyNorm * dyNorm));
    const double estimate = std::floor(0.5 * (static_cast<double>(a) - chord - 1.0));
    int x = static_cast<int>(std::clamp(estimate, 0.0, static_cast<double>(boxWidth)));
    while (x > 0 && inside(x - 1)) {
        --x;
    }
    while (x < boxWidth && !inside(x)) {
        ++x;
    }
    return x;
}

}  // namespace

int SkinPixels(double twips, double twipsPerPixel) { return TwipsToPixels(twips, twipsPerPixel); }

std::array<ElementPlacement, 12> FramePlacements(int w, int h) {
    const int right = w - kCornerWidth;
    const int bottom = h - kEdgeHeight;
    const int close = w - kCloseFromRight;
    return {{
        {"imgTitleLeft", 0, 0, std::nullopt, std::nullopt},
        {"imgTitleRight", right, 0, std::nullopt, std::nullopt},
        {"imgTitleMain", kCornerWidth, 0, w - kCornerWidth, std::nullopt},
        {"imgWindowLeft", 0, kEdgeHeight, std::nullopt, h - 2 * kEdgeHeight},
        {"imgWindowBottomLeft", 0, bottom, std::nullopt, std::nullopt},
        {"imgWindowBottom", kCornerWidth, bottom, w - 2 * kCornerWidth, std::nullopt},
        {"imgWindowBottomRight", right, bottom, std::nullopt, std::nullopt},
        {"imgWindowRight", right, kEdgeHeight, std::nullopt, h - 38},
        {"imgTitleClose", close, kTitleButtonTop, std::nullopt, std::nullopt},
        {"imgTitleMaxRestore", close - kTitleButtonPitch, kTitleButtonTop, std::nullopt,
         std::nullopt},
        {"imgTitleMinimize", close - 2 * kTitleButtonPitch, kTitleButtonTop, std::nullopt,
         std::nullopt},
        {"imgTitleHelp", close - 3 * kTitleButtonPitch, kTitleButtonTop, std::nullopt,
         std::nullopt},
    }};
}

std::array<ElementPlacement, 8> GripPlacements(int w, int h) {
    constexpr std::string_view kName = "Resizer";
    const int sideHeight = h - 2 * kEdgeHeight;
    const int edgeWidth = w - 39;
    return {{
        {kName, 0, kEdgeHeight, std::nullopt, sideHeight},                      // left
        {kName, w - kGripThickness, kEdgeHeight, std::nullopt, sideHeight},     // right
        {kName, kCornerWidth, 0, edgeWidth, std::nullopt},                      // top
        {kName, kCornerWidth, h - kGripThickness, edgeWidth, std::nullopt},     // bottom
        {kName, w - kCornerGrip, h - kCornerGrip, std::nullopt, std::nullopt},  // bottom right
        {kName, 0, h - kCornerGrip, std::nullopt, std::nullopt},                // bottom left
        {kName, w - kCornerGrip, 0, std::nullopt, std::nullopt},                // top right
        {kName, 0, 0, std::nullopt, std::nullopt},                              // top left
    }};
}

std::vector<Span> RoundRectSpans(int w, int h, int ew, int eh) {
    std::vector<Span> spans;
    if (w <= 0 || h <= 0) {
        return spans;
    }
    ew = std::clamp(ew, 0, w);
    eh = std::clamp(eh, 0, h);
    spans.reserve(static_cast<std::size_t>(h));
    const bool rounded = ew > 1 && eh > 1;
    const int boxWidth = ew / 2;
    const int boxHeight = eh / 2;
    for (int y = 0; y < h; ++y) {
        // Rows of the bottom corners mirror those of the top corners.
        const int cornerRow = std::min(y, h - 1 - y);
        int inset = 0;
        if (rounded && cornerRow < boxHeight) {
            inset = CornerInset(cornerRow, ew - 1, eh - 1, boxWidth);
        }
        if (w - inset > inset) {
            spans.push_back({y, inset, w - inset});
        }
    }
    return spans;
}

namespace {

// Where grip `index` (0 left, 1 right, 2 top, 3 bottom, then the corners bottom-right,
// bottom-left, top-right, top-left) moves the window's edges for a pointer travel of
// (dX, dY) twips; nothing for an index that names no grip.
std::optional<TwipBounds> GripMove(const TwipBounds& current, int index, double dX, double dY) {
    const double l = current.left;
    const double t = current.top;
    const double w = current.width;
    const double h = current.height;
    switch (index) {
        case 0:
            return TwipBounds{l + dX, t, w - dX, h};
        case 1:
            return TwipBounds{l, t, w + dX, h};
        case 2:
            return TwipBounds{l, t + dY, w, h - dY};
        case 3:
            return TwipBounds{l, t, w, h + dY};
        case 4:
            return TwipBounds{l, t, w + dX, h + dY};
        case 5:
            return TwipBounds{l + dX, t, w - dX, h + dY};
        case 6:
            return TwipBounds{l, t + dY, w + dX, h - dY};
        case 7:
            return TwipBounds{l + dX, t + dY, w - dX, h - dY};
        default:
            return std::nullopt;
    }
}

}  // namespace

GripResize ResizeFromGripBounds(const TwipBounds& current, ScreenPoint start, ScreenPoint end,
                                int index, double twipsPerPixelX, double twipsPerPixelY,
                                bool maximised) {
    GripResize resize;
    resize.result = current;
    if (maximised) {
        // A maximised window refuses both the move and the size clamps.
        return resize;
    }

    const double dX = (static_cast<double>(end.x) - start.x) * twipsPerPixelX;
    const double dY = (static_cast<double>(end.y) - start.y) * twipsPerPixelY;
    std::optional<TwipBounds> move = GripMove(current, index, dX, dY);
    if (move) {
        // The host takes the new left edge in single precision.
        move->left = static_cast<float>(move->left);
        const bool finite = std::isfinite(move->left) && std::isfinite(move->top) &&
                            std::isfinite(move->width) && std::isfinite(move->height);
        if (finite && move->width >= 0.0 && move->height >= 0.0) {
            resize.move = move;
            resize.result = *move;
        }
    }

    // The minimum size applies whether or not the move went through.
    const float minWidth = static_cast<float>(kMinGripWidthPx * twipsPerPixelX);
    const float minHeight = static_cast<float>(kMinGripHeightPx * twipsPerPixelY);
    if (minWidth > resize.result.width) {
        resize.result.width = minWidth;
    }
    if (minHeight > resize.result.height) {
        resize.result.height = minHeight;
    }
    return resize;
}

}  // namespace lorvex
