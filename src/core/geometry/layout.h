// Layout arithmetic of the main window's content: the button grid that start-up lays
// inside the panel (twips) and the placement of the two browser views and the panel that the
// size-change handler makes (pixels).
#pragma once

#include <array>
#include <vector>

namespace lorvex {

struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The button grid. `designed` holds Command1..Command14 as designed (index 0 is Command1).
// Returns the same fourteen after start-up: Command1..Command12 in three rows of four,
// each 600 x 300, 10 apart, rows 310 apart from top 400, anchored at Command1's designed
// left edge; Command14 takes Command13's width and left edge and keeps its own top and
// height; Command13 is unchanged.
std::array<TwipRect, 14> StartupButtonGrid(const std::array<TwipRect, 14>& designed);

// Twips to whole pixels: left and top edges round half to even, and so do the right and
// bottom edges; width and height are the differences. Neighbours that share an edge in
// twips therefore share it in pixels too.
PixelRect TwipRectToPixels(const TwipRect& rect, double twipsPerPixel);

// One assignment of the content layout pass, in the order the pass makes them.
enum class ContentTarget {
    MainViewLeft,
    MainViewWidth,
    MainViewHeight,
    MainViewTop,
    SideColumnHeight,
    SideColumnTop,
    SideColumnLeft,
    SideColumnWidth,
    PanelTop,
    PanelLeft,
};

struct ContentStep {
    ContentTarget target;
    float value;
};

struct ContentPass {
    // The steps to apply, in order. When a width or height comes out negative the pass
    // stops there: that step and all after it are left out.
    std::vector<ContentStep> steps;
    bool complete = false;
};

// The size-change pass for an inner area SW x SH and a panel FW x FH (single precision,
// as the host receives it). Non-finite inputs give an empty, incomplete pass.
ContentPass ContentLayout(float sw, float sh, float fw, float fh);

// True for the steps that set a width or a height (the ones a host refuses when negative).
bool IsSizeStep(ContentTarget target);

}  // namespace lorvex
