# Fails when a folder of the sources includes a file of a folder on its own layer or above
# it, so that no folder includes one that includes it back. Lower layers first; a folder
# may include its own files and those of any lower layer:
#   core/text, core/geometry,  the codec; frame and layout arithmetic; the views' zoom
#   core/browsing,             steps and crash reloads; huge pages for large buffers; the
#   core/memory, core/media    players in pages' markup, play lists, clip addresses
#   core/portal,               addresses, the address bar's reading, page rules; the
#   core/downloads             download window's arithmetic and texts, offered names
#   core/favourites,           the favourites file; what the desktop is told plays
#   core/now_playing
#   core/written               the pages the client writes, and their store
#   ui/scripts                 the page scripts (.js resources) and their loader
#   ui/desktop                 message boxes, the system's browser and editor, the window
#                              system, the user's language, the start-up trace
#   ui/skin, ui/dialogs,       the skinned frame; the pages' script dialogs; the written
#   ui/written, ui/downloads,  pages served to the views; the downloads' question and windows;
#   ui/media                   the portal's players in the main view's pages
#   ui/mpris                   the desktop's media controls (MPRIS) for the main view's players
#   ui/web                     the browser view, its page, keys and menu, the web profile
#   ui/browsing                navigation, search, new windows, pop-up host, full screen
#   ui/favourites              collect, library, edit
#   ui/app                     the main window, start-up, the single-instance guard
set(layer_core/text 0)
set(layer_core/geometry 0)
set(layer_core/browsing 0)
set(layer_core/downloads 1)
set(layer_core/memory 0)
set(layer_core/media 0)
set(layer_core/portal 1)
set(layer_core/favourites 2)
set(layer_core/now_playing 2)
set(layer_core/written 3)
set(layer_ui/scripts 4)
set(layer_ui/desktop 5)
set(layer_ui/skin 6)
set(layer_ui/dialogs 6)
set(layer_ui/written 6)
set(layer_ui/downloads 6)
set(layer_ui/media 6)
set(layer_ui/mpris 7)
set(layer_ui/web 7)
set(layer_ui/browsing 8)
set(layer_ui/favourites 9)
set(layer_ui/app 10)

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/core/*.h ${SOURCE_DIR}/core/*.cpp
     ${SOURCE_DIR}/ui/*.h ${SOURCE_DIR}/ui/*.cpp)
set(offenders "")
foreach(file ${sources})
    get_filename_component(folder ${file} DIRECTORY)
    if(NOT DEFINED layer_${folder})
        list(APPEND offenders "${file}: its folder has no layer in CheckIncludeLayers.cmake")
        continue()
    endif()
    file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^#include \"(core|ui)/")
    foreach(line ${includes})
        string(REGEX REPLACE "^#include \"((core|ui)/[^/]+)/.*" "\\1" target "${line}")
        if(target STREQUAL folder)
            continue()
        endif()
        if(NOT DEFINED layer_${target} OR NOT layer_${target} LESS layer_${folder})
            list(APPEND offenders "${file} includes ${target}")
        endif()
    endforeach()
endforeach()
if(offenders)
    string(REPLACE ";" "\n" offenders "${offenders}")
    message(FATAL_ERROR "Includes against the folders' layers:\n${offenders}")
endif()
list(LENGTH sources count)
message(STATUS "include layers: ${count} files, every include goes down")
