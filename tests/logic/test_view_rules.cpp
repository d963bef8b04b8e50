#include <gtest/gtest.h>

#include <vector>

#include "core/browsing/view_rules.h"

namespace lorvex {
namespace {

TEST(ViewRulesTest, ZoomSteps) {
    struct Case {
        double from;
        ZoomStep step;
        double to;
    };
    // 1.0999999 is 1.1 as the engine hands it back; 1.2 lies between two steps; 9 and 0.1
    // lie outside them.
    const Case cases[] = {
        {1.0, ZoomStep::In, 1.1},        {1.0, ZoomStep::Out, 0.9},
        {1.1, ZoomStep::In, 1.25},       {0.9, ZoomStep::Out, 0.8},
        {1.0999999, ZoomStep::In, 1.25}, {1.0999999, ZoomStep::Out, 1.0},
        {1.2, ZoomStep::In, 1.25},       {1.2, ZoomStep::Out, 1.1},
        {5.0, ZoomStep::In, 5.0},        {0.25, ZoomStep::Out, 0.25},
        {9.0, ZoomStep::Out, 5.0},       {0.1, ZoomStep::In, 0.25},
        {2.5, ZoomStep::Reset, 1.0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(NextZoomFactor(c.from, c.step), c.to)
            << c.from << " step " << static_cast<int>(c.step);
    }
}

TEST(ViewRulesTest, WheelNotchesAndTouchpadDeltasMakeWholeSteps) {
    ZoomWheel wheel;
    EXPECT_EQ(wheel.Turn(120), 1);
    EXPECT_EQ(wheel.Turn(-240), -2);
    EXPECT_EQ(wheel.Turn(40), 0);
    EXPECT_EQ(wheel.Turn(40), 0);
    EXPECT_EQ(wheel.Turn(50), 1);    // 130: one step, 10 left over
    EXPECT_EQ(wheel.Turn(-100), 0);  // the other way: the 10 are dropped
    EXPECT_EQ(wheel.Turn(-20), -1);
    EXPECT_EQ(wheel.Turn(-130), -1);  // 10 left over on the way out
    EXPECT_EQ(wheel.Turn(110), 0);    // turned back: the 10 are dropped
    EXPECT_EQ(wheel.Turn(10), 1);
    EXPECT_EQ(wheel.Turn(130), 1);  // a step, and 10 kept for the next
    EXPECT_EQ(wheel.Turn(110), 1);
}

TEST(ViewRulesTest, CrashReloadsAtMostOnceAMinute) {
    using namespace std::chrono_literals;
    CrashReloads reloads;
    CrashReloads::TimePoint now{};
    EXPECT_TRUE(reloads.ReloadAfterCrash(now));
    EXPECT_FALSE(reloads.ReloadAfterCrash(now + 59s));  // crashed again after the reload
    EXPECT_FALSE(reloads.ReloadAfterCrash(now + 59s));
    EXPECT_TRUE(reloads.ReloadAfterCrash(now + 60s));  // a minute after the reload
    EXPECT_FALSE(reloads.ReloadAfterCrash(now + 61s));
    EXPECT_TRUE(reloads.ReloadAfterCrash(now + 1h));
}

// Each row: the user leaves at 0, then gives the page input at the given times (ms); whether
// the page may go full screen after them.
TEST(ViewRulesTest, FullScreenComesBackOnlyAfterALaterInput) {
    using namespace std::chrono_literals;
    struct Row {
        const char* name;
        std::vector<int> inputs;
        bool mayEnter;
    };
    const Row rows[] = {
        {"no input", {}, false},
        {"input at once", {0}, false},
        {"inputs within the second", {100, 500, 999}, false},
        {"input a second later", {1000}, true},
        {"early input, then a later one", {300, 1500}, true},
    };
    for (const Row& row : rows) {
        FullScreenReentry reentry;
        EXPECT_TRUE(reentry.MayEnter()) << row.name;
        FullScreenReentry::TimePoint left{1h};
        reentry.UserLeft(left);
        for (int at : row.inputs) reentry.UserInput(left + std::chrono::milliseconds(at));
        EXPECT_EQ(reentry.MayEnter(), row.mayEnter) << row.name;
    }
    // Leaving again holds the page back again, from the new moment.
    FullScreenReentry reentry;
    FullScreenReentry::TimePoint left{1h};
    reentry.UserLeft(left);
    reentry.UserInput(left + 2s);
    reentry.UserLeft(left + 3s);
    reentry.UserInput(left + 3500ms);
    EXPECT_FALSE(reentry.MayEnter());
}

}  // namespace
}  // namespace lorvex
