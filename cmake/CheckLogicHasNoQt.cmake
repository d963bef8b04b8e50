# Fails when a source of the logic library includes a Qt header. The logic library's
# files are the ones without an upper-case first letter (the Qt classes of the UI layer
# are named in mixed case: frmMain.cpp, BrowserView.cpp, ...).
file(GLOB_RECURSE sources ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.h.in)
set(offenders "")
foreach(file ${sources})
    get_filename_component(name ${file} NAME)
    if(name MATCHES "^[a-z]" AND NOT name MATCHES "^frm" AND NOT name STREQUAL "main.cpp")
        file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q|qt)")
        if(includes)
            list(APPEND offenders "${file}: ${includes}")
        endif()
    endif()
endforeach()
if(offenders)
    message(FATAL_ERROR "Qt includes in the logic library:\n${offenders}")
endif()
message(STATUS "logic library: no Qt include")
