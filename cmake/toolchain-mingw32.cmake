# Cross build for 32-bit Windows with Debian's MinGW-w64 (posix thread model).
set(FINTOP_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(FINTOP_MINGW_SHARED_UNWINDER ON)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
