# Cross-compiles the Windows console program with Debian's MinGW-w64. VORN_MINGW_ARCH picks
# the target: i686 (the default, the 32-bit program shipped) or x86_64 (for 64-bit Wine).
set(VORN_MINGW_ARCH i686 CACHE STRING "MinGW-w64 target: i686 or x86_64")
set(triple ${VORN_MINGW_ARCH}-w64-mingw32)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VORN_MINGW_ARCH})
set(CMAKE_C_COMPILER ${triple}-gcc)
set(CMAKE_CXX_COMPILER ${triple}-g++)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
