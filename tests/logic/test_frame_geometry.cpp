#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/geometry/frame_geometry.h"

namespace lorvex {
namespace {

using std::nullopt;

struct Expected {
    std::string name;
    int left;
    int top;
    std::optional<int> width;
    std::optional<int> height;
};

template <std::size_t N>
void ExpectPlacements(const std::array<ElementPlacement, N>& actual,
                      const std::vector<Expected>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < N; ++i) {
        SCOPED_TRACE(expected[i].name + " #" + std::to_string(i));
        EXPECT_EQ(actual[i].name, expected[i].name);
        EXPECT_EQ(actual[i].left, expected[i].left);
        EXPECT_EQ(actual[i].top, expected[i].top);
        EXPECT_EQ(actual[i].width, expected[i].width);
        EXPECT_EQ(actual[i].height, expected[i].height);
    }
}

TEST(FrameGeometryTest, FramePlacements) {
    ExpectPlacements(FramePlacements(626, 418),
                     {{"imgTitleLeft", 0, 0, nullopt, nullopt},
                      {"imgTitleRight", 607, 0, nullopt, nullopt},
                      {"imgTitleMain", 19, 0, 607, nullopt},
                      {"imgWindowLeft", 0, 30, nullopt, 358},
                      {"imgWindowBottomLeft", 0, 388, nullopt, nullopt},
                      {"imgWindowBottom", 19, 388, 588, nullopt},
                      {"imgWindowBottomRight", 607, 388, nullopt, nullopt},
                      {"imgWindowRight", 607, 30, nullopt, 380},
                      {"imgTitleClose", 604, 8, nullopt, nullopt},
                      {"imgTitleMaxRestore", 587, 8, nullopt, nullopt},
                      {"imgTitleMinimize", 570, 8, nullopt, nullopt},
                      {"imgTitleHelp", 553, 8, nullopt, nullopt}});
    // The smallest window a grip leaves: the help button slides off the left edge.
    const auto smallest = FramePlacements(57, 90);
    EXPECT_EQ(smallest[2].width, 38);
    EXPECT_EQ(smallest[3].height, 30);
    EXPECT_EQ(smallest[5].width, 19);
    EXPECT_EQ(smallest[7].height, 52);
    EXPECT_EQ(smallest[11].left, -16);
}

TEST(FrameGeometryTest, GripPlacements) {
    ExpectPlacements(GripPlacements(626, 418), {{"Resizer", 0, 30, nullopt, 358},
                                                {"Resizer", 621, 30, nullopt, 358},
                                                {"Resizer", 19, 0, 587, nullopt},
                                                {"Resizer", 19, 413, 587, nullopt},
                                                {"Resizer", 615, 407, nullopt, nullopt},
                                                {"Resizer", 0, 407, nullopt, nullopt},
                                                {"Resizer", 615, 0, nullopt, nullopt},
                                                {"Resizer", 0, 0, nullopt, nullopt}});
    const auto smallest = GripPlacements(57, 90);
    EXPECT_EQ(smallest[0].height, 30);
    EXPECT_EQ(smallest[1].height, 30);
    EXPECT_EQ(smallest[2].width, 18);
    EXPECT_EQ(smallest[3].width, 18);
}

TEST(FrameGeometryTest, SkinPixelsRoundsHalfToEven) {
    EXPECT_EQ(SkinPixels(9390, 15), 626);
    EXPECT_EQ(SkinPixels(37.5, 15), 2);
    EXPECT_EQ(SkinPixels(52.5, 15), 4);
}

// Excluded pixels of the whole region, by corner quadrant.
long ExcludedPixels(const std::vector<Span>& spans, int w, int h) {
    long inside = 0;
    for (const Span& span : spans) {
        inside += span.x1 - span.x0;
    }
    return static_cast<long>(w) * h - inside;
}

TEST(RoundRectSpansTest, MainWindowRegion) {
    const int w = 626;
    const int h = 418;
    const auto spans = RoundRectSpans(w, h, kRegionEllipse, kRegionEllipse);
    ASSERT_EQ(spans.size(), static_cast<std::size_t>(h));
    EXPECT_EQ(spans.front(), (Span{0, 8, 618}));

    const int insets[] = {8, 6, 4, 3, 2, 2, 1, 1};
    for (int y = 0; y < h; ++y) {
        const int inset = y < 8 ? insets[y] : (h - 1 - y < 8 ? insets[h - 1 - y] : 0);
        EXPECT_EQ(spans[y], (Span{y, inset, w - inset})) << "row " << y;
    }
    EXPECT_EQ(ExcludedPixels(spans, w, h), 4 * 27);
}

TEST(RoundRectSpansTest, MaximisedOnA4kScreen) {
    const auto spans = RoundRectSpans(3840, 2160, kRegionEllipse, kRegionEllipse);
    ASSERT_EQ(spans.size(), 2160u);
    EXPECT_EQ(ExcludedPixels(spans, 3840, 2160), 4 * 27);
}

TEST(RoundRectSpansTest, SymmetricForOtherEllipses) {
    const struct {
        int w, h, ew, eh;
    } cases[] = {{100, 50, 40, 10}, {31, 31, 25, 25}, {200, 120, 57, 90}, {10, 10, 100, 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        const auto spans = RoundRectSpans(c.w, c.h, c.ew, c.eh);
        ASSERT_EQ(spans.size(), static_cast<std::size_t>(c.h));
        for (int y = 0; y < c.h; ++y) {
            const Span& span = spans[y];
            EXPECT_EQ(span.y, y);
            EXPECT_EQ(span.x0, c.w - span.x1);          // left-right mirror
            EXPECT_EQ(span.x0, spans[c.h - 1 - y].x0);  // top-bottom mirror
            if (y > 0 && y <= c.h / 2) {
                EXPECT_LE(span.x0, spans[y - 1].x0);  // the corner only widens downwards
            }
        }
        EXPECT_GT(spans.front().x0, 0);
        EXPECT_EQ(spans[c.h / 2].x0, 0);
    }
}

TEST(RoundRectSpansTest, DegenerateSizes) {
    EXPECT_TRUE(RoundRectSpans(0, 10, 24, 24).empty());
    EXPECT_TRUE(RoundRectSpans(10, 0, 24, 24).empty());
    EXPECT_TRUE(RoundRectSpans(-5, 10, 24, 24).empty());

    // No ellipse to speak of: a plain rectangle.
    for (const auto& [ew, eh] : {std::pair{0, 24}, {24, 1}, {1, 1}, {-3, 24}, {2, 2}}) {
        const auto spans = RoundRectSpans(7, 3, ew, eh);
        EXPECT_EQ(spans, (std::vector<Span>{{0, 0, 7}, {1, 0, 7}, {2, 0, 7}})) << ew << "x" << eh;
    }
    // An ellipse larger than the window is clamped to it.
    EXPECT_EQ(RoundRectSpans(10, 10, 100, 100), RoundRectSpans(10, 10, 10, 10));
    EXPECT_EQ(RoundRectSpans(1, 1, 24, 24), (std::vector<Span>{{0, 0, 1}}));
}

// Grip resizes of a 626 x 418 pixel window at 15 twips per pixel.
constexpr TwipBounds kWindow{1500, 1200, 9390, 6270};
constexpr double kMinWidth = 57 * 15;
constexpr double kMinHeight = 90 * 15;

void ExpectBounds(const TwipBounds& actual, const TwipBounds& expected) {
    EXPECT_DOUBLE_EQ(actual.left, expected.left);
    EXPECT_DOUBLE_EQ(actual.top, expected.top);
    EXPECT_DOUBLE_EQ(actual.width, expected.width);
    EXPECT_DOUBLE_EQ(actual.height, expected.height);
}

TEST(GripResizeTest, EachGripWithinTheMinimum) {
    // The cursor travels 10 pixels right and 10 down: 150 twips each way.
    const TwipBounds expected[] = {
        {1650, 1200, 9240, 6270}, {1500, 1200, 9540, 6270}, {1500, 1350, 9390, 6120},
        {1500, 1200, 9390, 6420}, {1500, 1200, 9540, 6420}, {1650, 1200, 9240, 6420},
        {1500, 1350, 9540, 6120}, {1650, 1350, 9240, 6120},
    };
    for (int index = 0; index < 8; ++index) {
        SCOPED_TRACE(index);
        const auto r = ResizeFromGripBounds(kWindow, {100, 100}, {110, 110}, index, 15, 15, false);
        ASSERT_TRUE(r.move.has_value());
        ExpectBounds(*r.move, expected[index]);
        ExpectBounds(r.result, expected[index]);
    }
}

TEST(GripResizeTest, PastTheMinimumTheClampKeepsTheMovedEdge) {
    // Left grip 600 pixels right: 26 pixels wide, then widened to 57 to the right.
    auto r = ResizeFromGripBounds(kWindow, {0, 0}, {600, 0}, 0, 15, 15, false);
    ASSERT_TRUE(r.move.has_value());
    ExpectBounds(*r.move, {10500, 1200, 390, 6270});
    ExpectBounds(r.result, {10500, 1200, kMinWidth, 6270});

    // Exactly onto the right edge: a width of zero is still a move.
    r = ResizeFromGripBounds(kWindow, {0, 0}, {626, 0}, 0, 15, 15, false);
    ASSERT_TRUE(r.move.has_value());
    ExpectBounds(*r.move, {10890, 1200, 0, 6270});
    ExpectBounds(r.result, {10890, 1200, kMinWidth, 6270});

    // Top-left grip 400 pixels down and right.
    r = ResizeFromGripBounds(kWindow, {0, 0}, {400, 400}, 7, 15, 15, false);
    ASSERT_TRUE(r.move.has_value());
    ExpectBounds(r.result, {7500, 7200, 3390, kMinHeight});

    // Bottom-right grip up and left past the minimum but not past the opposite edges.
    r = ResizeFromGripBounds(kWindow, {600, 500}, {0, 200}, 4, 15, 15, false);
    ASSERT_TRUE(r.move.has_value());
    ExpectBounds(r.result, {1500, 1200, kMinWidth, 1770});
}

TEST(GripResizeTest, RefusedMovesStillClamp) {
    const TwipBounds tiny{300, 400, 600, 900};  // 40 x 60 pixels
    const struct {
        TwipBounds current;
        ScreenPoint end;
        int index;
        TwipBounds result;
    } cases[] = {
        {kWindow, {700, 0}, 0, kWindow},   // past the right edge
        {kWindow, {0, -500}, 3, kWindow},  // bottom above the top edge
        {kWindow, {10, 10}, 8, kWindow},   // no such grip
        {kWindow, {10, 10}, -1, kWindow},
        {tiny, {50, 0}, 0, {300, 400, kMinWidth, kMinHeight}},
        {tiny, {10, 10}, 8, {300, 400, kMinWidth, kMinHeight}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        const auto r = ResizeFromGripBounds(c.current, {0, 0}, c.end, c.index, 15, 15, false);
        EXPECT_FALSE(r.move.has_value());
        ExpectBounds(r.result, c.result);
    }
}

TEST(GripResizeTest, MaximisedWindowIsLeftAlone) {
    const TwipBounds tiny{300, 400, 600, 900};
    for (int index = 0; index < 8; ++index) {
        const auto r = ResizeFromGripBounds(tiny, {0, 0}, {10, 10}, index, 15, 15, true);
        EXPECT_FALSE(r.move.has_value()) << index;
        ExpectBounds(r.result, tiny);
    }
}

TEST(GripResizeTest, PrecisionOfLeftEdgeAndMinimum) {
    const double tpp = 1440.0 / 110.0;  // a DPI whose twips per pixel is not whole
    const TwipBounds current{1234.567, 100, 300, 300};
    const auto r = ResizeFromGripBounds(current, {0, 0}, {1, 1}, 5, tpp, tpp, false);
    ASSERT_TRUE(r.move.has_value());
    EXPECT_EQ(r.move->left, static_cast<double>(static_cast<float>(1234.567 + tpp)));
    EXPECT_EQ(r.result.width, static_cast<double>(static_cast<float>(57 * tpp)));
    EXPECT_EQ(r.result.height, static_cast<double>(static_cast<float>(90 * tpp)));
    // Each minimum takes its own direction's factor.
    const auto tall = ResizeFromGripBounds(current, {0, 0}, {1, 1}, 5, 15, 20, false);
    EXPECT_DOUBLE_EQ(tall.result.width, 57 * 15);
    EXPECT_DOUBLE_EQ(tall.result.height, 90 * 20);

    // Travel that overflows gives no bounds at all.
    const auto huge = ResizeFromGripBounds(kWindow, {0, 0}, {10, 0}, 1, 1e308, 15, false);
    EXPECT_FALSE(huge.move.has_value());
    const auto far =
        ResizeFromGripBounds(kWindow, {-2147483647 - 1, 0}, {2147483647, 0}, 1, 15, 15, false);
    ASSERT_TRUE(far.move.has_value());
    EXPECT_DOUBLE_EQ(far.move->width, 9390 + 4294967295.0 * 15);
}

}  // namespace
}  // namespace lorvex
