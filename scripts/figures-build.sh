#!/usr/bin/env bash
# The release build the figure scripts measure (scripts/walk-figures.sh, scripts/kit-icount.sh):
# one folder, build/figures, with the benchmarks' case writer and without the tests (figures,
# not a check of warnings). Builds the targets named and prints the folder's bin directory.
#   scripts/figures-build.sh TARGET...
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-deps.sh build walk bench figures
build=build/figures
cmake --preset release -B "$build" -DFINTOP_BUILD_BENCH=ON -DFINTOP_BUILD_TESTS=OFF \
  -DFINTOP_WERROR=OFF >/dev/null
cmake --build "$build" --target "$@" >&2
echo "$PWD/$build/bin"
