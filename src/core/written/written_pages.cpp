#include "core/written/written_pages.h"

#include <utility>

namespace lorvex {

std::uint64_t WrittenPages::Add(std::string bytes) {
    const std::uint64_t number = next_++;
    total_ += bytes.size();
    documents_.emplace(number, std::make_shared<const std::string>(std::move(bytes)));
    return number;
}

WrittenPages::Bytes WrittenPages::Find(std::uint64_t number) const {
    const auto at = documents_.find(number);
    return at == documents_.end() ? nullptr : at->second;
}

bool WrittenPages::Replace(std::uint64_t number, const Bytes& expected, Bytes replacement) {
    const auto at = documents_.find(number);
    if (at == documents_.end() || at->second != expected || !replacement) return false;
    total_ = total_ - at->second->size() + replacement->size();
    at->second = std::move(replacement);
    return true;
}

bool WrittenPages::Dropped(std::uint64_t number) const {
    return number >= 1 && number < next_ && !documents_.contains(number);
}

void WrittenPages::Drop(std::map<std::uint64_t, Bytes>::iterator at) {
    total_ -= at->second->size();
    documents_.erase(at);
}

void WrittenPages::Prune(const std::function<bool(std::uint64_t)>& reachable) {
    for (auto at = documents_.begin(); at != documents_.end();) {
        const auto next = std::next(at);
        if (!AmongNewest(at->first) && !reachable(at->first)) Drop(at);
        at = next;
    }
    // Oldest first: the map is ordered by number.
    while (total_ > budget_ && !documents_.empty() && !AmongNewest(documents_.begin()->first)) {
        Drop(documents_.begin());
    }
}

}  // namespace lorvex
