#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/geometry/layout.h"
#include "core/geometry/units.h"

namespace lorvex {
namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();

TEST(UnitsTest, TwipsPerPixelFallsBackToNinetySixDpi) {
    const struct {
        double dpi;
        double expected;
    } cases[] = {
        {96, 15}, {120, 12}, {144, 10}, {0, 15}, {-96, 15}, {NAN, 15}, {INFINITY, 15},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(TwipsPerPixel(c.dpi), c.expected) << c.dpi;
    }
}

TEST(UnitsTest, RoundHalfEven) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        int expected;
    } cases[] = {
        {2.5, 2},
        {3.5, 4},
        {0.5, 0},
        {1.5, 2},
        {-0.5, 0},
        {-2.5, -2},
        {-3.5, -4},
        {2.4999, 2},
        {2.5001, 3},
        {-2.5001, -3},
        {7.0, 7},
        {std::numeric_limits<double>::quiet_NaN(), 0},
        {1e20, kIntMax},
        {-1e20, kIntMin},
        {inf, kIntMax},
        {-inf, kIntMin},
        {2147483646.5, 2147483646},
        {2147483647.5, kIntMax},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RoundHalfEven(c.value), c.expected) << c.value;
    }
}

TEST(UnitsTest, TwipsToPixelsRoundsTheQuotient) {
    EXPECT_EQ(TwipsToPixels(9390, 15), 626);
    EXPECT_EQ(TwipsToPixels(112.5, 15), 8);  // 7.5
    EXPECT_EQ(TwipsToPixels(97.5, 15), 6);   // 6.5
}

TEST(LayoutTest, StartupButtonGridFromDesignedLeftEdge) {
    std::array<TwipRect, 14> designed{};
    for (int i = 0; i < 14; ++i) {
        designed[i] = {120 + 37 * i, 5000 - 11 * i, 999 + i, 123 + i};  // anything but the grid
    }
    designed[0].left = 120;
    const auto grid = StartupButtonGrid(designed);

    const int columns[] = {120, 730, 1340, 1950};
    const int rows[] = {400, 710, 1020};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(grid[i].left, columns[i % 4]) << "Command" << i + 1;
        EXPECT_EQ(grid[i].top, rows[i / 4]) << "Command" << i + 1;
        EXPECT_EQ(grid[i].width, 600) << "Command" << i + 1;
        EXPECT_EQ(grid[i].height, 300) << "Command" << i + 1;
    }
    EXPECT_EQ(grid[12].left, designed[12].left);
    EXPECT_EQ(grid[12].top, designed[12].top);
    EXPECT_EQ(grid[13].left, designed[12].left);
    EXPECT_EQ(grid[13].width, designed[12].width);
    EXPECT_EQ(grid[13].top, designed[13].top);
    EXPECT_EQ(grid[13].height, designed[13].height);
}

TEST(LayoutTest, TwipRectToPixelsRoundsEdgesNotSizes) {
    const struct {
        TwipRect rect;
        double tpp;
        PixelRect expected;
    } cases[] = {
        {{120, 400, 600, 300}, 15, {8, 27, 40, 20}},
        {{730, 710, 600, 300}, 15, {49, 47, 40, 20}},
        // 2.5 and 7.5 round to even: the shared edge at 30 twips stays shared.
        {{0, 0, 30, 30}, 12, {0, 0, 2, 2}},
        {{30, 30, 60, 60}, 12, {2, 2, 6, 6}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TwipRectToPixels(c.rect, c.tpp), c.expected) << c.rect.left;
    }
}

using T = ContentTarget;

std::vector<std::pair<T, float>> Steps(const ContentPass& pass) {
    std::vector<std::pair<T, float>> steps;
    for (const ContentStep& step : pass.steps) {
        steps.emplace_back(step.target, step.value);
    }
    return steps;
}

TEST(LayoutTest, ContentLayoutPasses) {
    const struct {
        float sw, sh, fw, fh;
        std::vector<std::pair<T, float>> steps;
        bool complete;
    } cases[] = {
        {800,
         600,
         220,
         113,
         {{T::MainViewLeft, 8},
          {T::MainViewWidth, 564},
          {T::MainViewHeight, 550},
          {T::MainViewTop, 38},
          {T::SideColumnHeight, 439},
          {T::SideColumnTop, 38},
          {T::SideColumnLeft, 572},
          {T::SideColumnWidth, 220},
          {T::PanelTop, 475},
          {T::PanelLeft, 572}},
         true},
        {626,
         418,
         220,
         113,
         {{T::MainViewLeft, 8},
          {T::MainViewWidth, 390},
          {T::MainViewHeight, 368},
          {T::MainViewTop, 38},
          {T::SideColumnHeight, 257},
          {T::SideColumnTop, 38},
          {T::SideColumnLeft, 398},
          {T::SideColumnWidth, 220},
          {T::PanelTop, 293},
          {T::PanelLeft, 398}},
         true},
        // Narrower than the panel plus margins: the first width stops the pass.
        {235, 600, 220, 113, {{T::MainViewLeft, 8}}, false},
        // Too low for the side view, high enough for the main one.
        {800,
         100,
         220,
         113,
         {{T::MainViewLeft, 8},
          {T::MainViewWidth, 564},
          {T::MainViewHeight, 50},
          {T::MainViewTop, 38}},
         false},
        {800, 49, 220, 113, {{T::MainViewLeft, 8}, {T::MainViewWidth, 564}}, false},
        // Zero sizes are allowed.
        {236,
         161,
         220,
         113,
         {{T::MainViewLeft, 8},
          {T::MainViewWidth, 0},
          {T::MainViewHeight, 111},
          {T::MainViewTop, 38},
          {T::SideColumnHeight, 0},
          {T::SideColumnTop, 38},
          {T::SideColumnLeft, 8},
          {T::SideColumnWidth, 220},
          {T::PanelTop, 36},
          {T::PanelLeft, 8}},
         true},
        {NAN, 600, 220, 113, {}, false},
        {800, 600, INFINITY, 113, {}, false},
        {800, 600, 220, INFINITY, {}, false},
    };
    for (const auto& c : cases) {
        const ContentPass pass = ContentLayout(c.sw, c.sh, c.fw, c.fh);
        EXPECT_EQ(Steps(pass), c.steps) << c.sw << "x" << c.sh;
        EXPECT_EQ(pass.complete, c.complete) << c.sw << "x" << c.sh;
    }
}

}  // namespace
}  // namespace lorvex
