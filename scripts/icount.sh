#!/usr/bin/env bash
# The overhead pairs by instruction count: runs fintop_icount (the "bench" preset, Release)
# under valgrind's callgrind and writes build/bench/results/icount.txt, one row per family
# (its pairs summed), per pair, and per reaction selection on a grown case: instructions per
# unit for the callback side and the bare side, and their ratio. Instruction counts do not
# depend on the machine's load, so the figures reproduce.
#
#   scripts/icount.sh [--repeats N] [--check] [--build-dir DIR]
#
# --check fails (exit 1) when a family's ratio is above $family_limit, a pair's above
# $pair_limit or below $floor_limit, CTLocalReaction's above 1.2 or CTReactions' above 1.1 (the
# limits are set below).
# --repeats runs each side N times (default 3). With
# build/bench/results/overhead.json from scripts/bench.sh, each family's CPU-time ratio is
# printed beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
# The targets: a family's callbacks at most this many times its bare sequences' instructions,
# and a single pair at most this many times (BENCHMARKS.md, section 1).
family_limit=1.02
pair_limit=1.03
# A pair below this is an error too: its bare side is not the least the sequence can cost.
floor_limit=0.99
repeats=3
check=0
build=build/bench
while [ $# -gt 0 ]; do
  case "$1" in
    --repeats) repeats=$2; shift 2 ;;
    --check) check=1; shift ;;
    --build-dir) build=$2; shift 2 ;;
    *) echo "usage: scripts/icount.sh [--repeats N] [--check] [--build-dir DIR]" >&2; exit 2 ;;
  esac
done
scripts/ensure-deps.sh build bench
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset bench -B "$build" >/dev/null
fi
cmake --build "$build" --target fintop_icount >/dev/null || {
  cmake --build "$build" --target fintop_icount
  exit 1
}
results=$build/results
mkdir -p "$results"
dumps=$(mktemp -d)
trap '[ -n "${ICOUNT_KEEP:-}" ] || rm -rf "$dumps"' EXIT
valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$dumps/cg.out" \
  "$build/bin/fintop_icount" --repeats "$repeats" >"$dumps/checks.txt" 2>"$dumps/valgrind.txt" || {
  cat "$dumps/checks.txt" "$dumps/valgrind.txt" >&2
  echo "fintop_icount failed" >&2
  exit 1
}

# One line per dump: family name side units repeats instructions.
for ((part = 1; ; part++)); do
  dump=$dumps/cg.out.$part
  [ -f "$dump" ] || break
  awk '/^desc: Trigger: Client Request: icount / { label = $0; sub(/.*icount /, "", label) }
       /^(summary|totals):/ { total = $2 }
       END { if (label != "") print label, total }' "$dump"
done >"$dumps/counts.txt"

# The CPU-time ratio of a family from the Google Benchmark run, if there is one.
cpu_ratio() {
  local json=$results/overhead.json
  [ -f "$json" ] || { echo "-"; return; }
  awk -v name="\"Overhead/$1_median\"" '
    $1 == "\"name\":" { on = ($2 == name "," || $2 == name) }
    on && $1 == "\"ratio\":" { v = $2; sub(/,$/, "", v); printf "%.3f\n", v; found = 1; exit }
    END { if (!found) print "-" }' "$json"
}

out=$results/icount.txt
# The "<side>-first" dumps (one run counted apart, bench/icount.cpp) are left out.
awk -v check="$check" -v repeats="$repeats" -v family_limit="$family_limit" \
  -v pair_limit="$pair_limit" -v floor_limit="$floor_limit" '
  $3 ~ /-first$/ { next }
  { key = $1 " " $2; side[key, $3] = $6; units[key] = $4;
    if (!(key in seen)) { seen[key] = 1; order[++n] = key } }
  END {
    status = 0
    printf "%-12s %-34s %6s %14s %14s %7s\n", "family", "pair", "units", "callbacks/unit", "bare/unit", "ratio"
    for (i = 1; i <= n; ++i) {
      split(order[i], k, " "); fam = k[1]
      c = side[order[i], "callbacks"]; b = side[order[i], "bare"]; u = units[order[i]] * repeats
      printf "%-12s %-34s %6d %14.1f %14.1f %7.3f\n", fam, k[2], units[order[i]], c / u, b / u, c / b
      if (fam == "target") {
        limit = (k[2] ~ /^CTLocalReaction/) ? 1.2 : 1.1
        if (check && c / b > limit) { printf "  above %.2f\n", limit; status = 1 }
      } else {
        if (check && c / b > pair_limit) { printf "  above %.2f\n", pair_limit; status = 1 }
        if (check && c / b < floor_limit) {
          printf "  below %.2f: the bare side is dearer than it needs to be\n", floor_limit; status = 1
        }
        fc[fam] += c; fb[fam] += b; fu[fam] += u
        if (!(fam in fseen)) { fseen[fam] = 1; forder[++m] = fam }
      }
    }
    printf "\nfamilies (pairs summed)\n"
    for (i = 1; i <= m; ++i) {
      f = forder[i]
      printf "%-12s %-34s %6s %14.1f %14.1f %7.3f\n", f, "(all)", "", fc[f] / fu[f], fb[f] / fu[f], fc[f] / fb[f]
      if (check && fc[f] / fb[f] > family_limit) { printf "  above %.2f\n", family_limit; status = 1 }
    }
    exit status
  }' "$dumps/counts.txt" >"$out" && status=0 || status=$?

# The families with their CPU-time ratio beside the instruction-count ratio.
{
  cat "$out"
  echo
  printf "%-12s %12s %12s\n" family "icount ratio" "CPU ratio"
  awk '/^families/ { on = 1; next } on && NF >= 5 && $2 == "(all)" { print $1, $NF }' "$out" |
    while read -r family ratio; do
      printf "%-12s %12s %12s\n" "$family" "$ratio" "$(cpu_ratio "$family")"
    done
} >"$out.tmp" && mv "$out.tmp" "$out"
cat "$out"
if [ "$status" -ne 0 ]; then
  echo "an instruction-count ratio is outside its limits" >&2
  exit 1
fi
