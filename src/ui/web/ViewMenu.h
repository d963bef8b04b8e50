// The context menu of a browser view: the engine's standard menu for what was clicked,
// trimmed to what makes sense in the client (back, forward, reload, copy, copy the link's
// address, select all, and leaving full screen while a page is in it), with one item of
// the client's own: open an http or https link in the system's browser. No inspector, page
// source, saving, downloading or new windows.
#pragma once

class QMenu;
class QWebEngineView;

namespace lorvex {

class SystemLauncher;

// The items carry these object names, for tests and for anyone reading the menu.
inline constexpr char kMenuBack[] = "back";
inline constexpr char kMenuForward[] = "forward";
inline constexpr char kMenuReload[] = "reload";
inline constexpr char kMenuCopy[] = "copy";
inline constexpr char kMenuCopyLink[] = "copyLinkAddress";
inline constexpr char kMenuOpenLinkOutside[] = "openLinkOutside";
inline constexpr char kMenuSelectAll[] = "selectAll";
inline constexpr char kMenuExitFullScreen[] = "exitFullScreen";

// The menu for the engine's latest context-menu request of `view`, to be shown at once; it
// deletes itself when closed. nullptr when no item is left. Without a launcher the link is
// not offered to the system's browser.
QMenu* MakeViewMenu(QWebEngineView* view, SystemLauncher* launcher);

}  // namespace lorvex
