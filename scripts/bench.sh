#!/usr/bin/env bash
# Builds the benchmarks (Release, the "bench" preset) and runs the suite, writing the figures
# to build/bench/results/: overhead.txt (families, host, growing selections), walk.txt (the
# whole walks, each size in a process of its own so that its peak memory is its own) and
# icount.txt (the overhead pairs by instruction count under callgrind, scripts/icount.sh, with
# each family's CPU-time ratio from overhead.txt beside it). Each time is the median of five
# repetitions; the whole walks also give the least of the five. Takes a few minutes.
# FINTOP_BENCH_BUILD names the build folder (default build/bench, the "bench" preset).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-deps.sh build bench figures
build=${FINTOP_BENCH_BUILD:-build/bench}
[ -f "$build/build.ninja" ] || cmake --preset bench -B "$build" >/dev/null
cmake --build "$build"
bench=$build/bin/fintop_bench
results=$build/results
mkdir -p "$results"
common=(--benchmark_repetitions=5 --benchmark_report_aggregates_only=true
        --benchmark_display_aggregates_only=true)

"$bench" --benchmark_filter='-WholeWalk' "${common[@]}" \
  --benchmark_out="$results/overhead.json" --benchmark_out_format=json | tee "$results/overhead.txt"

: >"$results/walk.txt"
for size in 1000 10000 100000 1000000; do
  "$bench" --benchmark_filter="^WholeWalk/$size\$" "${common[@]}" \
    --benchmark_out="$results/walk-$size.json" --benchmark_out_format=json |
    tee -a "$results/walk.txt"
done
if grep -q "ERROR OCCURRED" "$results/overhead.txt" "$results/walk.txt"; then
  echo "some benchmark failed" >&2
  exit 1
fi
scripts/icount.sh --repeats 3 --build-dir "$build"
echo "figures in $results/overhead.txt, $results/walk.txt and $results/icount.txt"
# The tables of BENCHMARKS.md's sections 1 and 3 from this run (Debian's python3, by its path).
/usr/bin/python3 scripts/bench-tables.py "$results" BENCHMARKS.md
echo "BENCHMARKS.md: the tables of sections 1 and 3 are this run's"
