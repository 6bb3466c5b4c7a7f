# Cross-compiling for 64-bit Windows with Debian's mingw-w64. The posix
# thread variant of the compilers is the one whose C++ library has std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MOVIEHOST_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MOVIEHOST_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MOVIEHOST_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MOVIEHOST_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MOVIEHOST_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests of this tree run under Wine (64-bit only; this machine runs no 32-bit code).
find_program(MOVIEHOST_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(MOVIEHOST_WINE64 NAMES wine64 wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${MOVIEHOST_WINE64})
