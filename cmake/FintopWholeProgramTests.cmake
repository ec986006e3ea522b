# In a cross build every test program runs under the emulator (Wine) as one test, and so in a
# sanitizer build: starting the emulator, or a sanitized process, once per test case would
# cost far more than the tests themselves.
# Replaces gtest_discover_tests for the folders of tests that follow.
function(gtest_discover_tests target)
  cmake_parse_arguments(PARSE_ARGV 1 arg ""
    "DISCOVERY_MODE;DISCOVERY_TIMEOUT;TEST_PREFIX;TEST_SUFFIX;WORKING_DIRECTORY;TEST_LIST"
    "EXTRA_ARGS;PROPERTIES")
  if(NOT arg_WORKING_DIRECTORY)
    set(arg_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  add_test(NAME ${target} COMMAND ${target} --gtest_brief=1 ${arg_EXTRA_ARGS}
           WORKING_DIRECTORY ${arg_WORKING_DIRECTORY})
  set_tests_properties(${target} PROPERTIES ENVIRONMENT "WINEDEBUG=-all" ${arg_PROPERTIES})
endfunction()
