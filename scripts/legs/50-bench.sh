#!/usr/bin/env bash
# The benchmarks, built in Release and each run once briefly so that they cannot rot (a
# benchmark whose two sides check differently reports an error and fails the leg), then the
# overhead pairs by instruction count under callgrind, which fails the leg when a family is
# above 1.02 of its bare sequences, a pair above 1.03 or below 0.99, CTLocalReaction above 1.2
# or CTReactions selecting every reaction above 1.1 (scripts/icount.sh). The figures
# themselves come from scripts/bench.sh.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/ensure-deps.sh build walk unit doctor bench
# The unit leg's release build (the same flags as the "bench" preset, tests and tools besides).
# The unit leg builds in that folder too, maybe at the same time (./test.sh runs legs side by
# side): the folder's lock keeps the builds apart.
build=build/release
mkdir -p build
flock $build.lock sh -c 'cmake --preset release >/dev/null &&
  cmake --build build/release --target fintop_bench fintop_icount'
out=$($build/bin/fintop_bench --benchmark_min_time=0.01 2>&1) || { echo "$out"; exit 1; }
echo "$out" | grep -E "^(Overhead|WholeWalk)" || true
if echo "$out" | grep -q "ERROR OCCURRED"; then
  echo "$out" | grep "ERROR OCCURRED" >&2
  exit 1
fi
scripts/icount.sh --check --repeats 3 --build-dir $build  # as scripts/bench.sh: the same figures as BENCHMARKS.md
