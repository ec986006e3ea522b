# The plug-in as a user installs it: a zip holding fintop.dll (libfintop.so on Linux), the
# recording proxy fintop-trace.dll and a short text on installing them, on Windows with
# fintop-doctor.exe, which checks the plug-in in the framework's folder. `cpack` in a build
# folder makes it.
install(TARGETS fintop RUNTIME DESTINATION . LIBRARY DESTINATION .)
# The recording proxy (tools/trace), which a user puts in fintop's place to record a session.
if(TARGET fintop-trace)
  install(TARGETS fintop-trace RUNTIME DESTINATION . LIBRARY DESTINATION .)
endif()
# ELF: each is built with the RUNPATH it is installed with ($ORIGIN, and a sanitizer's runtime
# folder where the build has one). Left to CMake, a module it will install gets a build RUNPATH
# padded for the change at install, "$ORIGIN:", whose empty folder the loader reads as the
# working folder.
if(NOT WIN32)
  foreach(module fintop fintop-trace)
    if(TARGET ${module})
      set_target_properties(${module} PROPERTIES BUILD_WITH_INSTALL_RPATH ON
                                                 INSTALL_RPATH "${CMAKE_BUILD_RPATH}")
    endif()
  endforeach()
endif()
if(WIN32 AND TARGET fintop-doctor)
  install(TARGETS fintop-doctor RUNTIME DESTINATION .)
endif()
# With CRLF line ends, so that every Windows editor shows its lines; made again whenever the
# text changes.
set(_install_text ${PROJECT_SOURCE_DIR}/packaging/INSTALL.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_install_text})
file(READ ${_install_text} _text)
string(REPLACE "\r\n" "\n" _text "${_text}")
string(REPLACE "\n" "\r\n" _text "${_text}")
file(WRITE ${CMAKE_BINARY_DIR}/packaging/INSTALL.txt "${_text}")
install(FILES ${CMAKE_BINARY_DIR}/packaging/INSTALL.txt DESTINATION .)
if(FINTOP_RUNTIME_DLLS)
  install(FILES ${FINTOP_RUNTIME_DLLS} DESTINATION .)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME fintop)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(CPACK_SYSTEM_NAME win32)
elseif(WIN32)
  set(CPACK_SYSTEM_NAME win64)
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
