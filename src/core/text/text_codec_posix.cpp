// The GB18030 converter on POSIX systems: iconv, with a table of the Basic Multilingual
// Plane for encoding.
#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <utility>

#include "core/text/text_codec.h"
#include "core/text/text_codec_internal.h"

namespace lorvex {

using namespace codec;

namespace {

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

}  // namespace

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
}  // namespace lorvex
