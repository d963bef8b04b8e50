// Which bodies are play lists, the reading of one by its format, and the splicing of a
// nested list into its place. The readers: play_list_asx.cpp, play_list_lines.cpp.
#include "core/media/play_lists.h"

#include <algorithm>

#include "core/media/ascii_text.h"
#include "core/media/clip_address.h"
#include "core/media/play_list_builder.h"
#include "core/media/play_list_readers.h"

namespace lorvex {

namespace {

std::string_view WithoutByteOrderMark(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    return text;
}

// Bytes that text never holds: a clip, not a list.
bool LooksBinary(std::string_view head) {
    for (const char c : head.substr(0, 1024)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f' &&
            byte != 0x1B) {
            return true;
        }
    }
    return false;
}

}  // namespace

PlayListFormat DetectPlayList(std::string_view address, std::string_view contentType,
                              std::string_view head) {
    if (head.starts_with("\x30\x26\xB2\x75\x8E\x66\xCF\x11") || head.starts_with(".RMF") ||
        LooksBinary(head)) {
        return PlayListFormat::None;
    }
    const std::string_view text = TrimBlanks(WithoutByteOrderMark(head));
    if (play_lists::StartsWithNoCase(text, "#extm3u")) return PlayListFormat::M3u;
    if (play_lists::StartsWithNoCase(text, "[reference]")) return PlayListFormat::Asx;
    if (AsciiLowerCopy(text.substr(0, 4096)).find("<asx") != std::string::npos) {
        return PlayListFormat::Asx;
    }

    const std::string type = BareMimeType(contentType);
    for (std::string_view asx : {"video/x-ms-asx", "video/x-ms-wvx", "audio/x-ms-wax",
                                 "video/x-ms-wmx", "application/x-ms-asx"}) {
        if (type == asx) return PlayListFormat::Asx;
    }
    for (std::string_view m3u : {"audio/x-mpegurl", "audio/mpegurl", "application/x-mpegurl",
                                 "application/vnd.apple.mpegurl"}) {
        if (type == m3u) return PlayListFormat::M3u;
    }
    // RealPlayer lists are served as audio; a RealAudio clip has a binary header.
    if (type == "audio/x-pn-realaudio" || type == "audio/x-pn-realaudio-plugin") {
        return PlayListFormat::Ram;
    }

    const std::string extension = AddressExtension(address);
    for (std::string_view asx : {".asx", ".wax", ".wvx", ".wmx"}) {
        if (extension == asx) return PlayListFormat::Asx;
    }
    if (extension == ".ram" || extension == ".rpm") return PlayListFormat::Ram;
    if (extension == ".m3u") return PlayListFormat::M3u;
    return play_lists::IsAddressLines(text) ? PlayListFormat::Ram : PlayListFormat::None;
}

PlayList ParsePlayList(PlayListFormat format, std::string_view body, std::string_view listAddress,
                       bool nested) {
    body = WithoutByteOrderMark(body);
    switch (format) {
        case PlayListFormat::Asx:
            return play_lists::ReadAsx(body, listAddress, nested);
        case PlayListFormat::Ram:
        case PlayListFormat::M3u: {
            play_lists::PlayListBuilder list(listAddress, nested);
            play_lists::ReadAddressLines(body, list, format == PlayListFormat::M3u);
            return list.Finish(true);
        }
        case PlayListFormat::None:
            break;
    }
    PlayList none;
    none.error = kBadPlayListMessage;
    return none;
}

void SpliceNestedList(PlayList& list, std::size_t at, const PlayList& inner) {
    if (at < list.entries.size()) {
        list.entries.erase(list.entries.begin() + static_cast<std::ptrdiff_t>(at));
        std::vector<PlayListEntry> clips;
        for (const PlayListEntry& entry : inner.entries) {
            if (!entry.nestedList) clips.push_back(entry);
        }
        const std::size_t room =
            kMaxPlayListEntries - std::min(kMaxPlayListEntries, list.entries.size());
        if (clips.size() > room) clips.resize(room);
        list.entries.insert(list.entries.begin() + static_cast<std::ptrdiff_t>(at), clips.begin(),
                            clips.end());
    }
    list.notices.insert(list.notices.end(), inner.notices.begin(), inner.notices.end());
    if (!list.entries.empty()) {
        list.error.clear();
    } else {
        list.error = inner.error.empty() ? std::string(kEmptyPlayListMessage) : inner.error;
    }
}

}  // namespace lorvex
