// What a portal page may make the client do: where its navigations may go, how many of its
// script dialogs reach the user, and how its console output is made safe for a terminal.
// The portal is reached over plain HTTP, so these rules assume any page may be hostile.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace lorvex {

// How a navigation was started, as the browser view reports it.
enum class NavigationKind { Link, Typed, FormSubmitted, BackForward, Reload, Redirect, Other };

struct NavigationRequest {
    std::string_view scheme;  // lower case, without the colon
    std::string_view path;    // for "about:" addresses: "blank", "srcdoc", ...
    NavigationKind kind = NavigationKind::Other;
    bool mainFrame = true;
    // The client itself started this navigation of the view (a load, back or forward).
    bool byClient = false;
};

// Whether a view follows a navigation. Web addresses go anywhere; "about:blank" too, and
// "about:srcdoc" in frames (a frame showing markup of its own page). The client's own
// scheme `ownScheme` only in the top document: when the client loads or reloads it, or
// through the view's history, whoever moves there (the client's buttons or the page's own
// history.back()). Everything else (file:, data:, blob:, outside programs' schemes
// ...) is refused.
bool NavigationAllowed(const NavigationRequest& request, std::string_view ownScheme);

// Counts a page's script dialogs. A page that asks again within kBurstGap of the user's
// answer to its previous dialog continues a burst; after kShownPerBurst dialogs of one burst,
// the page is silenced: its further dialogs are answered without being shown until a new
// document replaces it (Reset). The gap runs from the answer, so a user who takes long to
// read is not counted against the page.
class DialogThrottle {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    static constexpr int kShownPerBurst = 3;
    static constexpr std::chrono::milliseconds kBurstGap{5000};

    // The page asks for a dialog at `now`: true to show it, false to answer it silently.
    bool Show(TimePoint now);
    // The user answered the shown dialog at `now`.
    void Answered(TimePoint now);
    // A new document replaced the page: it starts afresh.
    void Reset() { *this = DialogThrottle(); }
    bool Silenced() const { return silenced_; }

  private:
    int shownInBurst_ = 0;
    TimePoint lastAnswer_{};
    bool silenced_ = false;
};

// A page's console text (UTF-8) made safe to print: control characters (C0, DEL, C1), which
// a terminal would take as escape sequences or line breaks, become visible escapes ("\n",
// "\x1b", "\u009b"); everything else stays as it is.
std::string EscapeControlCharacters(std::string_view text);

}  // namespace lorvex
