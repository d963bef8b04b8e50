#include "core/portal/location.h"

#include <algorithm>
#include <optional>
#include <string>

#include "core/text/text_codec.h"

namespace lorvex {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The byte of a valid escape "%XX" at `pos`, if there is one.
std::optional<unsigned char> EscapeAt(std::string_view text, std::size_t pos) {
    if (pos + 2 >= text.size() || text[pos] != '%') return std::nullopt;
    const int high = HexValue(text[pos + 1]);
    const int low = HexValue(text[pos + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    return static_cast<unsigned char>(high * 16 + low);
}

// The end of the run of consecutive escapes that starts at `pos`.
std::size_t EscapeRunEnd(std::string_view text, std::size_t pos) {
    while (EscapeAt(text, pos)) pos += 3;
    return pos;
}

// The path and the fragment keep the older reading: a run of escapes whose bytes are all
// valid UTF-8 is read as UTF-8, any other as GB18030, and bytes that name nothing show as
// U+FFFD. Escapes of ASCII bytes stay as written.
void AppendPathRun(std::string& out, std::string_view run) {
    std::string bytes;
    for (std::size_t i = 0; i < run.size(); i += 3) bytes += static_cast<char>(*EscapeAt(run, i));
    const bool utf8 = IsValidUtf8(bytes);
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            out += run.substr(i * 3, 3);
            ++i;
            continue;
        }
        std::size_t length = 1;
        if (utf8) {
            // Continuation bytes are never ASCII: a character ends at the next ASCII byte.
            while (i + length < bytes.size() &&
                   (static_cast<unsigned char>(bytes[i + length]) & 0xC0) == 0x80) {
                ++length;
            }
            out.append(bytes, i, length);
        } else {
            length = std::max<std::size_t>(1, Gb18030SequenceLength(bytes, i));
            out += Gb18030ToUtf8(std::string_view(bytes).substr(i, length));
        }
        i += length;
    }
}

std::string PresentPathOrFragment(std::string_view text) {
    std::string out;
    std::size_t literalStart = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (!EscapeAt(text, pos)) {
            ++pos;
            continue;
        }
        out += SanitizeUtf8(text.substr(literalStart, pos - literalStart));
        const std::size_t end = EscapeRunEnd(text, pos);
        AppendPathRun(out, text.substr(pos, end - pos));
        pos = literalStart = end;
    }
    out += SanitizeUtf8(text.substr(literalStart));
    return out;
}

// One byte of the query as written: an escape (3 characters) or a literal character (1).
struct QueryByte {
    unsigned char byte;
    std::size_t length;
};

// Only an ASCII character can stand for a byte as it is: anything else in the address is
// text already (a shown address has its characters in UTF-8), never part of a GBK one.
std::optional<QueryByte> QueryByteAt(std::string_view query, std::size_t pos) {
    if (const auto escaped = EscapeAt(query, pos)) return QueryByte{*escaped, 3};
    if (pos < query.size() && static_cast<unsigned char>(query[pos]) < 0x80) {
        return QueryByte{static_cast<unsigned char>(query[pos]), 1};
    }
    return std::nullopt;
}

// Decodes the GB18030 character whose escaped lead byte stands at `pos`. Its other bytes
// may be escapes or literal characters: a page in GBK sends a trail byte such as "@" (40)
// or a digit of a four-byte sequence as it stands. Returns where the character ends, or
// nothing when the bytes there name no character.
std::optional<std::size_t> DecodeQueryCharacter(std::string_view query, std::size_t pos,
                                                std::string& out) {
    std::string sequence;
    std::size_t end = pos;
    for (std::size_t wanted = 4; sequence.size() < wanted;) {
        const auto next = QueryByteAt(query, end);
        if (!next) break;
        sequence += static_cast<char>(next->byte);
        end += next->length;
        // The first two bytes tell a two-byte sequence from a four-byte one.
        if (sequence.size() == 2) {
            const std::size_t shape = Gb18030SequenceLength(sequence + "\x81\x30", 0);
            if (shape == 2) wanted = 2;
            if (shape == 0) return std::nullopt;
        }
    }
    if (!DecodeGb18030Sequence(sequence, out)) return std::nullopt;
    return end;
}

// The query: every run of escapes is read as GB18030, the portal's code page, whatever it
// would also be in UTF-8. A run with bytes that name no character stays as written, so
// nothing is replaced. Escapes of ASCII bytes stay as written.
std::string PresentQuery(std::string_view query) {
    std::string out;
    std::size_t literalStart = 0;
    std::size_t pos = 0;
    while (pos < query.size()) {
        if (!EscapeAt(query, pos)) {
            ++pos;
            continue;
        }
        out += SanitizeUtf8(query.substr(literalStart, pos - literalStart));
        const std::size_t runStart = pos;
        std::string decoded;
        bool valid = true;
        while (valid && EscapeAt(query, pos)) {
            const unsigned char byte = *EscapeAt(query, pos);
            if (byte < 0x80) {
                decoded += query.substr(pos, 3);
                pos += 3;
            } else if (const auto end = DecodeQueryCharacter(query, pos, decoded)) {
                pos = *end;
            } else {
                valid = false;
            }
        }
        if (valid) {
            out += decoded;
        } else {
            pos = EscapeRunEnd(query, pos);
            out += query.substr(runStart, pos - runStart);
        }
        literalStart = pos;
    }
    out += SanitizeUtf8(query.substr(literalStart));
    return out;
}

}  // namespace

void AppendPercentEscape(std::string& out, unsigned char byte) {
    constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
}

std::string PresentLocation(std::string_view address) {
    const std::size_t fragment = address.find('#');
    const std::size_t query = address.substr(0, fragment).find('?');
    const std::size_t queryEnd = fragment == std::string_view::npos ? address.size() : fragment;
    if (query == std::string_view::npos) {
        return PresentPathOrFragment(address.substr(0, queryEnd)) +
               PresentPathOrFragment(address.substr(queryEnd));
    }
    return PresentPathOrFragment(address.substr(0, query)) +
           PresentQuery(address.substr(query, queryEnd - query)) +
           PresentPathOrFragment(address.substr(queryEnd));
}

std::string EncodeAddressForPortal(std::string_view addressUtf8) {
    std::string out;
    out.reserve(addressUtf8.size());
    std::size_t i = 0;
    while (i < addressUtf8.size()) {
        const auto c = static_cast<unsigned char>(addressUtf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        std::size_t length = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
        }
        const std::string_view character = addressUtf8.substr(i, length);
        if (length == 0 || character.size() < length || !IsValidUtf8(character)) {
            // Not a character: the byte goes out as it stands.
            AppendPercentEscape(out, c);
            ++i;
            continue;
        }
        for (const char byte : Utf8ToGb18030(character)) {
            AppendPercentEscape(out, static_cast<unsigned char>(byte));
        }
        i += length;
    }
    return out;
}

}  // namespace lorvex
