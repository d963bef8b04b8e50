#include "core/portal/page_rules.h"

#include <cstdio>

namespace lorvex {

bool NavigationAllowed(const NavigationRequest& request, std::string_view ownScheme) {
    if (request.scheme == "http" || request.scheme == "https") return true;
    if (request.scheme == "about") {
        return request.path == "blank" || (request.path == "srcdoc" && !request.mainFrame);
    }
    if (request.scheme == ownScheme) {
        // The view's history holds only what the client put there: a page's own back or
        // forward may reach a written page, as the client's buttons do.
        if (request.kind == NavigationKind::BackForward) return request.mainFrame;
        return request.mainFrame && request.byClient &&
               (request.kind == NavigationKind::Typed || request.kind == NavigationKind::Reload);
    }
    return false;
}

bool DialogThrottle::Show(TimePoint now) {
    if (silenced_) return false;
    const bool inBurst = shownInBurst_ > 0 && now - lastAnswer_ <= kBurstGap;
    if (!inBurst) {
        shownInBurst_ = 1;
        return true;
    }
    if (shownInBurst_ >= kShownPerBurst) {
        silenced_ = true;
        return false;
    }
    ++shownInBurst_;
    return true;
}

void DialogThrottle::Answered(TimePoint now) { lastAnswer_ = now; }

std::string EscapeControlCharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    char escape[8];
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7f) {
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            out += escape;
        } else if (byte == 0xc2 && at + 1 < text.size() &&
                   static_cast<unsigned char>(text[at + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[at + 1]) <= 0x9f) {
            // U+0080..U+009F, the C1 controls, are C2 80..C2 9F in UTF-8.
            std::snprintf(escape, sizeof escape, "\\u%04x",
                          static_cast<unsigned char>(text[at + 1]));
            out += escape;
            ++at;
        } else {
            out += text[at];
        }
    }
    return out;
}

}  // namespace lorvex
