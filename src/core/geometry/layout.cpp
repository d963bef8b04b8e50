#include "core/geometry/layout.h"

#include <cmath>

#include "core/geometry/units.h"

namespace lorvex {

namespace {

constexpr int kButtonWidth = 600;
constexpr int kButtonHeight = 300;
constexpr int kButtonGap = 10;
constexpr int kRowPitch = kButtonHeight + kButtonGap;
constexpr int kFirstRowTop = 400;
constexpr int kButtonsPerRow = 4;
constexpr int kGridButtons = 12;

// Browser views and Frame1 keep this margin from the inner area's edges; the views start
// below the 38-pixel title strip.
constexpr float kMargin = 8.0F;
constexpr float kContentTop = 38.0F;

}  // namespace

std::array<TwipRect, 14> StartupButtonGrid(const std::array<TwipRect, 14>& designed) {
    std::array<TwipRect, 14> buttons = designed;

    // First row: Command1 keeps its left edge; each next one follows the one just placed.
    for (int i = 0; i < kButtonsPerRow; ++i) {
        TwipRect& button = buttons[i];
        button.top = kFirstRowTop;
        button.width = kButtonWidth;
        button.height = kButtonHeight;
        if (i > 0) {
            const TwipRect& previous = buttons[i - 1];
            button.left = previous.left + previous.width + kButtonGap;
        }
    }
    // Second and third rows: each button sits under the one four places before it.
    for (int i = kButtonsPerRow; i < kGridButtons; ++i) {
        const TwipRect& above = buttons[i - kButtonsPerRow];
        TwipRect& button = buttons[i];
        button.width = kButtonWidth;
        button.height = kButtonHeight;
        button.left = above.left;
        button.top = above.top + kRowPitch;
    }
    // Command14 lines up under Command13.
    buttons[13].width = buttons[12].width;
    buttons[13].left = buttons[12].left;
    return buttons;
}

PixelRect TwipRectToPixels(const TwipRect& rect, double twipsPerPixel) {
    // Edges are rounded, not sizes, so buttons that touch in twips touch in pixels.
    const double right = static_cast<double>(rect.left) + rect.width;
    const double bottom = static_cast<double>(rect.top) + rect.height;
    PixelRect pixels;
    pixels.left = TwipsToPixels(rect.left, twipsPerPixel);
    pixels.top = TwipsToPixels(rect.top, twipsPerPixel);
    pixels.width = TwipsToPixels(right, twipsPerPixel) - pixels.left;
    pixels.height = TwipsToPixels(bottom, twipsPerPixel) - pixels.top;
    return pixels;
}

bool IsSizeStep(ContentTarget target) {
    switch (target) {
        case ContentTarget::MainViewWidth:
        case ContentTarget::MainViewHeight:
        case ContentTarget::SideColumnHeight:
        case ContentTarget::SideColumnWidth:
            return true;
        default:
            return false;
    }
}

ContentPass ContentLayout(float sw, float sh, float fw, float fh) {
    ContentPass pass;
    if (!std::isfinite(sw) || !std::isfinite(sh) || !std::isfinite(fw) || !std::isfinite(fh)) {
        return pass;
    }
    const float browser1Height = sh - fh - 48.0F;
    const ContentStep all[] = {
        {ContentTarget::MainViewLeft, kMargin},
        {ContentTarget::MainViewWidth, sw - fw - 16.0F},
        {ContentTarget::MainViewHeight, sh - 50.0F},
        {ContentTarget::MainViewTop, kContentTop},
        {ContentTarget::SideColumnHeight, browser1Height},
        {ContentTarget::SideColumnTop, kContentTop},
        {ContentTarget::SideColumnLeft, sw - fw - kMargin},
        {ContentTarget::SideColumnWidth, fw},
        // Frame1 overlaps the side view's last two pixels.
        {ContentTarget::PanelTop, kContentTop + browser1Height - 2.0F},
        {ContentTarget::PanelLeft, sw - fw - kMargin},
    };
    // The host refuses a negative width or height, and that failure ends the pass. A value
    // that overflowed single precision cannot be set either.
    for (const ContentStep& step : all) {
        if (!std::isfinite(step.value) || (IsSizeStep(step.target) && step.value < 0.0F)) {
            return pass;
        }
        pass.steps.push_back(step);
    }
    pass.complete = true;
    return pass;
}

}  // namespace lorvex
