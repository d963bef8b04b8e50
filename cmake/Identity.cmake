# Who the program is to the desktop and to package managers. The version comes from
# project(VERSION) in the top-level CMakeLists.txt; everything else that names the program
# outside its own window is set here once.

# Reverse-DNS id: the desktop entry's file name, the icon's name in the icon theme, the
# AppStream component and the window's desktop file name (so the desktop groups the window
# under the menu entry's icon). Changing it makes a different application to the desktop.
set(LORVEX_APP_ID "io.github.lorvex.lorvex")

# The class Qt gives the window on X11 (WM_CLASS): the application name, which is the
# application title "lorvex". The desktop entry's StartupWMClass must match it.
set(LORVEX_WM_CLASS "lorvex")

set(LORVEX_HOMEPAGE "https://github.com/lorvex/lorvex" CACHE STRING
    "Project home page, for the Debian packages and the AppStream metadata")
# AppStream wants the screenshot as a URL; it points at the image in this repository at the
# release's tag, so the picture matches the version that carries it.
set(LORVEX_SCREENSHOT_URL
    "https://raw.githubusercontent.com/lorvex/lorvex/v${PROJECT_VERSION}/docs/screenshot.png"
    CACHE STRING "URL of docs/screenshot.png as published, for the AppStream metadata")
set(LORVEX_MAINTAINER "Lorvex maintainers <maintainers@lorvex.invalid>" CACHE STRING
    "Maintainer of the Debian packages: name <address>")
# Date of this version's release, for the AppStream release entry (YYYY-MM-DD).
set(LORVEX_RELEASE_DATE "2026-12-07")
