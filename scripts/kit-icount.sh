#!/usr/bin/env bash
# The kit's costs against the walks they stand beside, by instruction count (callgrind, whole
# runs), side by side on one generated case (default 10^5 host objects, seed 1), release build:
#   CASE --diff SAVED  against  CASE --json   (SAVED: that walk's own document, and a copy of it
#                                               with its first real value changed)
#   SNAPSHOT --replay LOG  against  CASE --json --trace   (LOG, SNAPSHOT: fintop-trace's of a walk)
# Prints one line per run and the two ratios. Takes about ten minutes of one core.
#   scripts/kit-icount.sh [SIZE]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(scripts/figures-build.sh fintop-walk fintop fintop-trace fintop_walk_case)
work=$PWD/build/kit-icount
mkdir -p "$work"
cd "$work"
size=${1:-100000}
"$bin/fintop_walk_case" write "$size" case.json
rm -f session.jsonl snapshot.json
FINTOP_TRACE_PLUGIN=$bin/libfintop.so FINTOP_TRACE_LOG=$work/session.jsonl \
  FINTOP_TRACE_SNAPSHOT=$work/snapshot.json "$bin/fintop-walk" case.json \
  --plugin libfintop-trace.so >/dev/null
"$bin/fintop-walk" case.json --json >saved.json
sed '0,/"data": [0-9][-0-9.e+]*/s//"data": 0.5/' saved.json >changed.json
cmp -s saved.json changed.json && { echo "changed.json is not changed" >&2; exit 1; }

count() {  # NAME COMMAND...: the run's instructions
  local name=$1
  shift
  valgrind --tool=callgrind --callgrind-out-file="$name.cg" "$@" >/dev/null 2>"$name.log" ||
    true # --diff and --replay exit 1 on a difference
  sed -n 's/.*refs: *//p' "$name.log" | tr -d ,
}
json=$(count json "$bin/fintop-walk" case.json --json)
diff=$(count diff "$bin/fintop-walk" case.json --diff saved.json)
changed=$(count changed "$bin/fintop-walk" case.json --diff changed.json)
trace=$(count trace "$bin/fintop-walk" case.json --json --trace)
replay=$(count replay "$bin/fintop-walk" snapshot.json --replay session.jsonl)
"$bin/fintop-walk" snapshot.json --replay session.jsonl >/dev/null ||
  { echo "the replay differs: the figures would not be of a replay that agrees" >&2; exit 1; }
awk -v j="$json" -v d="$diff" -v c="$changed" -v t="$trace" -v r="$replay" -v n="$size" 'BEGIN {
  printf "case of %d asked; instructions (callgrind, whole runs):\n", n
  printf "  CASE --json            %6.2f G\n  CASE --diff SAVED      %6.2f G  %.2fx\n", j / 1e9, d / 1e9, d / j
  printf "  CASE --diff CHANGED    %6.2f G  %.2fx\n", c / 1e9, c / j
  printf "  CASE --json --trace    %6.2f G\n  SNAPSHOT --replay LOG  %6.2f G  %.2fx\n", t / 1e9, r / 1e9, r / t
}'
