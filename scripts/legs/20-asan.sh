#!/usr/bin/env bash
# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer, leaks included; any
# report fails the leg.
set -euo pipefail
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
cmake --preset asan >/dev/null
cmake --build build/asan
ctest --preset asan -j2
