# Install rules of the client and the demo portal, and their two Debian packages.
#
#   cmake --install <build> --prefix <prefix>   the whole layout (both components)
#   cd <build> && cpack -G DEB                   lorvex_<v>-1_<arch>.deb and
#                                                lorvex-demo-portal_<v>-1_<arch>.deb
#
# Component "client": bin/lorvex, its desktop entry, icons and AppStream metadata.
# Component "portal": bin/lorvex-demo-portal and its systemd user unit (off by default).
# docs/packaging.md describes the layout and the choices behind it.
include(GNUInstallDirs)

set(LORVEX_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(LORVEX_PACKAGING_OUT ${PROJECT_BINARY_DIR}/packaging)
# The program icon at every size, drawn by tools/make-pictures.py; the window uses the same.
set(LORVEX_ICON_DIR ${PROJECT_SOURCE_DIR}/src/ui/resources)
set(LORVEX_ICON_SIZES 16 32 48 64 128 256)

# --- client ---------------------------------------------------------------------------------

# AppStream wants the screenshot's size: read from the PNG's header (width, height at 16).
set(screenshot ${PROJECT_SOURCE_DIR}/docs/screenshot.png)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${screenshot})
file(READ ${screenshot} screenshot_header OFFSET 16 LIMIT 8 HEX)
string(SUBSTRING "${screenshot_header}" 0 8 screenshot_width)
string(SUBSTRING "${screenshot_header}" 8 8 screenshot_height)
math(EXPR LORVEX_SCREENSHOT_WIDTH "0x${screenshot_width}")
math(EXPR LORVEX_SCREENSHOT_HEIGHT "0x${screenshot_height}")

configure_file(${LORVEX_PACKAGING_DIR}/lorvex.desktop.in
               ${LORVEX_PACKAGING_OUT}/${LORVEX_APP_ID}.desktop @ONLY)
configure_file(${LORVEX_PACKAGING_DIR}/lorvex.metainfo.xml.in
               ${LORVEX_PACKAGING_OUT}/${LORVEX_APP_ID}.metainfo.xml @ONLY)

install(TARGETS lorvex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT client)
install(FILES ${LORVEX_PACKAGING_OUT}/${LORVEX_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT client)
install(FILES ${LORVEX_PACKAGING_OUT}/${LORVEX_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT client)
foreach(size ${LORVEX_ICON_SIZES})
    install(FILES ${LORVEX_ICON_DIR}/icon${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${LORVEX_APP_ID}.png COMPONENT client)
endforeach()

# --- demo portal ----------------------------------------------------------------------------

install(TARGETS lorvex-demo-portal RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT portal)
# The songs' clips made at build time (tools/demo-portal); the portal looks for them in
# ../share/lorvex-demo-portal/media from its program.
install(FILES ${LORVEX_DEMO_MEDIA_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/lorvex-demo-portal/media
        COMPONENT portal)
# The unit serves the port of the origin the client is built for (the scheme's own port when
# the origin names none).
if(LORVEX_PORTAL_ORIGIN MATCHES ":([0-9]+)/?$")
    set(LORVEX_DEMO_PORTAL_PORT ${CMAKE_MATCH_1})
elseif(LORVEX_PORTAL_ORIGIN MATCHES "^[Hh][Tt][Tt][Pp][Ss]:")
    set(LORVEX_DEMO_PORTAL_PORT 443)
else()
    set(LORVEX_DEMO_PORTAL_PORT 80)
endif()
# The unit names the program by its full path, which is known only at install time (cpack
# and `cmake --install --prefix` choose the prefix then): written from the template there.
set(LORVEX_UNIT_OUT ${LORVEX_PACKAGING_OUT}/install/lorvex-demo-portal.service)
install(CODE "
    set(LORVEX_PORTAL_BINARY \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/lorvex-demo-portal\")
    set(LORVEX_DEMO_PORTAL_PORT ${LORVEX_DEMO_PORTAL_PORT})
    configure_file(\"${LORVEX_PACKAGING_DIR}/lorvex-demo-portal.service.in\"
                   \"${LORVEX_UNIT_OUT}\" @ONLY)
" COMPONENT portal)
# User units of a package live in <prefix>/lib/systemd/user (not the multiarch libdir).
install(FILES ${LORVEX_UNIT_OUT} DESTINATION lib/systemd/user COMPONENT portal)

# --- Debian packages ------------------------------------------------------------------------

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lorvex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Lorvex maintainers")
set(CPACK_PACKAGE_CONTACT "${LORVEX_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${LORVEX_HOMEPAGE}")
# The Debian generator installs each component with this prefix and the staging folder as
# DESTDIR, so the unit written at install time names /usr/bin/lorvex-demo-portal.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL client portal)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LORVEX_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${LORVEX_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Shared-library dependencies from the binaries (dpkg-shlibdeps, package dpkg-dev); the
# packages' own Depends below are added to them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_CLIENT_PACKAGE_NAME lorvex)
set(CPACK_DEBIAN_CLIENT_PACKAGE_SECTION video)
# Chinese text needs a CJK font; Qt's and the web engine's Chinese texts come from the
# translations package. The portal's players play through Qt Multimedia's GStreamer
# backend (a plugin, so dpkg-shlibdeps does not see it) and GStreamer's decoders of
# Windows Media and RealMedia.
set(CPACK_DEBIAN_CLIENT_PACKAGE_DEPENDS
    "fonts-wqy-zenhei, qt6-translations-l10n, libqt6multimedia6, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-ugly, gstreamer1.0-libav")
set(CPACK_DEBIAN_CLIENT_PACKAGE_SUGGESTS lorvex-demo-portal)
# Each package's synopsis is the first line of its component's description.
set(CPACK_COMPONENT_CLIENT_DESCRIPTION
    "desktop client for a Chinese music-video portal
Lorvex shows the portal's music videos in one skinned window: a large view
where songs play and a side column with the categories, the search results
and the library of collected songs. Collected songs are kept in a small text
file (lorvex.ini) in the documents folder.")

set(CPACK_DEBIAN_PORTAL_PACKAGE_NAME lorvex-demo-portal)
set(CPACK_DEBIAN_PORTAL_PACKAGE_SECTION net)
set(CPACK_COMPONENT_PORTAL_DESCRIPTION
    "local demo of the music-video portal for Lorvex
Serves demo portal pages in GB2312 on 127.0.0.1:${LORVEX_DEMO_PORTAL_PORT}, so that the Lorvex
client can be tried and tested on one machine. A systemd user unit, off by
default, starts it at login once a user turns it on:
  systemctl --user enable --now lorvex-demo-portal.service
Nothing listens until then.")

include(CPack)
