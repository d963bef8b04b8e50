#include "core/media/play_lists.h"

#include <algorithm>
#include <optional>

#include "core/media/ascii_text.h"
#include "core/media/clip_address.h"

namespace lorvex {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && AsciiLowerCopy(text.substr(0, prefix.size())) == prefix;
}

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

// Calls `line` for each line (without its line break).
template <typename Visit>
void ForEachLine(std::string_view text, Visit&& line) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (!line(text.substr(0, end))) return;
        if (end == std::string_view::npos) return;
        text.remove_prefix(end + 1);
    }
}

bool HasClipScheme(std::string_view line) {
    const std::string scheme = AddressScheme(line);
    return IsClipScheme(scheme) && line.substr(scheme.size()).starts_with("://");
}

// A short text whose every line (but comments) is a clip address.
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

std::string BareType(std::string_view type) {
    return AsciiLowerCopy(TrimBlanks(type.substr(0, type.find(';'))));
}

std::string LastSegment(std::string_view address) {
    address = address.substr(0, address.find_first_of("?#"));
    const std::size_t slash = address.rfind('/');
    return AsciiLowerCopy(slash == std::string_view::npos ? address : address.substr(slash + 1));
}

// Collects entries; addresses that cannot be played are left out with a notice.
class Builder {
  public:
    Builder(std::string_view listAddress, bool nested) : base_(listAddress), nested_(nested) {}

    void SetBase(std::string_view reference) {
        if (auto base = ResolveReference(base_, reference)) base_ = *base;
    }

    // An address for the entry being built (its first, or an alternative).
    void AddAddress(std::string_view reference) {
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

    void SetTitle(std::string_view title) {
        if (pending_.title.empty()) pending_.title = std::string(TrimBlanks(title));
    }

    // Ends the entry being built.
    void EndEntry() {
        if (!pending_.addresses.empty()) Push(std::move(pending_));
        pending_ = {};
    }

    // An <entryref>: a list in its own place.
    void AddNestedList(std::string_view reference) {
        EndEntry();
        if (nested_) {
            play_.notices.push_back("已跳过嵌套过深的播放列表：" +
                                    std::string(TrimBlanks(reference)));
            return;
        }
        const std::optional<std::string> address = ResolveClipAddress(base_, TrimBlanks(reference));
        if (!address) {
            play_.notices.push_back("已跳过无法播放的地址：" + std::string(TrimBlanks(reference)));
            return;
        }
        Push(PlayListEntry{{*address}, {}, true});
    }

    PlayList Finish(bool understood) {
        EndEntry();
        // A streaming address is only missed when the list gives the clip over http nowhere.
        for (const std::string& address : streaming_) {
            const std::string name = LastSegment(address);
            const bool elsewhere = std::any_of(
                play_.entries.begin(), play_.entries.end(), [&](const PlayListEntry& entry) {
                    return std::any_of(
                        entry.addresses.begin(), entry.addresses.end(),
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

    // Whether an entry beyond the limit was left out: reading can stop.
    bool Full() const { return truncated_; }

  private:
    void Push(PlayListEntry entry) {
        if (play_.entries.size() >= kMaxPlayListEntries) {
            if (!truncated_) play_.notices.emplace_back("播放列表过长，其余曲目已略去");
            truncated_ = true;
            return;
        }
        play_.entries.push_back(std::move(entry));
    }

    std::string base_;
    bool nested_;
    bool truncated_ = false;
    PlayListEntry pending_;
    std::vector<std::string> streaming_;
    PlayList play_;
};

// --- ASX ------------------------------------------------------------------------------------

void AppendUtf8(std::string& out, unsigned long code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// XML's five named entities and numeric references; anything else stays as written.
std::string DecodeEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const std::size_t amp = text.find('&');
        out.append(text.substr(0, amp));
        if (amp == std::string_view::npos) break;
        text.remove_prefix(amp);
        const std::size_t semi = text.find(';');
        const std::string_view name = semi == std::string_view::npos || semi > 10
                                          ? std::string_view{}
                                          : text.substr(1, semi - 1);
        static constexpr std::pair<std::string_view, char> kNamed[] = {
            {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
        bool decoded = false;
        for (const auto& [entity, c] : kNamed) {
            if (AsciiLowerCopy(name) == entity) {
                out += c;
                decoded = true;
            }
        }
        if (!decoded && name.size() >= 2 && name.front() == '#') {
            const bool hex = AsciiLower(name[1]) == 'x';
            const std::string_view digits = name.substr(hex ? 2 : 1);
            unsigned long code = 0;
            bool valid = !digits.empty();
            for (const char d : digits) {
                const char l = AsciiLower(d);
                const int value = l >= '0' && l <= '9'          ? l - '0'
                                  : hex && l >= 'a' && l <= 'f' ? l - 'a' + 10
                                                                : -1;
                if (value < 0) valid = false;
                code = std::min(
                    code * (hex ? 16 : 10) + static_cast<unsigned long>(value < 0 ? 0 : value),
                    0x110000UL);
            }
            if (valid) {
                AppendUtf8(out, code);
                decoded = true;
            }
        }
        if (decoded) {
            text.remove_prefix(semi + 1);
        } else {
            out += '&';
            text.remove_prefix(1);
        }
    }
    return out;
}

struct Tag {
    std::string name;  // lower case
    bool closing = false;
    std::vector<std::pair<std::string, std::string>> attributes;  // names lower case

    std::optional<std::string> Attribute(std::string_view wanted) const {
        for (const auto& [key, value] : attributes) {
            if (key == wanted) return value;
        }
        return std::nullopt;
    }
};

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == ':' || c == '.';
}

// Reads the tag that starts at text[0] == '<' up to its '>' (or the end) and moves past it.
Tag ReadTag(std::string_view& text) {
    Tag tag;
    std::size_t i = 1;
    if (i < text.size() && text[i] == '/') {
        tag.closing = true;
        ++i;
    }
    const std::size_t nameStart = i;
    while (i < text.size() && IsNameChar(text[i])) ++i;
    tag.name = AsciiLowerCopy(text.substr(nameStart, i - nameStart));
    while (i < text.size() && text[i] != '>') {
        if (IsAsciiBlank(text[i]) || text[i] == '/') {
            ++i;
            continue;
        }
        const std::size_t keyStart = i;
        while (i < text.size() && !IsAsciiBlank(text[i]) && text[i] != '=' && text[i] != '>' &&
               text[i] != '/') {
            ++i;
        }
        std::string key = AsciiLowerCopy(text.substr(keyStart, i - keyStart));
        while (i < text.size() && IsAsciiBlank(text[i])) ++i;
        std::string value;
        if (i < text.size() && text[i] == '=') {
            ++i;
            while (i < text.size() && IsAsciiBlank(text[i])) ++i;
            if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
                const char quote = text[i++];
                const std::size_t end = std::min(text.find(quote, i), text.size());
                value = DecodeEntities(text.substr(i, end - i));
                i = end == text.size() ? end : end + 1;
            } else {
                const std::size_t valueStart = i;
                while (i < text.size() && !IsAsciiBlank(text[i]) && text[i] != '>') ++i;
                value = DecodeEntities(text.substr(valueStart, i - valueStart));
            }
        }
        if (key.empty()) continue;  // "=value" without a name
        tag.attributes.emplace_back(std::move(key), std::move(value));
    }
    text.remove_prefix(std::min(i + 1, text.size()));
    return tag;
}

// Moves past a comment, a declaration or a processing instruction at text[0] == '<'.
bool SkipSpecial(std::string_view& text) {
    std::string_view end;
    if (text.starts_with("<!--")) {
        end = "-->";
    } else if (text.starts_with("<!") || text.starts_with("<?")) {
        end = ">";
    } else {
        return false;
    }
    const std::size_t at = text.find(end, 2);
    text.remove_prefix(at == std::string_view::npos ? text.size() : at + end.size());
    return true;
}

// Windows Media servers' reference files: "[Reference]", then "Ref1=<address>" lines.
void ReadReferenceFile(std::string_view body, Builder& list) {
    ForEachLine(body, [&](std::string_view raw) {
        const std::string_view line = TrimBlanks(raw);
        const std::size_t equals = line.find('=');
        if (StartsWithNoCase(line, "ref") && equals != std::string_view::npos) {
            list.AddAddress(line.substr(equals + 1));
            list.EndEntry();
        }
        return !list.Full();
    });
}

void ReadLines(std::string_view body, Builder& list, bool m3u);

PlayList ReadAsx(std::string_view body, std::string_view listAddress, bool nested) {
    Builder list(listAddress, nested);
    const std::string_view start = TrimBlanks(body);
    if (StartsWithNoCase(start, "[reference]")) {
        ReadReferenceFile(start, list);
        return list.Finish(true);
    }
    bool sawAsx = false;
    int entryDepth = 0;
    bool inTitle = false;
    std::string_view text = body;
    while (!text.empty() && !list.Full()) {
        const std::size_t open = text.find('<');
        if (inTitle && entryDepth > 0) list.SetTitle(DecodeEntities(text.substr(0, open)));
        inTitle = false;
        if (open == std::string_view::npos) break;
        text.remove_prefix(open);
        if (SkipSpecial(text)) continue;
        const Tag tag = ReadTag(text);
        if (tag.name == "asx") {
            sawAsx = true;
        } else if (tag.name == "entry") {
            // A new entry also ends one left open.
            list.EndEntry();
            entryDepth = tag.closing ? 0 : 1;
        } else if (tag.name == "ref" && !tag.closing) {
            if (auto href = tag.Attribute("href")) list.AddAddress(*href);
            // A <ref> outside any entry is an entry of its own.
            if (entryDepth == 0) list.EndEntry();
        } else if (tag.name == "entryref" && !tag.closing) {
            if (auto href = tag.Attribute("href")) list.AddNestedList(*href);
        } else if (tag.name == "base" && !tag.closing) {
            if (auto href = tag.Attribute("href")) list.SetBase(*href);
        } else if (tag.name == "title" && !tag.closing) {
            inTitle = true;
        }
    }
    if (!sawAsx && body.find('<') == std::string_view::npos && IsAddressLines(body)) {
        // Not markup at all: some servers send a plain list of addresses.
        ReadLines(body, list, false);
        return list.Finish(true);
    }
    return list.Finish(sawAsx);
}

// --- RAM and M3U ------------------------------------------------------------------------------

void ReadLines(std::string_view body, Builder& list, bool m3u) {
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

}  // namespace

PlayListFormat DetectPlayList(std::string_view address, std::string_view contentType,
                              std::string_view head) {
    if (head.starts_with("\x30\x26\xB2\x75\x8E\x66\xCF\x11") || head.starts_with(".RMF") ||
        LooksBinary(head)) {
        return PlayListFormat::None;
    }
    const std::string_view text = TrimBlanks(WithoutByteOrderMark(head));
    if (StartsWithNoCase(text, "#extm3u")) return PlayListFormat::M3u;
    if (StartsWithNoCase(text, "[reference]")) return PlayListFormat::Asx;
    if (AsciiLowerCopy(text.substr(0, 4096)).find("<asx") != std::string::npos) {
        return PlayListFormat::Asx;
    }

    const std::string type = BareType(contentType);
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
    return IsAddressLines(text) ? PlayListFormat::Ram : PlayListFormat::None;
}

PlayList ParsePlayList(PlayListFormat format, std::string_view body, std::string_view listAddress,
                       bool nested) {
    body = WithoutByteOrderMark(body);
    switch (format) {
        case PlayListFormat::Asx:
            return ReadAsx(body, listAddress, nested);
        case PlayListFormat::Ram:
        case PlayListFormat::M3u: {
            Builder list(listAddress, nested);
            ReadLines(body, list, format == PlayListFormat::M3u);
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
