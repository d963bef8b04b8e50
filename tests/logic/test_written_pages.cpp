#include "core/written/written_pages.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace lorvex {
namespace {

// Twelve documents of 100 bytes, numbers 1..12; `reachable` holds what histories reach.
struct Case {
    const char* name;
    std::size_t budget;
    std::set<std::uint64_t> reachable;
    std::set<std::uint64_t> kept;
};

TEST(WrittenPages, KeepsWhatHistoriesReachWithinTheBudget) {
    const std::set<std::uint64_t> newest = {5, 6, 7, 8, 9, 10, 11, 12};
    const std::set<std::uint64_t> all = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const Case cases[] = {
        {"all reachable, room for all", 1200, all, all},
        {"none reachable: the newest eight stay", 1200, {}, newest},
        {"some reachable", 1200, {2, 12}, {2, 5, 6, 7, 8, 9, 10, 11, 12}},
        {"over the budget: oldest go first", 1000, all, {3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {"a tiny budget still keeps the newest eight", 1, all, newest},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WrittenPages store(c.budget);
        for (int i = 0; i < 12; ++i) store.Add(std::string(100, 'x'));
        store.Prune([&](std::uint64_t n) { return c.reachable.contains(n); });
        std::set<std::uint64_t> kept;
        for (std::uint64_t n = 1; n <= 12; ++n) {
            if (store.Find(n)) kept.insert(n);
            EXPECT_EQ(store.Dropped(n), !store.Find(n)) << n;
        }
        EXPECT_EQ(kept, c.kept);
        EXPECT_EQ(store.TotalBytes(), 100 * kept.size());
    }
}

TEST(WrittenPages, DroppedIsOnlyForNumbersGivenOut) {
    WrittenPages store;
    const auto first = store.Add("<html>");
    EXPECT_EQ(first, 1u);
    EXPECT_EQ(*store.Find(first), "<html>");
    EXPECT_FALSE(store.Dropped(0));
    EXPECT_FALSE(store.Dropped(2));
    // A reader keeps the bytes it holds after the store has let them go.
    const WrittenPages::Bytes held = store.Find(first);
    for (int i = 0; i < 8; ++i) store.Add("x");
    store.Prune([](std::uint64_t) { return false; });
    EXPECT_TRUE(store.Dropped(first));
    EXPECT_EQ(*held, "<html>");
}

// A packed copy takes the place of exactly the bytes it was made from, and the budget
// counts its size; a copy made from bytes the store no longer holds is refused.
TEST(WrittenPages, ReplaceOnlyWhatIsStillHeld) {
    WrittenPages store;
    const auto number = store.Add(std::string(1000, 'x'));
    const WrittenPages::Bytes original = store.Find(number);
    const auto packed = std::make_shared<const std::string>("packed");
    EXPECT_TRUE(store.Replace(number, original, packed));
    EXPECT_EQ(store.Find(number), packed);
    EXPECT_EQ(store.TotalBytes(), 6u);
    EXPECT_FALSE(store.Replace(number, original, std::make_shared<const std::string>("late")));
    EXPECT_FALSE(store.Replace(number + 1, nullptr, packed));
    EXPECT_EQ(store.TotalBytes(), 6u);
}

}  // namespace
}  // namespace lorvex
