#include "core/text/text_codec.h"

#include <bitset>
#include <cstdint>
#include <cstring>

#include "core/text/text_codec_internal.h"

namespace lorvex {

namespace codec {

std::size_t AsciiRunEnd(std::string_view s, std::size_t from) {
    std::size_t i = from;
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    while (i + 8 <= s.size()) {
        std::uint64_t word = 0;
        std::memcpy(&word, s.data() + i, 8);
        if ((word & kHighBits) != 0) break;
        i += 8;
    }
    while (i < s.size() && ByteAt(s, i) < 0x80) ++i;
    return i;
}

std::size_t DecodeUtf8At(std::string_view s, std::size_t i, char32_t& cp) {
    const unsigned char b0 = ByteAt(s, i);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    const std::size_t left = s.size() - i;
    auto cont = [&](std::size_t k) { return InRange(ByteAt(s, i + k), 0x80, 0xBF); };
    if (InRange(b0, 0xC2, 0xDF)) {
        if (left < 2 || !cont(1)) return 0;
        cp = (char32_t{b0} & 0x1F) << 6 | (ByteAt(s, i + 1) & 0x3F);
        return 2;
    }
    if (InRange(b0, 0xE0, 0xEF)) {
        if (left < 3) return 0;
        // The second byte's range excludes overlongs (E0) and surrogates (ED).
        const unsigned char low = b0 == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = b0 == 0xED ? 0x9F : 0xBF;
        if (!InRange(ByteAt(s, i + 1), low, high) || !cont(2)) return 0;
        cp = (char32_t{b0} & 0x0F) << 12 | (char32_t{ByteAt(s, i + 1)} & 0x3F) << 6 |
             (ByteAt(s, i + 2) & 0x3F);
        return 3;
    }
    if (InRange(b0, 0xF0, 0xF4)) {
        if (left < 4) return 0;
        // Excludes overlongs (F0) and code points past U+10FFFF (F4).
        const unsigned char low = b0 == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = b0 == 0xF4 ? 0x8F : 0xBF;
        if (!InRange(ByteAt(s, i + 1), low, high) || !cont(2) || !cont(3)) return 0;
        cp = (char32_t{b0} & 0x07) << 18 | (char32_t{ByteAt(s, i + 1)} & 0x3F) << 12 |
             (char32_t{ByteAt(s, i + 2)} & 0x3F) << 6 | (ByteAt(s, i + 3) & 0x3F);
        return 4;
    }
    return 0;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacementCodePoint;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::size_t Gb18030SkipForBad(std::string_view rest) {
    const std::size_t shape = Gb18030SequenceLength(rest, 0);
    if (shape == 4 || (shape == 2 && ByteAt(rest, 1) >= 0x80)) return shape;
    return 1;
}

}  // namespace codec

using namespace codec;

namespace {

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    const std::size_t units = bytes.size() / 2;
    AppendUtf16AsUtf8(out, units, [&](std::size_t k) -> char32_t {
        const char32_t first = ByteAt(bytes, 2 * k);
        const char32_t second = ByteAt(bytes, 2 * k + 1);
        return bigEndian ? (first << 8 | second) : (second << 8 | first);
    });
    if (bytes.size() % 2 != 0) out += kReplacementCharacter;  // a half unit at the end
    return out;
}

}  // namespace

std::size_t Gb18030SequenceLength(std::string_view s, std::size_t i) {
    const unsigned char b0 = ByteAt(s, i);
    if (b0 < 0x80) return 1;
    if (b0 == 0x80 || b0 == 0xFF || i + 1 >= s.size()) return 0;
    const unsigned char b1 = ByteAt(s, i + 1);
    if (InRange(b1, 0x40, 0x7E) || InRange(b1, 0x80, 0xFE)) return 2;
    if (InRange(b1, 0x30, 0x39) && i + 3 < s.size() && InRange(ByteAt(s, i + 2), 0x81, 0xFE) &&
        InRange(ByteAt(s, i + 3), 0x30, 0x39)) {
        return 4;
    }
    return 0;
}

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        if (ByteAt(bytes, i) < 0x80) {
            ++i;
            continue;
        }
        char32_t cp = 0;
        const std::size_t len = DecodeUtf8At(bytes, i, cp);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

std::string SanitizeUtf8(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + 16);
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t cp = 0;
        const std::size_t len = DecodeUtf8At(bytes, i, cp);
        if (len == 0) {
            out += kReplacementCharacter;
            ++i;
        } else {
            out.append(bytes.substr(i, len));
            i += len;
        }
    }
    return out;
}

std::u32string Utf8ToCodePoints(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = kReplacementCodePoint;
        const std::size_t len = DecodeUtf8At(utf8, i, cp);
        if (len == 0) cp = kReplacementCodePoint;
        out += cp;
        i += len == 0 ? 1 : len;
    }
    return out;
}

std::string CodePointsToUtf8(std::u32string_view codePoints) {
    std::string out;
    out.reserve(codePoints.size() * 3);
    for (const char32_t cp : codePoints) AppendUtf8(out, cp);
    return out;
}

bool DecodeGb18030Sequence(std::string_view sequence, std::string& outUtf8) {
    if (sequence.empty() || Gb18030SequenceLength(sequence, 0) != sequence.size()) return false;
    std::string decoded = Gb18030ToUtf8(sequence);
    // U+FFFD comes back for bytes that name no character, and for the bytes of U+FFFD itself.
    if (decoded == kReplacementCharacter && sequence != "\x84\x31\xA4\x37") return false;
    outUtf8 += decoded;
    return true;
}

bool HasByteOrderMark(std::string_view bytes) {
    return bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE") ||
           bytes.starts_with("\xFE\xFF");
}

bool IsStableGb18030(std::string_view bytes) {
    // Bit (lead << 8 | trail) is set for a two-byte character that reads back as it stands.
    // A few do not: the converter gives some of them standard characters whose own code has
    // four bytes.
    static const auto* const stable = [] {
        auto* table = new std::bitset<0x10000>();
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                const std::string pair = {static_cast<char>(lead), static_cast<char>(trail)};
                if (Gb18030SequenceLength(pair, 0) != 2) continue;  // trail 0x7F
                table->set(lead << 8 | trail, Utf8ToGb18030(Gb18030ToUtf8(pair)) == pair);
            }
        }
        return table;
    }();
    for (std::size_t i = AsciiRunEnd(bytes, 0); i < bytes.size(); i = AsciiRunEnd(bytes, i)) {
        if (i + 1 >= bytes.size() || !stable->test(ByteAt(bytes, i) << 8 | ByteAt(bytes, i + 1))) {
            return false;
        }
        i += 2;
    }
    return true;
}

std::string DecodeFavouritesText(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return SanitizeUtf8(bytes.substr(3));
    if (bytes.starts_with("\xFF\xFE")) return Utf16ToUtf8(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF")) return Utf16ToUtf8(bytes.substr(2), true);
    return Gb18030ToUtf8(bytes);
}

}  // namespace lorvex
