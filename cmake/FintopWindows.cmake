# The Windows build (MinGW-w64): module file names as the host knows them, the stand-in
# modules' exports, the plug-in's version resource, and the third-party packages for the
# cross build. Included from the top-level CMakeLists.txt before the subdirectories; the
# target settings are applied once every target exists.
enable_language(RC)

# The modules' file names: "FIIterator.dll", "QELUtils.dll", "QELCOM.DLL", "fintop.dll"; the
# host modules name themselves exactly ("norvaneeng.dll", "finadapt.dll").
set(CMAKE_SHARED_LIBRARY_PREFIX "")

# The shared unwinder of the 32-bit build (see toolchain-mingw-common.cmake): the compiler's
# libgcc_s_dw2-1.dll and the libwinpthread-1.dll it needs, next to the modules and in the zip.
if(FINTOP_MINGW_SHARED_UNWINDER)
  set(FINTOP_RUNTIME_DLLS)
  foreach(_dll libgcc_s_dw2-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${_dll}
                    OUTPUT_VARIABLE _path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${_path}" OR NOT EXISTS "${_path}")
      find_file(_path_found ${_dll} PATHS /usr/${FINTOP_MINGW_TRIPLE}/lib NO_DEFAULT_PATH
                NO_CMAKE_FIND_ROOT_PATH)
      set(_path ${_path_found})
      unset(_path_found CACHE)
    endif()
    if(NOT EXISTS "${_path}")
      message(FATAL_ERROR "${_dll} of the cross compiler not found")
    endif()
    file(COPY ${_path} DESTINATION ${CMAKE_BINARY_DIR}/bin)
    list(APPEND FINTOP_RUNTIME_DLLS ${_path})
  endforeach()
endif()

# A header-only package of the build machine, made usable by the cross compiler: its headers
# are seen through a folder of their own (never the build machine's /usr/include as a whole)
# and `target` is an interface target on them.
function(fintop_cross_header_package package target header_dir version_file)
  set(include_dir ${CMAKE_BINARY_DIR}/cross/include/${package})
  set(package_dir ${CMAKE_BINARY_DIR}/cross/${package})
  if(NOT EXISTS /usr/include/${header_dir} OR NOT EXISTS ${version_file})
    message(FATAL_ERROR "${package} (its -dev package) is not installed")
  endif()
  file(MAKE_DIRECTORY ${include_dir})
  file(CREATE_LINK /usr/include/${header_dir} ${include_dir}/${header_dir} SYMBOLIC)
  file(WRITE ${package_dir}/${package}Config.cmake
    "if(NOT TARGET ${target})\n"
    "  add_library(${target} INTERFACE IMPORTED)\n"
    "  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${include_dir})\n"
    "endif()\n")
  file(COPY ${version_file} DESTINATION ${package_dir})
  set(${package}_DIR ${package_dir} CACHE PATH "${package} for the cross build" FORCE)
endfunction()

if(CMAKE_CROSSCOMPILING)
  fintop_cross_header_package(nlohmann_json nlohmann_json::nlohmann_json nlohmann
    /usr/share/cmake/nlohmann_json/nlohmann_jsonConfigVersion.cmake)
  fintop_cross_header_package(CLI11 CLI11::CLI11 CLI /usr/share/cmake/CLI11/CLI11ConfigVersion.cmake)

  # fintop-walk reads its mapping file with pugixml, of which Debian has no Windows build: the
  # cross build compiles Debian's pugixml sources, which scripts/fetch-pugixml-source.sh puts
  # in FINTOP_PUGIXML_SOURCE_DIR. Without them the walk is left out.
  set(FINTOP_PUGIXML_SOURCE_DIR ${CMAKE_SOURCE_DIR}/build/third_party/pugixml
      CACHE PATH "Debian's pugixml sources, for the cross build of fintop-walk")
  if(FINTOP_BUILD_TOOLS)
    if(EXISTS ${FINTOP_PUGIXML_SOURCE_DIR}/pugixml.cpp)
      add_library(pugixml STATIC ${FINTOP_PUGIXML_SOURCE_DIR}/pugixml.cpp)
      set_target_properties(pugixml PROPERTIES COMPILE_OPTIONS "")
      target_include_directories(pugixml SYSTEM PUBLIC ${FINTOP_PUGIXML_SOURCE_DIR})
      add_library(pugixml::pugixml ALIAS pugixml)
      set(_fintop_pugixml_package ${CMAKE_BINARY_DIR}/cross/pugixml)
      file(WRITE ${_fintop_pugixml_package}/pugixmlConfig.cmake "set(pugixml_FOUND TRUE)\n")
      set(pugixml_DIR ${_fintop_pugixml_package} CACHE PATH "pugixml for the cross build" FORCE)
    else()
      message(WARNING "no pugixml sources in ${FINTOP_PUGIXML_SOURCE_DIR} "
                      "(scripts/fetch-pugixml-source.sh): fintop-walk is not built")
      set(FINTOP_BUILD_TOOLS OFF)
      file(REMOVE ${CMAKE_BINARY_DIR}/bin/fintop-walk.exe)
    endif()
  endif()

  # GoogleTest is built from its sources (Debian's googletest package) with the cross
  # compiler, without this project's warning flags.
  if(FINTOP_BUILD_TESTS)
    if(NOT EXISTS /usr/src/googletest/CMakeLists.txt)
      message(FATAL_ERROR "googletest (the sources) is not installed")
    endif()
    get_directory_property(_fintop_options COMPILE_OPTIONS)
    set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    set_directory_properties(PROPERTIES COMPILE_OPTIONS "${_fintop_options}")
    foreach(_lib gtest gtest_main gmock gmock_main)
      if(NOT TARGET GTest::${_lib})
        add_library(GTest::${_lib} ALIAS ${_lib})
      endif()
    endforeach()
    set(_fintop_gtest_package ${CMAKE_BINARY_DIR}/cross/GTest)
    file(WRITE ${_fintop_gtest_package}/GTestConfig.cmake "set(GTest_FOUND TRUE)\n")
    set(GTest_DIR ${_fintop_gtest_package} CACHE PATH "GTest for the cross build" FORCE)
  endif()
endif()

set(FINTOP_SHIPPED_FLAGS -O3 -DNDEBUG CACHE STRING
    "Compile options of the modules the zip ships (fintop.dll, fintop-trace.dll)")
option(FINTOP_SHIPPED_IPO "Optimise fintop.dll across its files, as the native release build does" ON)

# Applied once every target of the project exists.
function(fintop_windows_finalize)
  # The stand-in modules have no export macros for their C++ API beyond the interface ones:
  # they export everything. The plug-in exports only what it marks.
  set(_dirs ${CMAKE_SOURCE_DIR})
  set(_targets)
  while(_dirs)
    list(POP_FRONT _dirs _dir)
    get_directory_property(_sub DIRECTORY ${_dir} SUBDIRECTORIES)
    list(APPEND _dirs ${_sub})
    get_directory_property(_here DIRECTORY ${_dir} BUILDSYSTEM_TARGETS)
    list(APPEND _targets ${_here})
  endwhile()
  foreach(_target IN LISTS _targets)
    get_target_property(_type ${_target} TYPE)
    get_target_property(_source_dir ${_target} SOURCE_DIR)
    if(_type STREQUAL "SHARED_LIBRARY" AND _source_dir MATCHES "^${CMAKE_SOURCE_DIR}/hostsim")
      target_link_options(${_target} PRIVATE -Wl,--export-all-symbols,--exclude-libs,ALL)
    endif()
  endforeach()

  if(TARGET QELCOM)
    set_target_properties(QELCOM PROPERTIES OUTPUT_NAME QELCOM SUFFIX ".DLL")
  endif()

  # What users install is optimised as the native release build optimises the plug-in (whose
  # costs BENCHMARKS.md gives): -O3 without assertions, and the plug-in across its files. The
  # presets keep -O1 for the stand-ins, the tools and the tests, which only the legs run.
  foreach(_target fintop fintop-trace fintop_call_record fintop_json)
    if(TARGET ${_target})
      target_compile_options(${_target} PRIVATE ${FINTOP_SHIPPED_FLAGS})
    endif()
  endforeach()
  if(FINTOP_SHIPPED_IPO)
    set_property(TARGET fintop PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
  endif()

  # The plug-in's version resource.
  target_sources(fintop PRIVATE ${CMAKE_SOURCE_DIR}/fintop/fintop.rc)
  set_property(SOURCE ${CMAKE_SOURCE_DIR}/fintop/fintop.rc DIRECTORY ${CMAKE_SOURCE_DIR}/fintop
    APPEND PROPERTY COMPILE_DEFINITIONS
    FINTOP_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    FINTOP_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    FINTOP_VERSION_PATCH=${PROJECT_VERSION_PATCH})
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL fintop_windows_finalize)
