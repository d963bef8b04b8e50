// The client's text codec. Text inside the program is UTF-8; the favourites file and the
// pages handed to the browser are in the GB2312 family: GB18030 writes exactly the
// GB2312/GBK (code page 936) bytes for every character those hold, and four-byte
// sequences for the rest, so no character is lost. On POSIX the conversion goes
// through iconv, on Windows through code page 54936.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace lorvex {

inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

struct CodecError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// UTF-8 to GB18030. Bytes that are not valid UTF-8 are encoded as U+FFFD would be
// (0x84 0x31 0xA4 0x37). Throws CodecError only when the converter itself is unavailable.
std::string Utf8ToGb18030(std::string_view utf8);

// Appends the GB18030 bytes of UTF-8 text to `out`, as Utf8ToGb18030 converts it; for
// text written in many pieces.
void AppendGb18030(std::string& out, std::string_view utf8);

// GB18030 to UTF-8. Bytes that do not decode become U+FFFD; decoding always goes on.
std::string Gb18030ToUtf8(std::string_view bytes);

// Length of the GB18030 sequence that starts at bytes[i], judged by its shape alone: 1 for
// ASCII, 2 for a lead byte (81..FE) and a trail byte (40..7E, 80..FE), 4 for lead, digit,
// lead, digit; 0 when the byte there starts none (or the text ends too soon).
std::size_t Gb18030SequenceLength(std::string_view bytes, std::size_t i);

// Decodes one whole GB18030 sequence (as cut by Gb18030SequenceLength) to UTF-8; false when
// the bytes name no character. Nothing is replaced.
bool DecodeGb18030Sequence(std::string_view sequence, std::string& outUtf8);

// Repairs UTF-8: every byte that is not part of a valid sequence becomes U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);

// True when the bytes are valid UTF-8 (no overlongs, no surrogates, at most U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Whether the bytes start with a UTF-8, UTF-16 LE or UTF-16 BE byte-order mark.
bool HasByteOrderMark(std::string_view bytes);

// Whether GB18030 bytes read back as they stand: decoded and encoded again, they come out
// the same. True for ASCII and for nearly every two-byte character; judged by a table of
// the two-byte characters (built once from the converter), so other bytes, four-byte
// characters included, answer false even where they would read back.
bool IsStableGb18030(std::string_view bytes);

// Decodes a whole favourites file to UTF-8: a UTF-8 byte-order mark means UTF-8, a
// UTF-16 LE or BE mark means UTF-16 (the mark itself is dropped); anything else is
// GB18030. Bytes that do not decode become U+FFFD.
std::string DecodeFavouritesText(std::string_view bytes);

// UTF-8 to a sequence of code points and back (invalid bytes become U+FFFD).
std::u32string Utf8ToCodePoints(std::string_view utf8);
std::string CodePointsToUtf8(std::u32string_view codePoints);

}  // namespace lorvex
