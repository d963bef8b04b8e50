#include "core/now_playing/now_playing.h"

#include "core/portal/location.h"

namespace lorvex {

namespace {

// The value of the query parameter `name` in a presented address: after "name=" at the
// start of the query or after a "&", up to the next "&" or the fragment.
std::string QueryValue(std::string_view address, std::string_view name) {
    const std::size_t query = address.find('?');
    if (query == std::string_view::npos) return {};
    std::string_view rest = address.substr(query + 1);
    rest = rest.substr(0, rest.find('#'));
    while (!rest.empty()) {
        const std::size_t amp = rest.find('&');
        const std::string_view pair = rest.substr(0, amp);
        if (pair.size() > name.size() && pair.substr(0, name.size()) == name &&
            pair[name.size()] == '=') {
            return std::string(pair.substr(name.size() + 1));
        }
        if (amp == std::string_view::npos) break;
        rest = rest.substr(amp + 1);
    }
    return {};
}

}  // namespace

Song SongOfPlayerPage(std::string_view address) {
    const std::string shown = PresentLocation(address);
    return {QueryValue(shown, "g"), QueryValue(shown, "c")};
}

bool operator==(const Song& a, const Song& b) { return a.name == b.name && a.singer == b.singer; }

bool operator==(const NowPlaying& a, const NowPlaying& b) {
    return a.present == b.present && a.player == b.player && a.status == b.status &&
           a.song == b.song && a.address == b.address && a.lengthUs == b.lengthUs &&
           a.canPlay == b.canPlay && a.canPause == b.canPause && a.canSeek == b.canSeek &&
           a.volume == b.volume;
}

NowPlayingStatus StatusOf(PlaybackState state) {
    switch (state) {
        case PlaybackState::Playing:
        case PlaybackState::Buffering:
        case PlaybackState::Connecting:
            return NowPlayingStatus::Playing;
        case PlaybackState::Paused:
            return NowPlayingStatus::Paused;
        case PlaybackState::Closed:
        case PlaybackState::Ready:
        case PlaybackState::Stopped:
        case PlaybackState::Ended:
            return NowPlayingStatus::Stopped;
    }
    return NowPlayingStatus::Stopped;
}

void NowPlayingModel::SetPage(std::string_view address) {
    Clear();
    address_ = address;
}

void NowPlayingModel::Report(int player, const MediaReport& report) {
    if (!first_) first_ = player;
    const bool wasPlaying = players_.count(player) != 0 &&
                            StatusOf(players_[player].state) == NowPlayingStatus::Playing;
    players_[player] = report;
    if (!wasPlaying && report.state == PlaybackState::Playing) lastPlayed_ = player;
}

void NowPlayingModel::Remove(int player) {
    players_.erase(player);
    if (lastPlayed_ == player) lastPlayed_.reset();
    if (first_ == player) {
        first_.reset();
        if (!players_.empty()) first_ = players_.begin()->first;
    }
}

void NowPlayingModel::Clear() {
    address_.clear();
    players_.clear();
    lastPlayed_.reset();
    first_.reset();
}

NowPlaying NowPlayingModel::Describe() const {
    NowPlaying now;
    const std::optional<int> chosen = lastPlayed_ ? lastPlayed_ : first_;
    if (!chosen) return now;
    const auto found = players_.find(*chosen);
    if (found == players_.end()) return now;
    const MediaReport& report = found->second;
    now.present = true;
    now.player = *chosen;
    now.status = StatusOf(report.state);
    now.song = SongOfPlayerPage(address_);
    now.address = address_;
    if (report.durationMs > 0) now.lengthUs = report.durationMs * 1000;
    now.canPlay = report.state != PlaybackState::Closed;
    now.canPause = now.canPlay;
    now.canSeek = report.canSeek && report.durationMs > 0;
    now.volume = report.volume;
    return now;
}

}  // namespace lorvex
