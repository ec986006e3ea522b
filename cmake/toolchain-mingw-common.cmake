# What both MinGW-w64 toolchains share; FINTOP_MINGW_TRIPLE names the target.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${FINTOP_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FINTOP_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${FINTOP_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${FINTOP_MINGW_TRIPLE}-objdump CACHE FILEPATH "objdump for the target")

# Libraries and headers come from the cross sysroot only, never from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${FINTOP_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's runtime (libgcc, libstdc++, winpthread) is linked into every module, so the
# host's process needs no DLL beyond the ones this project builds and Windows' own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")

# Test programs run under Wine, which starts the loader of the program's width (the 32-bit one
# comes with Debian's wine32 of the i386 architecture).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
