// What the codec's common part and its two platform bodies (text_codec_posix.cpp,
// text_codec_win.cpp) share. Not for use outside the codec.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lorvex::codec {

inline constexpr char32_t kReplacementCodePoint = 0xFFFD;

inline unsigned char ByteAt(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

inline bool InRange(unsigned char b, unsigned char low, unsigned char high) {
    return b >= low && b <= high;
}

// The end of the run of ASCII bytes that starts at `from`, looked at eight bytes at a time.
std::size_t AsciiRunEnd(std::string_view s, std::size_t from);

// ASCII reads the same in UTF-8 and GB18030, so such text needs no converter.
inline bool IsAscii(std::string_view s) { return AsciiRunEnd(s, 0) == s.size(); }

// Length of the well-formed UTF-8 sequence at s[i] (storing its code point), or 0 when the
// byte there does not start one.
std::size_t DecodeUtf8At(std::string_view s, std::size_t i, char32_t& cp);

// Appends a code point as UTF-8 (U+FFFD for a surrogate or a value past U+10FFFF).
void AppendUtf8(std::string& out, char32_t cp);

// Decodes `count` UTF-16 units read through `unitAt`, appending UTF-8 to `out`. Unpaired
// surrogates become U+FFFD.
template <typename UnitAt>
void AppendUtf16AsUtf8(std::string& out, std::size_t count, UnitAt unitAt) {
    for (std::size_t k = 0; k < count; ++k) {
        const char32_t unit = unitAt(k);
        if (unit >= 0xD800 && unit <= 0xDBFF && k + 1 < count) {
            const char32_t next = unitAt(k + 1);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++k;
                continue;
            }
        }
        AppendUtf8(out, unit);  // a lone surrogate is turned into U+FFFD here
    }
}

// How many bytes one U+FFFD stands for when the GB18030 sequence at rest[0] does not
// decode: a whole four-byte or two-byte sequence, but never an ASCII byte (it may be a
// line end).
std::size_t Gb18030SkipForBad(std::string_view rest);

}  // namespace lorvex::codec
