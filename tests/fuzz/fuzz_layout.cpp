// Window sizes, grip drags and DPI values -> the layout and frame arithmetic.
#include <climits>
#include <cmath>
#include <cstdint>

#include "core/geometry/frame_geometry.h"
#include "core/geometry/layout.h"
#include "core/geometry/units.h"
#include "fuzz_support.h"

namespace {

using namespace lorvex;

// The largest widget size the client's toolkit allows.
constexpr int kMaxWindowSide = 16777215;

void CheckContentLayout(fuzz::ByteReader& in) {
    const float sw = in.Take<float>();
    const float sh = in.Take<float>();
    const float fw = in.Take<float>();
    const float fh = in.Take<float>();
    const ContentPass pass = ContentLayout(sw, sh, fw, fh);
    const bool finiteInput =
        std::isfinite(sw) && std::isfinite(sh) && std::isfinite(fw) && std::isfinite(fh);
    if (!finiteInput) FUZZ_REQUIRE(pass.steps.empty() && !pass.complete);
    FUZZ_REQUIRE(pass.complete == (pass.steps.size() == 10));
    for (std::size_t i = 0; i < pass.steps.size(); ++i) {
        const ContentStep& step = pass.steps[i];
        // The steps come in the order the targets are declared.
        FUZZ_REQUIRE(static_cast<std::size_t>(step.target) == i);
        FUZZ_REQUIRE(std::isfinite(step.value));
        if (IsSizeStep(step.target)) FUZZ_REQUIRE(step.value >= 0.0F);
    }
}

void CheckFrame(fuzz::ByteReader& in) {
    const int w = in.TakeInt(0, kMaxWindowSide);
    const int h = in.TakeInt(0, kMaxWindowSide);
    const auto frame = FramePlacements(w, h);
    const auto grips = GripPlacements(w, h);
    // From the smallest size a grip resize leaves, every size is non-negative and every
    // element starts inside the window.
    if (w < kMinGripWidthPx || h < kMinGripHeightPx) return;
    auto check = [&](const ElementPlacement& p) {
        FUZZ_REQUIRE(!p.name.empty());
        FUZZ_REQUIRE(p.width.value_or(0) >= 0 && p.height.value_or(0) >= 0);
        FUZZ_REQUIRE(p.top >= 0 && p.top < h && p.left < w);
    };
    for (const ElementPlacement& p : frame) check(p);
    for (const ElementPlacement& p : grips) check(p);
}

void CheckRegion(fuzz::ByteReader& in) {
    const int w = in.TakeInt(-16, 8192);
    const int h = in.TakeInt(-16, 8192);
    const int ew = in.TakeInt(-16, 8208);
    const int eh = in.TakeInt(-16, 8208);
    const std::vector<Span> spans = RoundRectSpans(w, h, ew, eh);
    if (w <= 0 || h <= 0) {
        FUZZ_REQUIRE(spans.empty());
        return;
    }
    const bool square = ew <= 1 || eh <= 1;
    if (square) FUZZ_REQUIRE(spans.size() == static_cast<std::size_t>(h));
    int previousY = -1;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const Span& s = spans[i];
        FUZZ_REQUIRE(s.y > previousY && s.y < h);
        previousY = s.y;
        FUZZ_REQUIRE(0 <= s.x0 && s.x0 < s.x1 && s.x1 <= w);
        FUZZ_REQUIRE(s.x1 == w - s.x0);  // left and right corners mirror each other
        if (square) FUZZ_REQUIRE(s.x0 == 0);
        // Top and bottom corners mirror each other too.
        const Span& mirror = spans[spans.size() - 1 - i];
        FUZZ_REQUIRE(mirror.y == h - 1 - s.y && mirror.x0 == s.x0);
    }
}

void CheckGripResize(fuzz::ByteReader& in) {
    TwipBounds current;
    current.left = in.Take<std::int32_t>() / 16.0;
    current.top = in.Take<std::int32_t>() / 16.0;
    current.width = in.Take<std::int32_t>() / 16.0;
    current.height = in.Take<std::int32_t>() / 16.0;
    const ScreenPoint start{in.Take<int>(), in.Take<int>()};
    const ScreenPoint end{in.Take<int>(), in.Take<int>()};
    const int index = in.TakeInt(-2, 9);
    const double tppX = TwipsPerPixel(in.TakeInt(1, 10000));
    const double tppY = TwipsPerPixel(in.TakeInt(1, 10000));
    const bool maximised = in.Take<std::uint8_t>() % 8 == 0;

    const GripResize resize =
        ResizeFromGripBounds(current, start, end, index, tppX, tppY, maximised);
    const TwipBounds& r = resize.result;
    if (maximised) {
        FUZZ_REQUIRE(!resize.move);
        FUZZ_REQUIRE(r.left == current.left && r.top == current.top && r.width == current.width &&
                     r.height == current.height);
        return;
    }
    if (index < 0 || index > 7) FUZZ_REQUIRE(!resize.move);
    if (resize.move) {
        const TwipBounds& m = *resize.move;
        FUZZ_REQUIRE(std::isfinite(m.left) && std::isfinite(m.top) && std::isfinite(m.width) &&
                     std::isfinite(m.height));
        FUZZ_REQUIRE(m.width >= 0.0 && m.height >= 0.0);
        FUZZ_REQUIRE(r.left == m.left && r.top == m.top);
    } else {
        FUZZ_REQUIRE(r.left == current.left && r.top == current.top);
    }
    FUZZ_REQUIRE(std::isfinite(r.left) && std::isfinite(r.top) && std::isfinite(r.width) &&
                 std::isfinite(r.height));
    FUZZ_REQUIRE(r.width >= static_cast<float>(kMinGripWidthPx * tppX));
    FUZZ_REQUIRE(r.height >= static_cast<float>(kMinGripHeightPx * tppY));
}

void CheckRounding(fuzz::ByteReader& in) {
    const double value = in.Take<double>();
    const int rounded = RoundHalfEven(value);
    if (std::isnan(value)) {
        FUZZ_REQUIRE(rounded == 0);
    } else if (value >= INT_MAX) {
        FUZZ_REQUIRE(rounded == INT_MAX);
    } else if (value <= INT_MIN) {
        FUZZ_REQUIRE(rounded == INT_MIN);
    } else {
        const double off = std::fabs(rounded - value);
        FUZZ_REQUIRE(off <= 0.5);
        if (off == 0.5) FUZZ_REQUIRE(rounded % 2 == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ByteReader in(data, size);
    CheckContentLayout(in);
    CheckFrame(in);
    CheckRegion(in);
    CheckGripResize(in);
    CheckRounding(in);
    return 0;
}
