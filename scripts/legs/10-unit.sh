#!/usr/bin/env bash
# The unit tests, in the release build (warnings as errors) that ./run.sh, the Windows leg's
# Linux walk and the bench leg use too: one native optimised build serves them all. The
# sanitizer leg runs the same tests in a debug build.
set -euo pipefail
cmake --preset release >/dev/null
cmake --build build/release
ctest --preset release -j2
