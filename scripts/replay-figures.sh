#!/usr/bin/env bash
# Recording through fintop-trace with and without the snapshot, and fintop-walk --replay against
# the traced walk, side by side in one run on one generated case (default 10^5 host objects,
# seed 1); writes the section "## fintop-walk --replay" of BENCHMARKS.md. Times and peak
# memory from /usr/bin/time (elapsed, user + system, maximum resident set), one run each.
#   scripts/replay-figures.sh [SIZE]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-deps.sh build walk bench figures
build=build/release
cmake --preset release -B "$build" -DFINTOP_BUILD_BENCH=ON -DFINTOP_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target fintop-walk fintop fintop-trace fintop_walk_case
bin=$PWD/$build/bin
work=$PWD/$build/replay-figures
mkdir -p "$work"
size=${1:-100000}
case_file=$work/case-$size.json
"$bin/fintop_walk_case" write "$size" "$case_file"
objects=$("$bin/fintop_walk_case" walk "$case_file" | awk '{ print $1 }')

measure() {  # NAME COMMAND...: "elapsed cpu peak_kb" into $work/NAME.time
  local name=$1
  shift
  { /usr/bin/time -f "%e %U %S %M" "$@" >/dev/null 2>"$work/$name.err" || true; } 2>&1
  tail -n 1 "$work/$name.err" | awk '{ print $1, $2 + $3, $4 }' >"$work/$name.time"
}
rm -f "$work"/*.jsonl "$work/snapshot.json"
export FINTOP_TRACE_PLUGIN=$bin/libfintop.so
measure direct "$bin/fintop-walk" "$case_file"
FINTOP_TRACE_LOG=$work/plain.jsonl measure record "$bin/fintop-walk" "$case_file" \
  --plugin libfintop-trace.so
FINTOP_TRACE_LOG=$work/session.jsonl FINTOP_TRACE_SNAPSHOT=$work/snapshot.json \
  measure record_snapshot "$bin/fintop-walk" "$case_file" --plugin libfintop-trace.so
measure traced "$bin/fintop-walk" "$case_file" --json --trace
measure replay "$bin/fintop-walk" "$work/snapshot.json" --replay "$work/session.jsonl"
"$bin/fintop-walk" "$work/snapshot.json" --replay "$work/session.jsonl" >"$work/replay.out" ||
  { echo "the replay differs: $(tail -n 1 "$work/replay.out")" >&2; exit 1; }
calls=$(grep -c '^{"callback"' "$work/session.jsonl")

/usr/bin/python3 - "$size" "$objects" "$calls" "$work" <<'EOF'
import os, re, sys, datetime
size, objects, calls, work = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
def t(name):
    e, c, m = open(f"{work}/{name}.time").read().split()
    return float(e), float(c), int(m)
def mb(path):
    return os.path.getsize(f"{work}/{path}") / 1e6
direct, record, snap, traced, replay = (t(n) for n in ("direct", "record", "record_snapshot", "traced", "replay"))
section = f"""## fintop-walk --replay

Recording a session through fintop-trace with and without its snapshot, and replaying it,
side by side in one run on one generated case ({size:,} asked, {objects:,} host objects,
{calls:,} calls; `bench/case_generator.cpp`, seed 1), release build, measured by
`scripts/replay-figures.sh` ({datetime.date.today()}): elapsed and CPU time (user + system)
and peak resident set from `/usr/bin/time`, one run each on this shared 2-core machine (the
times move with the load). Recording is fintop-walk's tree walk through `libfintop-trace.so`
with a log; the replay is `fintop-walk SNAPSHOT --replay LOG` of the session recorded with
the snapshot. Goal: the replay within 2 times the traced walk (`fintop-walk CASE --json
--trace`) in time and memory.

| run | elapsed | CPU | peak | files |
|---|---|---|---|---|
| the walk, without the proxy | {direct[0]:.1f} s | {direct[1]:.1f} s | {direct[2] / 1024:.0f} MiB | |
| recorded, no snapshot | {record[0]:.1f} s | {record[1]:.1f} s | {record[2] / 1024:.0f} MiB | log {mb('plain.jsonl'):.0f} MB |
| recorded with the snapshot | {snap[0]:.1f} s | {snap[1]:.1f} s | {snap[2] / 1024:.0f} MiB | log {mb('session.jsonl'):.0f} MB, snapshot {mb('snapshot.json'):.1f} MB |
| `--json --trace` walk | {traced[0]:.1f} s | {traced[1]:.1f} s | {traced[2] / 1024:.0f} MiB | |
| `--replay` | {replay[0]:.1f} s | {replay[1]:.1f} s | {replay[2] / 1024:.0f} MiB | |

- The snapshot's cost: {snap[0] - record[0]:+.1f} s elapsed, {snap[1] - record[1]:+.1f} s CPU
  over recording without it, once per session; its file is {mb('snapshot.json'):.1f} MB.
- The replay against the traced walk: **{replay[0] / traced[0]:.2f}** times its elapsed time,
  **{replay[1] / traced[1]:.2f}** its CPU time, **{replay[2] / traced[2]:.2f}** its peak memory.
"""
sys.path.insert(0, "scripts")
from benchmarks_section import write_section
write_section("## fintop-walk --replay", section)
print(section)
EOF
