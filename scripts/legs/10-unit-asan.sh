#!/usr/bin/env bash
# The unit tests: the whole suite, once, in a debug build under AddressSanitizer and
# UndefinedBehaviorSanitizer with leak checks (warnings as errors); any report fails the leg.
# Built with clang, which builds it in two thirds of gcc's CPU time; gcc builds the release
# plug-in checked below and the Windows builds.
# The optimised builds run the same suite under Wine, 64-bit and 32-bit (the Windows leg), so
# a native optimised run would prove nothing more. This build's fintop-walk is the Linux walk
# the Windows leg compares with, and runs README.md's commands
# (scripts.readme; the Windows and fuzz legs run those that need Wine or a fuzzer); the
# native release build serves the benchmarks (./run.sh builds its own, build/walk).
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/ensure-deps.sh build walk unit doctor clang bench  # the release build has the benchmarks
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# The Windows leg builds its Linux walk in build/asan too, maybe at the same time (./test.sh
# runs legs side by side): the folder's lock keeps the two builds apart.
mkdir -p build
flock build/asan.lock sh -c 'cmake --preset asan >/dev/null && cmake --build build/asan'
# Three at a time on two cores: some tests wait (a load check's time limit, a hanging stub).
ctest --preset asan -j3

# The export tables of the release libfintop.so and libfintop-trace.so, which must be the same
# (a sanitizer build exports more of its own).
# The benchmark leg builds in build/release too (under the same lock).
flock build/release.lock sh -c 'cmake --preset release >/dev/null &&
  cmake --build build/release --target fintop fintop-trace'
for library in libfintop.so libfintop-trace.so; do
  bash tests/exports/check_exports.sh --expected fintop/exports.txt \
    --library build/release/bin/$library --nm nm
done
