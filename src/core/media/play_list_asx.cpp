// Windows Media's play lists: .asx, .wax, .wvx and .wmx (XML read leniently: tags in any
// case, bad markup read as far as it goes) and the servers' "[Reference]" files.
#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/media/ascii_text.h"
#include "core/media/play_list_builder.h"
#include "core/media/play_list_readers.h"

namespace lorvex::play_lists {

namespace {

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
void ReadReferenceFile(std::string_view body, PlayListBuilder& list) {
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

}  // namespace

PlayList ReadAsx(std::string_view body, std::string_view listAddress, bool nested) {
    PlayListBuilder list(listAddress, nested);
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
        ReadAddressLines(body, list, false);
        return list.Finish(true);
    }
    return list.Finish(sawAsx);
}

}  // namespace lorvex::play_lists
