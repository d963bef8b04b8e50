#include "browsing/location.h"

#include <optional>
#include <vector>

#include "favourites/text_codec.h"

namespace lorvex {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// The byte of a valid escape "%XX" at `pos`, if there is one.
std::optional<unsigned char> EscapeAt(std::string_view text, std::size_t pos) {
    if (pos + 2 >= text.size() || text[pos] != '%') {
        return std::nullopt;
    }
    const int high = HexValue(text[pos + 1]);
    const int low = HexValue(text[pos + 2]);
    if (high < 0 || low < 0) {
        return std::nullopt;
    }
    return static_cast<unsigned char>(high * 16 + low);
}

void AppendEscape(std::string& out, unsigned char byte) {
    constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
}

bool IsGbLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool IsGbDigit(unsigned char b) { return b >= 0x30 && b <= 0x39; }
bool IsGbTrail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE); }

// Length of the GB18030 character starting at `i`: 4 or 2 for a well-formed sequence,
// 1 for a byte that starts none (ASCII, or a stray byte that shows as U+FFFD).
std::size_t GbSequenceLength(const std::vector<unsigned char>& bytes, std::size_t i) {
    const std::size_t left = bytes.size() - i;
    if (!IsGbLead(bytes[i]) || left < 2) {
        return 1;
    }
    if (left >= 4 && IsGbDigit(bytes[i + 1]) && IsGbLead(bytes[i + 2]) && IsGbDigit(bytes[i + 3])) {
        return 4;
    }
    return IsGbTrail(bytes[i + 1]) ? 2 : 1;
}

// Presents one run of consecutive escapes. `text` is the run as written (3 characters per
// byte), `bytes` the bytes it stands for. ASCII bytes keep their escape text; the others
// are decoded, as UTF-8 when the whole run is UTF-8 and as GB18030 otherwise.
void AppendDecodedRun(std::string& out, std::string_view text,
                      const std::vector<unsigned char>& bytes) {
    const std::string raw(bytes.begin(), bytes.end());
    const bool utf8 = IsValidUtf8(raw);
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (bytes[i] < 0x80) {
            out += text.substr(i * 3, 3);
            ++i;
            continue;
        }
        std::size_t length = 1;
        if (utf8) {
            // Continuation bytes are never ASCII, so a character ends at the next ASCII
            // byte at the latest.
            while (i + length < bytes.size() && (bytes[i + length] & 0xC0) == 0x80) {
                ++length;
            }
            out.append(raw, i, length);
        } else {
            // GBK trail bytes may be ASCII ("%81%40"), so each character is cut out first.
            length = GbSequenceLength(bytes, i);
            out += Gb18030ToUtf8(std::string_view(raw).substr(i, length));
        }
        i += length;
    }
}

}  // namespace

std::string PresentLocation(std::string_view address) {
    std::string out;
    out.reserve(address.size());
    std::size_t literalStart = 0;
    std::size_t pos = 0;
    while (pos < address.size()) {
        if (!EscapeAt(address, pos)) {
            ++pos;
            continue;
        }
        // Everything before the run stands as it is, repaired where it is not UTF-8.
        out += SanitizeUtf8(address.substr(literalStart, pos - literalStart));
        const std::size_t runStart = pos;
        std::vector<unsigned char> bytes;
        while (const auto byte = EscapeAt(address, pos)) {
            bytes.push_back(*byte);
            pos += 3;
        }
        AppendDecodedRun(out, address.substr(runStart, pos - runStart), bytes);
        literalStart = pos;
    }
    out += SanitizeUtf8(address.substr(literalStart));
    return out;
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
            AppendEscape(out, c);
            ++i;
            continue;
        }
        for (const char byte : Utf8ToGb18030(character)) {
            AppendEscape(out, static_cast<unsigned char>(byte));
        }
        i += length;
    }
    return out;
}

}  // namespace lorvex
