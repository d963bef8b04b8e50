// The pages the client writes into its views (the library page, the confirmation of a
// collect), kept for the views' history. Each is kept under a number while a view's
// history can still go back to it; the store as a whole is bounded by its size in bytes,
// the newest few always staying.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace lorvex {

class WrittenPages {
  public:
    using Bytes = std::shared_ptr<const std::string>;

    // The newest pages that stay whatever their size.
    static constexpr std::size_t kAlwaysKept = 8;
    // What the older ones may hold together with them.
    static constexpr std::size_t kDefaultBudget = std::size_t{64} << 20;

    explicit WrittenPages(std::size_t byteBudget = kDefaultBudget) : budget_(byteBudget) {}

    // Keeps a page and returns its number: 1, 2, ... in the order written.
    std::uint64_t Add(std::string bytes);

    // The page's bytes, shared (a reader may hold them after the store has let them go);
    // null when it is not kept.
    Bytes Find(std::uint64_t number) const;

    // Keeps another form of a kept page (a packed copy) in place of `expected`, the
    // bytes it holds now; the budget counts the new size. False, and nothing changes, when
    // the page is no longer kept or holds other bytes than `expected`.
    bool Replace(std::uint64_t number, const Bytes& expected, Bytes replacement);

    // Whether the number was given out and its page has since been dropped.
    bool Dropped(std::uint64_t number) const;

    // Drops every page no view can reach any more, then the oldest ones until the
    // store is within its budget. The newest kAlwaysKept stay in any case.
    void Prune(const std::function<bool(std::uint64_t number)>& reachable);

    void SetBudget(std::size_t bytes) { budget_ = bytes; }
    std::size_t TotalBytes() const { return total_; }
    std::size_t Count() const { return documents_.size(); }

  private:
    bool AmongNewest(std::uint64_t number) const { return number + kAlwaysKept >= next_; }
    void Drop(std::map<std::uint64_t, Bytes>::iterator at);

    std::map<std::uint64_t, Bytes> documents_;
    std::uint64_t next_ = 1;
    std::size_t total_ = 0;
    std::size_t budget_;
};

// The page a view shows for a written page that is no longer kept (UTF-8).
inline constexpr std::string_view kDroppedWrittenPage =
    "<html><head><meta http-equiv=Content-Type content=\"text/html; charset=gb2312\"></head>"
    "<body><B>此页已不再保存<br>请重新打开【曲库】</B></body></html>";

}  // namespace lorvex
