#include "core/media/play_list_builder.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "core/media/ascii_text.h"
#include "core/media/clip_address.h"

namespace lorvex::play_lists {

namespace {

std::string LastSegment(std::string_view address) {
    address = address.substr(0, address.find_first_of("?#"));
    const std::size_t slash = address.rfind('/');
    return AsciiLowerCopy(slash == std::string_view::npos ? address : address.substr(slash + 1));
}

}  // namespace

PlayListBuilder::PlayListBuilder(std::string_view listAddress, bool nested)
    : base_(listAddress), nested_(nested) {}

void PlayListBuilder::SetBase(std::string_view reference) {
    if (auto base = ResolveReference(base_, reference)) base_ = *base;
}

void PlayListBuilder::AddAddress(std::string_view reference) {
    const std::string_view written = TrimBlanks(reference);
    if (written.empty()) return;
    const std::optional<std::string> address = ResolveClipAddress(base_, written);
    const std::string scheme = address ? AddressScheme(*address) : std::string();
    if (scheme == "rtsp" || scheme == "pnm") {
        streaming_.push_back(*address);
        return;
    }
    if (!address) {
        play_.notices.push_back("已跳过无法播放的地址：" + std::string(written));
        return;
    }
    pending_.addresses.push_back(*address);
}

void PlayListBuilder::SetTitle(std::string_view title) {
    if (pending_.title.empty()) pending_.title = std::string(TrimBlanks(title));
}

void PlayListBuilder::EndEntry() {
    if (!pending_.addresses.empty()) Push(std::move(pending_));
    pending_ = {};
}

void PlayListBuilder::AddNestedList(std::string_view reference) {
    EndEntry();
    if (nested_) {
        play_.notices.push_back("已跳过嵌套过深的播放列表：" + std::string(TrimBlanks(reference)));
        return;
    }
    const std::optional<std::string> address = ResolveClipAddress(base_, TrimBlanks(reference));
    if (!address) {
        play_.notices.push_back("已跳过无法播放的地址：" + std::string(TrimBlanks(reference)));
        return;
    }
    Push(PlayListEntry{{*address}, {}, true});
}

PlayList PlayListBuilder::Finish(bool understood) {
    EndEntry();
    // A streaming address is only missed when the list gives the clip over http nowhere.
    for (const std::string& address : streaming_) {
        const std::string name = LastSegment(address);
        const bool elsewhere = std::any_of(
            play_.entries.begin(), play_.entries.end(), [&](const PlayListEntry& entry) {
                return std::any_of(entry.addresses.begin(), entry.addresses.end(),
                                   [&](const std::string& a) { return LastSegment(a) == name; });
            });
        if (!elsewhere) play_.notices.push_back("已跳过流媒体地址：" + address);
    }
    if (play_.entries.empty()) {
        play_.error = !understood           ? kBadPlayListMessage
                      : !streaming_.empty() ? kStreamingOnlyMessage
                                            : kEmptyPlayListMessage;
    }
    return std::move(play_);
}

void PlayListBuilder::Push(PlayListEntry entry) {
    if (play_.entries.size() >= kMaxPlayListEntries) {
        if (!truncated_) play_.notices.emplace_back("播放列表过长，其余曲目已略去");
        truncated_ = true;
        return;
    }
    play_.entries.push_back(std::move(entry));
}

}  // namespace lorvex::play_lists
