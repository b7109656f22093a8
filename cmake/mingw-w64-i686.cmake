# Cross-compiling for 32-bit Windows with Debian's MinGW-w64 (posix thread model).
# 32-bit Windows programs cannot run under this machine's Wine: no emulator is set.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZENTRIM_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
