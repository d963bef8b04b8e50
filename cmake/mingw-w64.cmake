# Cross build for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64). The posix
# thread variant is used because GoogleTest needs std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(LORVEX_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${LORVEX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LORVEX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${LORVEX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${LORVEX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked in statically (libgcc, libstdc++, winpthread): the programs then run
# under wine or on Windows without any MinGW DLL next to them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs are run through wine, both for GoogleTest's test discovery and by ctest.
find_program(LORVEX_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(LORVEX_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${LORVEX_WINE})
endif()
