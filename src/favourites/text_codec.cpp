#include "favourites/text_codec.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#ifdef _WIN32
#include <windows.h>

#include <climits>
#else
#include <iconv.h>

#include <cerrno>
#endif

namespace lorvex {

namespace {

constexpr char32_t kReplacementCodePoint = 0xFFFD;

unsigned char ByteAt(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

bool InRange(unsigned char b, unsigned char low, unsigned char high) {
    return b >= low && b <= high;
}

// The end of the run of ASCII bytes that starts at `from`, looked at eight bytes at a time.
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

// ASCII reads the same in UTF-8 and GB18030, so such text needs no converter.
bool IsAscii(std::string_view s) { return AsciiRunEnd(s, 0) == s.size(); }

// Length of the well-formed UTF-8 sequence at s[i] (storing its code point), or 0 when the
// byte there does not start one.
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

namespace {

// How many bytes one U+FFFD stands for when the sequence at rest[0] does not decode: a
// whole four-byte or two-byte sequence, but never an ASCII byte (it may be a line end).
std::size_t Gb18030SkipForBad(std::string_view rest) {
    const std::size_t shape = Gb18030SequenceLength(rest, 0);
    if (shape == 4 || (shape == 2 && ByteAt(rest, 1) >= 0x80)) return shape;
    return 1;
}

#ifdef _WIN32

constexpr UINT kGb18030CodePage = 54936;

// UTF-8 (already valid) to UTF-16 for the Windows converters.
std::wstring ValidUtf8ToWide(std::string_view utf8) {
    std::wstring wide;
    wide.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = kReplacementCodePoint;
        const std::size_t len = DecodeUtf8At(utf8, i, cp);
        i += len == 0 ? 1 : len;
        if (cp >= 0x10000) {
            wide += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
            wide += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            wide += static_cast<wchar_t>(cp);
        }
    }
    return wide;
}

// Decodes well-shaped GB18030 bytes, appending UTF-8. Returns false when the code page
// rejects them (a four-byte sequence that names no character).
bool DecodeGbRun(std::string_view run, std::string& out) {
    if (run.size() > static_cast<std::size_t>(INT_MAX / 2)) return false;
    const int inLength = static_cast<int>(run.size());
    const int units = MultiByteToWideChar(kGb18030CodePage, MB_ERR_INVALID_CHARS, run.data(),
                                          inLength, nullptr, 0);
    if (units <= 0) return false;
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    if (MultiByteToWideChar(kGb18030CodePage, MB_ERR_INVALID_CHARS, run.data(), inLength,
                            wide.data(), units) != units) {
        return false;
    }
    AppendUtf16AsUtf8(out, wide.size(),
                      [&](std::size_t k) { return static_cast<char32_t>(wide[k]); });
    return true;
}

#else

// GB18030 bytes of U+FFFD, written for anything that cannot be encoded.
constexpr std::string_view kGbReplacement = "\x84\x31\xA4\x37";

// One iconv descriptor per thread and direction, opened on first use.
class IconvHandle {
  public:
    IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (Valid()) iconv_close(cd_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    iconv_t Get() const {
        if (!Valid()) throw CodecError("the GB18030 converter is not available");
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        return cd_;
    }

  private:
    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t cd_;
};

// Converts `in` in one pass. Where the converter stops on input it cannot take,
// `onBad(rest)` names the bytes to write instead and how many input bytes to skip.
template <typename OnBad>
std::string RunIconv(iconv_t cd, std::string_view in, std::size_t estimate, OnBad onBad) {
    std::string out(estimate + 16, '\0');
    std::size_t used = 0;
    auto reserve = [&](std::size_t more) {
        if (out.size() - used < more) out.resize(out.size() * 2 + more);
    };
    // iconv's input pointer is not const on glibc; it never writes through it.
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    while (inLeft > 0) {
        char* outPtr = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const std::size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        used = static_cast<std::size_t>(outPtr - out.data());
        if (result != static_cast<std::size_t>(-1)) break;
        if (error == E2BIG) {
            reserve(inLeft * 2 + 16);
            continue;
        }
        // EILSEQ or EINVAL (a sequence cut off at the end): replace and go on.
        const auto [replacement, skip] = onBad(std::string_view(inPtr, inLeft));
        reserve(replacement.size());
        out.replace(used, replacement.size(), replacement);
        used += replacement.size();
        inPtr += skip;
        inLeft -= skip;
    }
    out.resize(used);
    return out;
}

#endif

}  // namespace

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

#ifdef _WIN32

std::string Utf8ToGb18030(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    const std::wstring wide = ValidUtf8ToWide(SanitizeUtf8(utf8));
    if (wide.empty()) return {};
    if (wide.size() > static_cast<std::size_t>(INT_MAX / 4)) throw CodecError("text too long");
    const int inLength = static_cast<int>(wide.size());
    // Code page 54936 requires no default character and no flags but WC_ERR_INVALID_CHARS.
    const int size = WideCharToMultiByte(kGb18030CodePage, 0, wide.data(), inLength, nullptr, 0,
                                         nullptr, nullptr);
    if (size <= 0) throw CodecError("the GB18030 converter is not available");
    std::string out(static_cast<std::size_t>(size), '\0');
    if (WideCharToMultiByte(kGb18030CodePage, 0, wide.data(), inLength, out.data(), size, nullptr,
                            nullptr) != size) {
        throw CodecError("the GB18030 converter failed");
    }
    return out;
}

void AppendGb18030(std::string& out, std::string_view utf8) {
    if (IsAscii(utf8)) {
        out.append(utf8);
    } else {
        out += Utf8ToGb18030(utf8);
    }
}

std::string Gb18030ToUtf8(std::string_view bytes) {
    if (IsAscii(bytes)) return std::string(bytes);
    // Without the code page every character would come out as U+FFFD; fail as iconv does.
    if (!IsValidCodePage(kGb18030CodePage)) {
        throw CodecError("the GB18030 converter is not available");
    }
    std::string out;
    out.reserve(bytes.size() * 3 / 2 + 16);
    // Runs of well-shaped sequences go to the code page in one call each; a byte that
    // starts no sequence becomes U+FFFD on its own. Runs are capped to keep sizes in int.
    constexpr std::size_t kMaxRun = std::size_t{1} << 24;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t start = i;
        while (i < bytes.size() && i - start < kMaxRun) {
            const std::size_t len = Gb18030SequenceLength(bytes, i);
            if (len == 0) break;
            i += len;
        }
        const std::string_view run = bytes.substr(start, i - start);
        if (!run.empty() && !DecodeGbRun(run, out)) {
            // Some sequence in the run names no character: go one sequence at a time.
            for (std::size_t k = 0; k < run.size();) {
                const std::size_t len = Gb18030SequenceLength(run, k);
                if (len != 0 && DecodeGbRun(run.substr(k, len), out)) {
                    k += len;
                } else {
                    out += kReplacementCharacter;
                    k += Gb18030SkipForBad(run.substr(k));
                }
            }
        }
        if (i < bytes.size() && Gb18030SequenceLength(bytes, i) == 0) {
            out += kReplacementCharacter;
            ++i;
        }
    }
    return out;
}

#else

// The GB18030 bytes of every character of the Basic Multilingual Plane, asked of iconv
// once: a page of a large library holds tens of megabytes, and a lookup per character is
// several times faster than running the converter over the whole text. A character the
// converter cannot encode (glibc lacks a few private-use ones) is stored with length 0.
class BmpGb18030Table {
  public:
    BmpGb18030Table() {
        const IconvHandle handle("GB18030", "UTF-8");
        for (char32_t cp = 0x80; cp <= 0xFFFF; ++cp) {
            if (cp >= 0xD800 && cp <= 0xDFFF) continue;
            std::string in;
            AppendUtf8(in, cp);
            char* inPtr = in.data();
            std::size_t inLeft = in.size();
            Entry& entry = entries_[cp];
            char* outPtr = entry.bytes;
            std::size_t outLeft = sizeof(entry.bytes);
            iconv(handle.Get(), nullptr, nullptr, nullptr, nullptr);
            if (iconv(handle.Get(), &inPtr, &inLeft, &outPtr, &outLeft) !=
                static_cast<size_t>(-1)) {
                entry.length = static_cast<unsigned char>(sizeof(entry.bytes) - outLeft);
            }
        }
    }

    // The bytes of a character of the plane, or empty when it has none.
    std::string_view Bytes(char32_t cp) const {
        const Entry& entry = entries_[cp];
        return {entry.bytes, entry.length};
    }

  private:
    struct Entry {
        char bytes[4] = {};
        unsigned char length = 0;
    };
    std::array<Entry, 0x10000> entries_{};
};

// Characters beyond the plane map onto four bytes by arithmetic: U+10000 is 90 30 81 30,
// and each next character counts up the last byte (0x30..0x39), then the third
// (0x81..0xFE), then the second (0x30..0x39), then the first.
void AppendSupplementaryGb18030(std::string& out, char32_t cp) {
    std::uint32_t linear = cp - 0x10000;
    const char b4 = static_cast<char>(0x30 + linear % 10);
    linear /= 10;
    const char b3 = static_cast<char>(0x81 + linear % 126);
    linear /= 126;
    const char b2 = static_cast<char>(0x30 + linear % 10);
    linear /= 10;
    const char b1 = static_cast<char>(0x90 + linear);
    out += b1;
    out += b2;
    out += b3;
    out += b4;
}

void AppendGb18030(std::string& out, std::string_view utf8) {
    static const auto* const table = new BmpGb18030Table();
    for (std::size_t i = 0; i < utf8.size();) {
        // ASCII is the same in both: copy runs of it whole.
        std::size_t ascii = AsciiRunEnd(utf8, i);
        if (ascii > i) {
            out.append(utf8.substr(i, ascii - i));
            i = ascii;
            continue;
        }
        char32_t cp = 0;
        const std::size_t len = DecodeUtf8At(utf8, i, cp);
        if (len == 0) {
            out += kGbReplacement;  // a byte that is not UTF-8
            ++i;
            continue;
        }
        i += len;
        if (cp >= 0x10000) {
            AppendSupplementaryGb18030(out, cp);
            continue;
        }
        const std::string_view bytes = table->Bytes(cp);
        out += bytes.empty() ? kGbReplacement : bytes;
    }
}

std::string Utf8ToGb18030(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 8);
    AppendGb18030(out, utf8);
    return out;
}

std::string Gb18030ToUtf8(std::string_view bytes) {
    if (IsAscii(bytes)) return std::string(bytes);
    thread_local const IconvHandle handle("UTF-8", "GB18030");
    return RunIconv(handle.Get(), bytes, bytes.size() * 3 / 2, [](std::string_view rest) {
        return std::pair{kReplacementCharacter, Gb18030SkipForBad(rest)};
    });
}

#endif

bool DecodeGb18030Sequence(std::string_view sequence, std::string& outUtf8) {
    if (sequence.empty() || Gb18030SequenceLength(sequence, 0) != sequence.size()) return false;
    std::string decoded = Gb18030ToUtf8(sequence);
    // U+FFFD comes back for bytes that name no character, and for the bytes of U+FFFD itself.
    if (decoded == kReplacementCharacter && sequence != "\x84\x31\xA4\x37") return false;
    outUtf8 += decoded;
    return true;
}

std::string DecodeFavouritesText(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return SanitizeUtf8(bytes.substr(3));
    if (bytes.starts_with("\xFF\xFE")) return Utf16ToUtf8(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF")) return Utf16ToUtf8(bytes.substr(2), true);
    return Gb18030ToUtf8(bytes);
}

}  // namespace lorvex
