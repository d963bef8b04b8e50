#include "core/media/clip_address.h"

#include <array>

#include "core/media/ascii_text.h"

namespace lorvex {

namespace {

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (AsciiLower(c) >= 'a' && AsciiLower(c) <= 'f'); }

// The five parts of a reference (RFC 3986, appendix B); a part that is absent differs from
// one that is present and empty.
struct Parts {
    std::optional<std::string> scheme;
    std::optional<std::string> authority;
    std::string path;
    std::optional<std::string> query;
    std::optional<std::string> fragment;
};

// The scheme before the first ":", when that text is a scheme at all (a letter, then
// letters, digits, "+", "-" and "."), so that "a b:c" is a relative path.
std::optional<std::size_t> SchemeEnd(std::string_view text) {
    const std::size_t end = text.find_first_of(":/?#");
    if (end == std::string_view::npos || end == 0 || text[end] != ':') return std::nullopt;
    if (!IsAlpha(text[0])) return std::nullopt;
    for (std::size_t i = 1; i < end; ++i) {
        const char c = text[i];
        if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') return std::nullopt;
    }
    return end;
}

Parts Split(std::string_view text) {
    Parts parts;
    if (const auto end = SchemeEnd(text)) {
        parts.scheme = AsciiLowerCopy(text.substr(0, *end));
        text.remove_prefix(*end + 1);
    }
    if (const std::size_t hash = text.find('#'); hash != std::string_view::npos) {
        parts.fragment = std::string(text.substr(hash + 1));
        text = text.substr(0, hash);
    }
    if (const std::size_t question = text.find('?'); question != std::string_view::npos) {
        parts.query = std::string(text.substr(question + 1));
        text = text.substr(0, question);
    }
    if (text.starts_with("//")) {
        const std::size_t slash = text.find('/', 2);
        parts.authority = std::string(
            text.substr(2, slash == std::string_view::npos ? std::string_view::npos : slash - 2));
        text = slash == std::string_view::npos ? std::string_view{} : text.substr(slash);
    }
    parts.path = std::string(text);
    return parts;
}

// RFC 3986, 5.2.4.
std::string RemoveDotSegments(std::string_view input) {
    std::string output;
    while (!input.empty()) {
        if (input.starts_with("../")) {
            input.remove_prefix(3);
        } else if (input.starts_with("./") || input.starts_with("/./")) {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.starts_with("/../") || input == "/..") {
            input = input.size() == 3 ? std::string_view("/") : input.substr(3);
            const std::size_t last = output.rfind('/');
            output.erase(last == std::string::npos ? 0 : last);
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            const std::size_t next = input.find('/', 1);
            const std::size_t length = next == std::string_view::npos ? input.size() : next;
            output.append(input.substr(0, length));
            input.remove_prefix(length);
        }
    }
    return output;
}

// RFC 3986, 5.2.3.
std::string Merge(const Parts& base, std::string_view path) {
    std::string merged;
    if (base.authority && base.path.empty()) {
        merged = "/";
    } else if (const std::size_t slash = base.path.rfind('/'); slash != std::string::npos) {
        merged.assign(base.path, 0, slash + 1);
    }
    merged.append(path);
    return merged;
}

// Scheme and host in lower case; user information and port as they are.
std::string NormaliseAuthority(std::string_view authority) {
    const std::size_t at = authority.rfind('@');
    const std::size_t hostStart = at == std::string_view::npos ? 0 : at + 1;
    std::size_t hostEnd = authority.size();
    if (const std::size_t colon = authority.rfind(':');
        colon != std::string_view::npos && colon >= hostStart &&
        authority.find(']', colon) == std::string_view::npos) {
        hostEnd = colon;
    }
    std::string out(authority);
    for (std::size_t i = hostStart; i < hostEnd; ++i) {
        if (out[i] == '%' && i + 2 < hostEnd && IsHex(out[i + 1]) && IsHex(out[i + 2])) {
            i += 2;  // an escape's hex digits stay as written
        } else {
            out[i] = AsciiLower(out[i]);
        }
    }
    return out;
}

bool IsWebScheme(const std::optional<std::string>& scheme) {
    return scheme && (*scheme == "http" || *scheme == "https");
}

// Characters that a URI never holds as they are.
bool NeedsEscape(unsigned char c) {
    if (c <= 0x20 || c >= 0x7F) return true;
    constexpr std::string_view kUnsafe = "\"<>\\^`{|}";
    return kUnsafe.find(static_cast<char>(c)) != std::string_view::npos;
}

void AppendEscaped(std::string& out, std::string_view text) {
    constexpr std::array<char, 16> kHex{'0', '1', '2', '3', '4', '5', '6', '7',
                                        '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool strayPercent =
            c == '%' && (i + 2 >= text.size() || !IsHex(text[i + 1]) || !IsHex(text[i + 2]));
        if (NeedsEscape(c) || strayPercent) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += static_cast<char>(c);
        }
    }
}

// The reference as browsers take it from an attribute or a line: outer blanks and control
// characters dropped, tabs and line breaks removed, "\" read as "/" before the query.
std::string Clean(std::string_view reference) {
    while (!reference.empty() && static_cast<unsigned char>(reference.front()) <= 0x20) {
        reference.remove_prefix(1);
    }
    while (!reference.empty() && static_cast<unsigned char>(reference.back()) <= 0x20) {
        reference.remove_suffix(1);
    }
    std::string out;
    out.reserve(reference.size());
    bool beforeQuery = true;
    for (const char c : reference) {
        if (c == '\t' || c == '\n' || c == '\r') continue;
        if (c == '?' || c == '#') beforeQuery = false;
        out += c == '\\' && beforeQuery ? '/' : c;
    }
    return out;
}

std::string Recompose(const Parts& target) {
    std::string out;
    if (target.scheme) out += *target.scheme + ':';
    if (target.authority) {
        out += "//";
        AppendEscaped(out, NormaliseAuthority(*target.authority));
    } else if (target.path.starts_with("//")) {
        out += "/.";  // else the path would read as a host
    }
    AppendEscaped(out, target.path);
    if (target.query) {
        out += '?';
        AppendEscaped(out, *target.query);
    }
    if (target.fragment) {
        out += '#';
        AppendEscaped(out, *target.fragment);
    }
    return out;
}

}  // namespace

std::optional<std::string> ResolveReference(std::string_view base, std::string_view reference) {
    Parts r = Split(Clean(reference));
    const Parts b = Split(Clean(base));
    // "http:clip.wmv" on an http page is relative, as browsers read it.
    if (r.scheme && !r.authority && IsWebScheme(r.scheme) && r.scheme == b.scheme) {
        r.scheme.reset();
    }
    Parts t;
    if (r.scheme) {
        t = r;
        t.path = RemoveDotSegments(r.path);
    } else {
        if (!b.scheme) return std::nullopt;
        t.scheme = b.scheme;
        t.fragment = r.fragment;
        if (r.authority) {
            t.authority = r.authority;
            t.path = RemoveDotSegments(r.path);
            t.query = r.query;
        } else {
            t.authority = b.authority;
            if (r.path.empty()) {
                t.path = RemoveDotSegments(b.path);
                t.query = r.query ? r.query : b.query;
            } else {
                t.path = RemoveDotSegments(r.path.front() == '/' ? r.path : Merge(b, r.path));
                t.query = r.query;
            }
        }
    }
    // A server's address always has a path, "/" at least.
    if (t.authority && t.path.empty() && IsClipScheme(*t.scheme)) t.path.push_back('/');
    return Recompose(t);
}

std::string AddressScheme(std::string_view address) {
    const auto end = SchemeEnd(address);
    return end ? AsciiLowerCopy(address.substr(0, *end)) : std::string();
}

bool IsClipScheme(std::string_view scheme) {
    return scheme == "http" || scheme == "https" || scheme == "rtsp" || scheme == "mms" ||
           scheme == "pnm";
}

std::optional<std::string> ResolveClipAddress(std::string_view base, std::string_view reference) {
    if (Clean(reference).empty()) return std::nullopt;
    std::optional<std::string> target = ResolveReference(base, reference);
    if (!target) return std::nullopt;
    const Parts parts = Split(*target);
    if (!parts.scheme || !IsClipScheme(*parts.scheme)) return std::nullopt;
    // A server to ask: "http:///clip.wmv" names none.
    const std::string_view authority = parts.authority ? *parts.authority : std::string_view{};
    const std::size_t at = authority.rfind('@');
    const std::string_view host =
        at == std::string_view::npos ? authority : authority.substr(at + 1);
    if (host.empty() || host.front() == ':') return std::nullopt;
    return target;
}

std::string AddressExtension(std::string_view address) {
    const std::string path = Split(address).path;
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string::npos
                                      ? std::string_view(path)
                                      : std::string_view(path).substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == name.size()) return {};
    return AsciiLowerCopy(name.substr(dot));
}

}  // namespace lorvex
