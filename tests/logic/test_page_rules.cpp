#include <gtest/gtest.h>

#include "core/portal/page_rules.h"

namespace lorvex {
namespace {

using Kind = NavigationKind;

TEST(PageRulesTest, NavigationAllowed) {
    struct Case {
        NavigationRequest request;
        bool allowed;
    };
    const Case cases[] = {
        {{"http", "/33/fl.htm", Kind::Link, true, false}, true},
        {{"https", "/x", Kind::Redirect, false, false}, true},
        {{"about", "blank", Kind::Other, false, false}, true},
        {{"about", "blank", Kind::Other, true, false}, true},
        {{"about", "srcdoc", Kind::Other, false, false}, true},
        {{"about", "srcdoc", Kind::Other, true, false}, false},
        {{"about", "config", Kind::Link, true, false}, false},
        {{"lorvex", "page/1", Kind::Typed, true, true}, true},
        {{"lorvex", "page/1", Kind::BackForward, true, true}, true},
        {{"lorvex", "page/1", Kind::Reload, true, true}, true},
        {{"lorvex", "page/1", Kind::BackForward, true, false}, true},    // history.back()
        {{"lorvex", "page/1", Kind::BackForward, false, false}, false},  // a frame's history
        {{"lorvex", "page/1", Kind::Reload, true, false}, false},
        {{"lorvex", "page/1", Kind::Typed, true, false}, false},  // a page's new window
        {{"lorvex", "page/1", Kind::Link, true, true}, false},    // a page's link
        {{"lorvex", "page/1", Kind::Redirect, true, true}, false},
        {{"lorvex", "page/1", Kind::Typed, false, true}, false},  // a frame
        {{"mailto", "a@b", Kind::Link, true, false}, false},
        {{"data", "text/html,x", Kind::Other, false, false}, false},
        {{"file", "/etc/passwd", Kind::Typed, true, true}, false},
        {{"blob", "http://p/1", Kind::Link, true, false}, false},
        {{"javascript", "alert(1)", Kind::Link, true, false}, false},
        {{"httpx", "/x", Kind::Link, true, false}, false},
        {{"", "", Kind::Other, true, false}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NavigationAllowed(c.request, "lorvex"), c.allowed)
            << c.request.scheme << ":" << c.request.path << " kind "
            << static_cast<int>(c.request.kind) << " main " << c.request.mainFrame << " client "
            << c.request.byClient;
    }
}

TEST(PageRulesTest, DialogThrottleSilencesTheFourthQuickDialogUntilReset) {
    using namespace std::chrono_literals;
    DialogThrottle throttle;
    DialogThrottle::TimePoint now{};
    // Each dialog is answered after a long read; the page asks again at once.
    for (int shown = 0; shown < DialogThrottle::kShownPerBurst; ++shown) {
        EXPECT_TRUE(throttle.Show(now)) << shown;
        now += 60s;
        throttle.Answered(now);
        now += 10ms;
    }
    EXPECT_FALSE(throttle.Show(now));
    // Once silenced, time does not help; navigating does.
    now += 1h;
    EXPECT_FALSE(throttle.Show(now));
    EXPECT_TRUE(throttle.Silenced());
    throttle.Reset();
    EXPECT_TRUE(throttle.Show(now));
}

TEST(PageRulesTest, DialogThrottleStartsANewBurstAfterAPause) {
    DialogThrottle throttle;
    DialogThrottle::TimePoint now{};
    for (int dialog = 0; dialog < 10; ++dialog) {
        EXPECT_TRUE(throttle.Show(now)) << dialog;
        throttle.Answered(now);
        now += DialogThrottle::kBurstGap + std::chrono::milliseconds(1);
    }
    // A dialog exactly the gap after the answer still continues the burst.
    throttle.Reset();
    for (int dialog = 0; dialog < DialogThrottle::kShownPerBurst; ++dialog) {
        EXPECT_TRUE(throttle.Show(now)) << dialog;
        throttle.Answered(now);
        now += DialogThrottle::kBurstGap;
    }
    EXPECT_FALSE(throttle.Show(now));
    throttle.Reset();
    // After the last pause a burst of quick ones begins.
    for (int dialog = 0; dialog < DialogThrottle::kShownPerBurst; ++dialog) {
        EXPECT_TRUE(throttle.Show(now));
        throttle.Answered(now);
    }
    EXPECT_FALSE(throttle.Show(now));
}

TEST(PageRulesTest, EscapeControlCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain 文字 text", "plain 文字 text"},
        {"\x1b[31mred\x1b[0m", "\\x1b[31mred\\x1b[0m"},
        {"a\nb\rc\td", "a\\nb\\rc\\td"},
        {std::string("nul\0bell\a del\x7f", 14), "nul\\x00bell\\x07 del\\x7f"},
        {"csi\xC2\x9B"
         "2J nel\xC2\x85",
         "csi\\u009b2J nel\\u0085"},
        {"apc\xC2\x9F pad\xC2\x80", "apc\\u009f pad\\u0080"},  // the ends of the C1 range
        {"\xC2\xA0nbsp \xC2\xA9", "\xC2\xA0nbsp \xC2\xA9"},    // printable U+00A0, U+00A9
        {"", ""},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(EscapeControlCharacters(text), expected) << text;
    }
}

}  // namespace
}  // namespace lorvex
