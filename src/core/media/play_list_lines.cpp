// RealPlayer's .ram/.rpm lists and .m3u: one address a line.
#include <string>

#include "core/media/ascii_text.h"
#include "core/media/clip_address.h"
#include "core/media/play_list_builder.h"
#include "core/media/play_list_readers.h"

namespace lorvex::play_lists {

namespace {

bool HasClipScheme(std::string_view line) {
    const std::string scheme = AddressScheme(line);
    return IsClipScheme(scheme) && line.substr(scheme.size()).starts_with("://");
}

}  // namespace

bool IsAddressLines(std::string_view text) {
    if (text.size() > std::size_t{16} * 1024) return false;
    bool any = false;
    bool all = true;
    ForEachLine(text, [&](std::string_view raw) {
        const std::string_view line = TrimBlanks(raw);
        if (line.empty() || line.front() == '#') return true;
        any = true;
        all = HasClipScheme(line);
        return all;
    });
    return any && all;
}

void ReadAddressLines(std::string_view body, PlayListBuilder& list, bool m3u) {
    ForEachLine(body, [&](std::string_view raw) {
        const std::string_view line = TrimBlanks(raw);
        if (line.empty()) return true;
        if (line.front() == '#') {
            if (m3u && StartsWithNoCase(line, "#extinf:")) {
                const std::size_t comma = line.find(',');
                if (comma != std::string_view::npos) list.SetTitle(line.substr(comma + 1));
            }
            return true;
        }
        // RealPlayer stops reading a list at this line.
        if (!m3u && line == "--stop--") return false;
        list.AddAddress(line);
        list.EndEntry();
        return !list.Full();
    });
}

}  // namespace lorvex::play_lists
