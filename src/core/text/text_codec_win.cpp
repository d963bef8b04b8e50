// The GB18030 converter on Windows: code page 54936.
#include <windows.h>

#include <climits>

#include "core/text/text_codec.h"
#include "core/text/text_codec_internal.h"

namespace lorvex {

using namespace codec;

namespace {

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

}  // namespace

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

}  // namespace lorvex
