// The ASCII-only case folding and blank trimming that markup, addresses and play lists are
// compared with: tag and parameter names, schemes and extensions are ASCII, and the bytes
// of other characters (GBK or UTF-8) must pass through unchanged.
#pragma once

#include <string>
#include <string_view>

namespace lorvex {

inline char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool IsAsciiBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

inline std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsAsciiBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsAsciiBlank(text.back())) text.remove_suffix(1);
    return text;
}

inline std::string AsciiLowerCopy(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AsciiLower(c);
    return out;
}

// A MIME type without its parameters, lower case ("Video/X-MS-ASF; q=1" -> "video/x-ms-asf").
inline std::string BareMimeType(std::string_view type) {
    return AsciiLowerCopy(TrimBlanks(type.substr(0, type.find(';'))));
}

}  // namespace lorvex
