// Collects the entries a play-list reader finds: addresses resolved against the list's own
// (or its <base>), those that cannot be played left out with a notice, streaming-only
// addresses kept aside until the list is read, at most kMaxPlayListEntries entries, and the
// box's text when nothing can be played. Inside core/media only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/media/play_lists.h"

namespace lorvex::play_lists {

class PlayListBuilder {
  public:
    PlayListBuilder(std::string_view listAddress, bool nested);

    void SetBase(std::string_view reference);

    // An address for the entry being built (its first, or an alternative).
    void AddAddress(std::string_view reference);

    void SetTitle(std::string_view title);

    // Ends the entry being built.
    void EndEntry();

    // An <entryref>: a list in its own place.
    void AddNestedList(std::string_view reference);

    // The list read. `understood`: the body was the format it was read as; when it was not
    // and nothing can be played, the error says the list is bad.
    PlayList Finish(bool understood);

    // Whether an entry beyond the limit was left out: reading can stop.
    bool Full() const { return truncated_; }

  private:
    void Push(PlayListEntry entry);

    std::string base_;
    bool nested_;
    bool truncated_ = false;
    PlayListEntry pending_;
    std::vector<std::string> streaming_;
    PlayList play_;
};

}  // namespace lorvex::play_lists
