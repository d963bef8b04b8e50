// The client's one web profile, kept on disk: the main view, the side column and the pop-up
// browser all use it, so the portal's login cookie and its cache outlive the program.
//
// - Storage and cache: QtWebEngine/<kWebProfileName> under the user's data folder
//   (QStandardPaths::AppDataLocation) and cache folder (CacheLocation).
// - Cookies: those with an expiry are kept on disk; session cookies end with the program.
// - The client's two schemes are answered by handlers installed on it: "lorvex-dialog"
//   (dialog questions) here, "lorvex" (written pages) by the store that keeps them, once a
//   view it serves has a page. Their replies never reach the disk: the engine keeps only
//   network replies in its HTTP cache, and a scheme handler's reply goes straight to the
//   page.
// - Requests ask for the user's language (Accept-Language).
//
// Only one running copy may use the storage: the single-instance guard ends a second copy
// before any page, and so before the profile, exists.
#pragma once

class QWebEngineProfile;

namespace lorvex {

inline constexpr char kWebProfileName[] = "portal";

// The profile of every browser view, made on first use.
QWebEngineProfile* WebProfile();

// Ends the profile. Every page must be gone by then: the engine warns about pages that
// outlive their profile. Without this call the profile ends with the application.
void EndWebProfile();

// Ends the profile when it goes out of scope: main declares it before the main window, so
// the window and its pages go first, the profile next, the application last.
class WebProfileScope {
  public:
    WebProfileScope() = default;
    ~WebProfileScope() { EndWebProfile(); }
    WebProfileScope(const WebProfileScope&) = delete;
    WebProfileScope& operator=(const WebProfileScope&) = delete;
};

}  // namespace lorvex
