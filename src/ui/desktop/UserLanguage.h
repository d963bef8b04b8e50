// The user's language. The client's users read Simplified Chinese and every text of the
// client's own is Chinese, so Qt's built-in texts (the buttons of message and file dialogs)
// and the web engine's (its context menu, its error pages) are Chinese too.
#pragma once

#include <QStringList>

namespace lorvex {

// The language web pages are asked for (Accept-Language).
inline constexpr char kUserLanguage[] = "zh-CN";

// Loads Qt's and Qt WebEngine's Simplified Chinese translations (from Qt's translations
// folder) and makes Chinese (China) the default locale, which the web engine takes for its
// own texts when it starts. Call once, after the application exists and before the first
// browser view. Returns the translation files that could not be loaded; the texts they
// hold stay English.
QStringList UseUserLanguage();

}  // namespace lorvex
