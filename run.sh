#!/usr/bin/env bash
# Builds fintop and its tools, fintop-walk, fintop-trace and fintop-doctor, in build/walk/bin (the
# "walk" preset: Release, without the tests and benchmarks and their libraries) and maps a host
# case through the plug-in.
#   ./run.sh [CASE] [options]      CASE defaults to cases/default.json; --help lists the options
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-deps.sh build walk doctor >/dev/null
if [ ! -f build/walk/CMakeCache.txt ]; then
  cmake --preset walk >/dev/null
fi
cmake --build --preset walk >/dev/null
exec build/walk/bin/fintop-walk "$@"
