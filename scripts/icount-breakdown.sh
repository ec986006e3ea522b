#!/usr/bin/env bash
# Where the callback side of the overhead pairs costs more than the bare side, per callback call
# (scripts/icount-breakdown.py says how the instructions are split). Builds the "bench" preset
# with line tables (-g changes no code: the counts are those of scripts/icount.sh) in
# build/bench-lines, runs fintop_icount under callgrind and prints one row per pair named, or
# for the pairs whose ratio is highest when none is named.
#
#   scripts/icount-breakdown.sh [--worst N] [--detail N] [--build-dir DIR] [family/pair ...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/bench-lines
worst=4
detail=()
while [ $# -gt 0 ]; do
  case "$1" in
    --worst) worst=$2; shift 2 ;;
    --detail) detail=(--detail "$2"); shift 2 ;;
    --build-dir) build=$2; shift 2 ;;
    -*) echo "usage: scripts/icount-breakdown.sh [--worst N] [--detail N] [--build-dir DIR] [family/pair ...]" >&2; exit 2 ;;
    *) break ;;
  esac
done
scripts/ensure-deps.sh build bench figures
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset bench -B "$build" -DCMAKE_CXX_FLAGS_RELEASE="-O3 -DNDEBUG -g" >/dev/null
fi
cmake --build "$build" --target fintop_icount >/dev/null || {
  cmake --build "$build" --target fintop_icount
  exit 1
}
dumps=$(mktemp -d)
trap 'rm -rf "$dumps"' EXIT
valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$dumps/cg.out" \
  "$build/bin/fintop_icount" --repeats 3 >"$dumps/checks.txt" 2>"$dumps/valgrind.txt" || {
  cat "$dumps/checks.txt" "$dumps/valgrind.txt" >&2
  exit 1
}
if [ $# -eq 0 ]; then
  /usr/bin/python3 scripts/icount-breakdown.py "${detail[@]}" --worst "$worst" "$dumps"
else
  /usr/bin/python3 scripts/icount-breakdown.py "${detail[@]}" "$dumps" "$@"
fi
