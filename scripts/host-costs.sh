#!/usr/bin/env bash
# The stand-in host's own costs (Down by the name's length, Clone, the first write to a clone),
# from bench/host_bench.cpp:
#   - instructions per call, by valgrind's callgrind: each benchmark runs alone with a fixed
#     number of iterations (FINTOP_HOST_COST_ITERATIONS) and each measured function's
#     inclusive count is divided by its calls (the benchmark's "calls" counter);
#   - CPU time of the same benchmarks run natively, the median of five repetitions.
# Prints a Markdown table (about two minutes). Instruction counts do not depend on the
# machine's load; times do. What the callbacks cost against their bare sequences, and the
# targets, are fintop_icount's (scripts/icount.sh).
#
#   scripts/host-costs.sh
# FINTOP_HOST_COSTS_BUILD names the build folder (default build/bench, the "bench" preset).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-deps.sh build bench
build=${FINTOP_HOST_COSTS_BUILD:-build/bench}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -f "$build/build.ninja" ] || cmake --preset bench -B "$build" >/dev/null
cmake --build "$build" --target fintop_bench >"$work/build.log" 2>&1 || {
  cat "$work/build.log" >&2
  exit 1
}
bench=$build/bin/fintop_bench

# The value of column `column` in the CSV row of benchmark `name` (a prefix of the row's name
# up to "/iterations:" or a "_median" suffix) in file $1.
csv_field() {
  awk -F, -v name="$2" -v column="$3" -v suffix="${4:-}" '
    NR == 1 || /^name,/ { for (i = 1; i <= NF; i++) { h = $i; gsub(/"/, "", h); col[h] = i } next }
    { n = $1; gsub(/"/, "", n); sub(/\/iterations:[0-9]+/, "", n)
      if (n == name suffix) { print $(col[column]); exit } }' "$1"
}

# Runs benchmark $1 under callgrind with $2 iterations; prints, for each function named in the
# remaining arguments, its inclusive instructions per call.
instructions() {
  local name=$1 iterations=$2
  shift 2
  # LD_BIND_NOW: symbols are bound at start, so a first call does not count the binding.
  # The time limit turns a selection that no longer ends (a huge stored count) into a failure.
  LD_BIND_NOW=1 FINTOP_HOST_COST_ITERATIONS=$iterations timeout 600 valgrind --tool=callgrind \
    --callgrind-out-file="$work/cg.out" "$bench" --benchmark_filter="^$name(/iterations:[0-9]+)?\$" \
    --benchmark_format=csv >"$work/run.csv" 2>"$work/valgrind.log" || {
    cat "$work/valgrind.log" >&2
    return 1
  }
  if grep -q '"true"\|,true,' "$work/run.csv"; then
    echo "$name: the benchmark reported an error" >&2
    cat "$work/run.csv" >&2
    return 1
  fi
  local calls
  calls=$(csv_field "$work/run.csv" "$name" calls)
  callgrind_annotate --inclusive=yes --threshold=100 "$work/cg.out" >"$work/annotate.txt"
  local f
  for f in "$@"; do
    awk -v f="$f" -v calls="$calls" '
      index($0, "::" f "(") { v = $1; gsub(/,/, "", v); printf "%.0f\n", v / calls; found = 1; exit }
      END { if (!found) print "missing" }' "$work/annotate.txt"
  done
}

# Runs benchmarks matching $1 natively, five repetitions, into $work/time.csv.
timed() {
  "$bench" --benchmark_filter="$1" --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true --benchmark_format=csv >"$work/time.csv" 2>/dev/null
}

start=$SECONDS
echo "valgrind: $(valgrind --version); CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2-)"
echo
timed '^(DownByNameLength|CloneAlone|FirstWriteToClone)/'
echo '| Operation | Instructions per call | CPU time (median of 5) |'
echo '|---|---|---|'
for width in 3 100; do
  for length in 4 16 64 256; do
    name="DownByNameLength/length:$length/width:$width"
    n=$(instructions "$name" 10000 CostDown)
    t=$(csv_field "$work/time.csv" "$name" cpu_time _median)
    printf '| `Down` by a name of %s characters, node of %s children (`%s`) | %s | %.1f ns |\n' \
      "$length" "$width" "$name" "$n" "$t"
  done
done
for attributes in 2 10 50; do
  name="CloneAlone/attributes:$attributes"
  n=$(instructions "$name" 10000 CostClone)
  t=$(csv_field "$work/time.csv" "$name" cpu_time _median)
  printf '| `Clone`, %s attributes recorded (`%s`) | %s | %.1f ns |\n' "$attributes" "$name" "$n" "$t"
done
for attributes in 2 10 50; do
  name="FirstWriteToClone/attributes:$attributes"
  n=$(instructions "$name" 10000 CostFirstWrite)
  t=$(csv_field "$work/time.csv" "$name" cpu_time _median)
  printf '| First write to a clone, %s attributes recorded (`%s`) | %s | %.1f ns |\n' \
    "$attributes" "$name" "$n" "$t"
done
echo
echo "took $((SECONDS - start)) s"
