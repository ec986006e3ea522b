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

# The compiler's runtime is linked into every module, so the host's process needs no DLL beyond
# the ones this project builds and Windows' own. One exception, on 32 bits: there exceptions
# unwind with DWARF tables, and an unwinder linked into a module knows only that module's
# frames, so an exception thrown in one module (an allocation failure in a host call) could
# not unwind into another (the plug-in, which turns it into a failure result). The 32-bit
# modules therefore share the compiler's unwinder, libgcc_s_dw2-1.dll (which needs
# libwinpthread-1.dll); both are shipped next to fintop.dll (FintopWindows.cmake).
if(FINTOP_MINGW_SHARED_UNWINDER)
  set(_fintop_runtime "-shared-libgcc -static-libstdc++")
else()
  set(_fintop_runtime "-static-libgcc -static-libstdc++ -static")
endif()
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_fintop_runtime}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_fintop_runtime}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_fintop_runtime}")

# Test programs run under Wine, which starts the loader of the program's width (the 32-bit one
# comes with Debian's wine32 of the i386 architecture).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
