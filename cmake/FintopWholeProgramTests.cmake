# fintop_discover_tests(target ...): the tests of a test program, with gtest_discover_tests'
# arguments. Natively each test case is a test of its own (gtest_discover_tests). In a cross
# build every test program runs under the emulator (Wine) as one test, and so in a sanitizer
# build: starting the emulator, or a sanitized process, once per test case would cost far more
# than the tests themselves.
if(CMAKE_CROSSCOMPILING OR NOT FINTOP_SANITIZE STREQUAL "")
  set(FINTOP_WHOLE_PROGRAM_TESTS TRUE)
else()
  set(FINTOP_WHOLE_PROGRAM_TESTS FALSE)
endif()

# fintop_gtest_program_test(NAME TARGET ARG...): the GoogleTest program TARGET run once as the
# test NAME (under the emulator in a cross build), passing only when it exits 0 and its output
# shows GoogleTest's "[  PASSED  ]" line (run_gtest.cmake).
function(fintop_gtest_program_test name target)
  list(JOIN ARGN "|" args)
  add_test(NAME ${name}
           COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}>
                   "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}" "-DARGS=${args}"
                   -P ${PROJECT_SOURCE_DIR}/cmake/run_gtest.cmake)
endfunction()

function(fintop_discover_tests target)
  if(NOT FINTOP_WHOLE_PROGRAM_TESTS)
    gtest_discover_tests(${ARGV})
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 1 arg ""
    "DISCOVERY_MODE;DISCOVERY_TIMEOUT;TEST_PREFIX;TEST_SUFFIX;WORKING_DIRECTORY;TEST_LIST"
    "EXTRA_ARGS;PROPERTIES")
  if(NOT arg_WORKING_DIRECTORY)
    set(arg_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  fintop_gtest_program_test(${target} ${target} --gtest_brief=1 ${arg_EXTRA_ARGS})
  set_tests_properties(${target} PROPERTIES WORKING_DIRECTORY ${arg_WORKING_DIRECTORY})
  set_tests_properties(${target} PROPERTIES ENVIRONMENT "WINEDEBUG=-all" ${arg_PROPERTIES})
endfunction()
