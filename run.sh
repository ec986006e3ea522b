#!/usr/bin/env bash
# Builds fintop and fintop-walk (release) and maps a host case through the plug-in.
#   ./run.sh [CASE] [options]      CASE defaults to cases/default.json; --help lists the options
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-deps.sh cmake ninja-build g++ nlohmann-json3-dev libpugixml-dev libcli11-dev libgtest-dev \
  libgmock-dev libbenchmark-dev >/dev/null
if [ ! -f build/release/CMakeCache.txt ]; then
  cmake --preset release >/dev/null
fi
cmake --build build/release --target fintop-walk fintop >/dev/null
exec build/release/bin/fintop-walk "$@"
