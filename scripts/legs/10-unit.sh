#!/usr/bin/env bash
# The unit tests, debug build with warnings as errors.
set -euo pipefail
cmake --preset debug >/dev/null
cmake --build build/debug
ctest --preset debug -j2
