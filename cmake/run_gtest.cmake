# Runs one GoogleTest program as one test (cmake -P; FintopWholeProgramTests.cmake) and passes
# only when the program exits 0 and shows that its tests ran: GoogleTest's "[  PASSED  ] N
# tests." with N > 0. An emulator that cannot start the program (a Wine without its width's
# loader) prints nothing and exits 0; that must not count as passed.
#   -DPROGRAM=path -DEMULATOR=wine|"" -DARGS=arg|arg|...
string(REPLACE "|" ";" args "${ARGS}")
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${args}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
message(NOTICE "${output}")
get_filename_component(name ${PROGRAM} NAME)
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "${name} exited with status ${status}")
endif()
if(NOT output MATCHES "\\[  PASSED  \\] [1-9][0-9]* tests?\\.")
  message(FATAL_ERROR "${name} exited 0 but did not show that its tests ran "
                      "(no \"[  PASSED  ] N tests.\" line): not counted as passed")
endif()
