# Warnings and sanitizers for every target of the project. Beyond -Wall -Wextra: a free
# function defined without a declaration in a header belongs in an anonymous namespace
# (-Wmissing-declarations), a cast never drops const (-Wcast-qual), an undefined macro in #if
# is a typo (-Wundef), and no array has a size known only at run time (-Wvla).
add_compile_options(-Wall -Wextra -Wmissing-declarations -Wcast-qual -Wundef -Wvla)
if(FINTOP_WERROR)
  add_compile_options(-Werror)
endif()

if(FINTOP_BUILD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(FINTOP_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
  # Clang puts its sanitizers' runtime into programs only, so a shared library's calls into it
  # would be names that no library it needs defines. Linked as a shared library, as GCC's is,
  # every module needs the runtime by name and finds it through the build's RUNPATH: the
  # doctor's import check sees a plug-in of this build as the loader does. (The fuzzers keep
  # the runtime in their programs, as libFuzzer expects.)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND NOT FINTOP_BUILD_FUZZ)
    add_link_options(-shared-libasan)
    execute_process(
      COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libclang_rt.asan-${CMAKE_SYSTEM_PROCESSOR}.so
      OUTPUT_VARIABLE fintop_asan_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(fintop_asan_runtime_dir "${fintop_asan_runtime}" DIRECTORY)
    list(APPEND CMAKE_BUILD_RPATH "${fintop_asan_runtime_dir}")
  endif()
elseif(FINTOP_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT FINTOP_SANITIZE STREQUAL "")
  message(FATAL_ERROR "FINTOP_SANITIZE must be empty, address or thread")
endif()

# A shared library under an exact file name ("norvaneeng.dll" on every platform).
function(fintop_exact_file_name target file_name)
  set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX "" OUTPUT_NAME ${file_name})
endfunction()

# A static library that goes into the proxy's module (fintop-trace): position-independent, its
# symbols hidden, so the module exports fintop's names and nothing of it.
function(fintop_module_part target)
  set_target_properties(${target} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
endfunction()

# Code that runs briefly and includes heavy headers (the command line's CLI11, the doctor):
# compiled at -O0 in the sanitizer build for the tests, where the -O1 of the rest (top-level
# CMakeLists.txt) would cost compile time and save no run time.
function(fintop_brief_runtime target)
  if(FINTOP_SANITIZE STREQUAL "address" AND CMAKE_BUILD_TYPE STREQUAL "Debug")
    target_compile_options(${target} PRIVATE -O0)
  endif()
endfunction()
