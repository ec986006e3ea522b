#!/usr/bin/env bash
# The stand-in host's own costs (Down by the name's length, Clone, the first write to a clone)
# and the two reaction selections that grow with the case (CTLocalReaction, CTReactions)
# against their prescribed sequences, from bench/host_bench.cpp:
#   - instructions per call, by valgrind's callgrind: each benchmark runs alone with a fixed
#     number of iterations (FINTOP_HOST_COST_ITERATIONS) and each measured function's
#     inclusive count is divided by its calls (the benchmark's "calls" counter);
#   - CPU time of the same benchmarks run natively, the median of five repetitions.
# Prints a Markdown table per group. Instruction counts do not depend on the machine's load;
# times do.
#
#   scripts/host-costs.sh           every figure (about six minutes)
#   scripts/host-costs.sh --host    only the stand-in's own operations (about two minutes)
#   scripts/host-costs.sh --check   only the reaction selections, by instruction count, and
#                                   fails when one is over its target (about a minute):
#                                   CTLocalReaction within 1.2 of the prescribed sequence at 1,
#                                   10 and 300 numbered sets, and within 3 of the sequence with
#                                   the count right when the stored count is absurd;
#                                   CTReactions within 1.1 selecting every one of 1,000.
# FINTOP_HOST_COSTS_BUILD names the build folder (default build/bench, the "bench" preset).
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
host_only=0
[ "${1:-}" = "--check" ] && check=1
[ "${1:-}" = "--host" ] && host_only=1  # only the stand-in's operations
scripts/ensure-deps.sh cmake ninja-build g++ libbenchmark-dev nlohmann-json3-dev valgrind
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

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
failed=0
over() { awk -v r="$1" -v t="$2" 'BEGIN { exit !(r > t) }'; }

pairs() {
  local name=$1 callback=$2 prescribed=$3 iterations=$4 target=$5 label=$6 timing=$7
  local counts c p r
  counts=$(instructions "$name" "$iterations" "$callback" "$prescribed")
  c=$(sed -n 1p <<<"$counts")
  p=$(sed -n 2p <<<"$counts")
  r=$(ratio "$c" "$p")
  local verdict="within $target"
  if [ "$target" = - ]; then
    verdict="-"
  elif over "$r" "$target"; then
    verdict="OVER $target"
    failed=1
  fi
  if [ "$timing" = 1 ]; then
    local cn pn tr
    cn=$(csv_field "$work/time.csv" "$name" callback_ns _median)
    pn=$(csv_field "$work/time.csv" "$name" prescribed_ns _median)
    tr=$(csv_field "$work/time.csv" "$name" ratio _median)
    printf '| %s | %s | %s | **%s** | %.0f | %.0f | %.3f | %s |\n' "$label" "$c" "$p" "$r" \
      "$cn" "$pn" "$tr" "$verdict"
  else
    printf '| %s | %s | %s | **%s** | %s |\n' "$label" "$c" "$p" "$r" "$verdict"
  fi
}

start=$SECONDS
if [ $check = 0 ]; then
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
  [ $host_only = 1 ] && exit 0
  timed '^(LocalReaction|LocalReactionAbsurdCount|SelectEveryReaction)/'
  echo '| Selections | Callback instructions | Prescribed instructions | **Ratio** | Callback ns | Prescribed ns | Time ratio | Target |'
  echo '|---|---|---|---|---|---|---|---|'
  timing=1
else
  echo '| Selections | Callback instructions | Prescribed instructions | **Ratio** | Target |'
  echo '|---|---|---|---|---|'
  timing=0
fi
for sets in 1 10 300; do
  pairs "LocalReaction/sets:$sets" CostLocalReactionCallback CostLocalReactionPrescribed 20 1.2 \
    "\`CTLocalReaction\` 0..3, set $((sets - 1)) of $sets numbered sets (\`LocalReaction/sets:$sets\`)" $timing
done
for sets in 10 300; do
  pairs "LocalReactionAbsurdCount/sets:$sets" CostLocalReactionCallback CostLocalReactionPrescribed \
    20 3 "\`CTLocalReaction\` 0..3, $sets sets, stored count 2147483647, against the count right (\`LocalReactionAbsurdCount/sets:$sets\`)" $timing
done
for reactions in 10 100 1000; do
  [ $check = 1 ] && [ $reactions != 1000 ] && continue
  target=-
  [ $reactions = 1000 ] && target=1.1
  pairs "SelectEveryReaction/reactions:$reactions" CostReactionsCallback CostReactionsPrescribed 1 \
    $target "\`CTReactions\` selecting each of $reactions reactions (\`SelectEveryReaction/reactions:$reactions\`)" $timing
done
echo
echo "took $((SECONDS - start)) s"
if [ $failed = 1 ]; then
  echo "a reaction selection is over its target" >&2
  exit 1
fi
