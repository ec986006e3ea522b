#!/usr/bin/env bash
# ThreadSanitizer: several threads walk cases at once through every callback, each with its
# own iterators, directly and through fintop-trace (whose log takes whole lines from them all);
# any report fails the leg. Built with clang, which builds these in three quarters of gcc's CPU
# time and runs them in half.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/ensure-deps.sh build walk unit doctor clang
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
cmake --preset tsan >/dev/null
cmake --build build/tsan --target test_reliability test_trace fintop-trace
build/tsan/bin/test_reliability --gtest_filter='Concurrency.*'
ctest --test-dir build/tsan -R '^trace\.threads$' --output-on-failure
