#include "core/downloads/save_name.h"

#include <algorithm>
#include <array>
#include <utility>

#include "core/text/text_codec.h"

namespace lorvex {

namespace {

// Format characters (Unicode category Cf), as ranges.
constexpr std::array<std::pair<char32_t, char32_t>, 21> kFormatCharacters = {{
    {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},
    {0x070F, 0x070F},   {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},
    {0x200B, 0x200F},   {0x202A, 0x202E},   {0x2060, 0x2064},   {0x2066, 0x206F},
    {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD}, {0x110CD, 0x110CD},
    {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
    {0xE0020, 0xE007F},
}};

// An extension longer than this (with its dot) is taken for part of the name.
constexpr std::size_t kMaxExtensionBytes = 50;
// The longest extension taken from a MIME type.
constexpr std::size_t kMaxTypeExtensionBytes = 32;

bool IsFormatCharacter(char32_t c) {
    return std::any_of(kFormatCharacters.begin(), kFormatCharacters.end(),
                       [c](const auto& range) { return c >= range.first && c <= range.second; });
}

// Space separators (Unicode Zs).
bool IsSpace(char32_t c) {
    return c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

bool IsWindowsReserved(char32_t c) {
    return c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*';
}

bool IsTrimmed(char32_t c) { return c == '.' || IsSpace(c); }

void TrimEnds(std::u32string& name) {
    const auto first = std::find_if_not(name.begin(), name.end(), IsTrimmed);
    name.erase(name.begin(), first);
    while (!name.empty() && IsTrimmed(name.back())) name.pop_back();
}

// Drops what may not stand in a name and replaces what Windows refuses.
std::u32string Filter(std::u32string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (const char32_t c : text) {
        if (IsWindowsReserved(c)) {
            out += U'_';
        } else if (IsAllowedInSaveName(c)) {
            out += c;
        }
    }
    return out;
}

char32_t AsciiUpper(char32_t c) { return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c; }

// CON, PRN, AUX, NUL, COM1-9, LPT1-9 before the first dot (trailing spaces aside), in any case.
bool IsReservedDeviceName(std::u32string_view name) {
    std::u32string stem(name.substr(0, std::min(name.find(U'.'), name.size())));
    while (!stem.empty() && stem.back() == U' ') stem.pop_back();
    std::transform(stem.begin(), stem.end(), stem.begin(), AsciiUpper);
    if (stem == U"CON" || stem == U"PRN" || stem == U"AUX" || stem == U"NUL") return true;
    return stem.size() == 4 && (stem.starts_with(U"COM") || stem.starts_with(U"LPT")) &&
           stem[3] >= U'1' && stem[3] <= U'9';
}

std::size_t EncodedSize(char32_t c, FileNameEncoding encoding) {
    if (encoding == FileNameEncoding::Utf16) return c >= 0x10000 ? 4 : 2;
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

std::size_t EncodedSize(std::u32string_view text, FileNameEncoding encoding) {
    std::size_t size = 0;
    for (const char32_t c : text) size += EncodedSize(c, encoding);
    return size;
}

// The longest beginning of `text` that fits in `bytes`.
std::u32string_view FittingStart(std::u32string_view text, std::size_t bytes,
                                 FileNameEncoding encoding) {
    std::size_t size = 0;
    std::size_t count = 0;
    for (const char32_t c : text) {
        size += EncodedSize(c, encoding);
        if (size > bytes) break;
        ++count;
    }
    return text.substr(0, count);
}

std::u32string CleanTypeExtension(std::string_view typeExtension, FileNameEncoding encoding) {
    std::u32string extension = Filter(Utf8ToCodePoints(typeExtension));
    TrimEnds(extension);
    if (extension.empty() || EncodedSize(extension, encoding) > kMaxTypeExtensionBytes) return {};
    return extension;
}

}  // namespace

bool IsAllowedInSaveName(char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return false;  // Cc
    if (c == 0x2028 || c == 0x2029) return false;            // Zl, Zp
    if (c == '/' || c == '\\' || IsWindowsReserved(c)) return false;
    return !IsFormatCharacter(c);
}

std::string CleanSaveName(std::string_view suggested, std::string_view typeExtension,
                          FileNameEncoding encoding) {
    const std::u32string codePoints = Utf8ToCodePoints(suggested);
    std::u32string_view whole = codePoints;
    const std::size_t separator = whole.find_last_of(U"/\\");
    if (separator != std::u32string_view::npos) whole.remove_prefix(separator + 1);

    std::u32string name = Filter(whole);
    TrimEnds(name);
    if (name.empty()) {
        name = Utf8ToCodePoints(kFallbackSaveName);
        const std::u32string extension = CleanTypeExtension(typeExtension, encoding);
        if (!extension.empty()) name += U'.' + extension;
        return CodePointsToUtf8(name);
    }
    if (IsReservedDeviceName(name)) name.insert(name.begin(), U'_');

    if (EncodedSize(name, encoding) > kMaxSaveNameBytes) {
        std::u32string_view extension;
        if (const std::size_t dot = name.rfind(U'.'); dot != std::u32string::npos) {
            extension = std::u32string_view(name).substr(dot);
            if (EncodedSize(extension, encoding) > kMaxExtensionBytes) extension = {};
        }
        const std::u32string_view stem =
            std::u32string_view(name).substr(0, name.size() - extension.size());
        std::u32string cut(
            FittingStart(stem, kMaxSaveNameBytes - EncodedSize(extension, encoding), encoding));
        cut += extension;
        TrimEnds(cut);
        name = std::move(cut);
    }
    return CodePointsToUtf8(name);
}

}  // namespace lorvex
