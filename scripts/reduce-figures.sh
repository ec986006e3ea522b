#!/usr/bin/env bash
# fintop-walk --replay --reduce on one generated case (default 10^5 host objects, seed 1): the
# case recorded through fintop-trace with its snapshot, then replayed against a plug-in changed
# in one column callback (tests/trace/altered_plugin.cpp: CTColumnFeeds counts one more) and
# reduced: the first call that differs, and the last (--call), whose search replays the whole
# log; and the same callback crashing. Each reduced case must replay to the same line (or crash)
# within 50 nodes and 60 s. Writes the section "## fintop-walk --replay --reduce" of
# BENCHMARKS.md; times from /usr/bin/time, one run each.
#   scripts/reduce-figures.sh [SIZE]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-deps.sh build walk bench figures
build=build/release
cmake --preset release -B "$build" -DFINTOP_BUILD_BENCH=ON -DFINTOP_BUILD_TESTS=ON >/dev/null
cmake --build "$build" --target fintop-walk fintop fintop-trace fintop_walk_case fintop_altered
bin=$PWD/$build/bin
work=$PWD/$build/reduce-figures
rm -rf "$work"
mkdir -p "$work"
size=${1:-100000}
fail() {
  echo "reduce-figures: $*" >&2
  exit 1
}
"$bin/fintop_walk_case" write "$size" "$work/case.json"
FINTOP_TRACE_PLUGIN=$bin/libfintop.so FINTOP_TRACE_LOG=$work/session.jsonl \
  FINTOP_TRACE_SNAPSHOT=$work/snapshot.json "$bin/fintop-walk" "$work/case.json" \
  --plugin libfintop-trace.so >/dev/null
export FINTOP_ALTERED_REAL=$bin/libfintop.so FINTOP_ALTERED_CALLBACK=CTColumnFeeds
last=$(grep -n '^{"callback":"CTColumnFeeds"' "$work/session.jsonl" | tail -n 1 | cut -d: -f1)

# name|environment|options
rows=("first|-|-" "last|-|--call $last" "crash|FINTOP_ALTERED_CRASH=1|-")
for row in "${rows[@]}"; do
  IFS='|' read -r name environment options <<<"$row"
  [ "$environment" = - ] && environment=
  [ "$options" = - ] && options=
  # shellcheck disable=SC2086
  env $environment /usr/bin/time -f "%e %U %S %M" -o "$work/$name.time" "$bin/fintop-walk" \
    "$work/snapshot.json" --replay "$work/session.jsonl" --plugin "$bin/libfintop_altered.so" \
    --reduce "$work/$name" --json $options >"$work/$name.json" ||
    fail "$name: the reduction failed"
  set +e
  # shellcheck disable=SC2086
  (env $environment "$bin/fintop-walk" "$work/$name.case.json" --replay "$work/$name.log.jsonl" \
    --plugin "$bin/libfintop_altered.so" >"$work/$name.replay" 2>/dev/null; exit $?) 2>/dev/null
  echo $? >"$work/$name.status"
  set -e
done

/usr/bin/python3 - "$size" "$work" <<'PYTHON'
import datetime, json, sys
size, work = int(sys.argv[1]), sys.argv[2]
rows = []
for name, what in (("first", "the first call that differs"),
                   ("last", "the last call that differs (`--call`)"),
                   ("crash", "the first call, crashing (`abort`)")):
    doc = json.load(open(f"{work}/{name}.json"))
    elapsed, user, system, peak = open(f"{work}/{name}.time").read().split()
    status = int(open(f"{work}/{name}.status").read())
    replay = open(f"{work}/{name}.replay").read().splitlines()
    if name == "crash":
        if status <= 128:
            sys.exit(f"reduce-figures: {name}: the reduced case does not crash (exit {status})")
    elif status != 1 or not replay or replay[0] != doc["reduced_line"]:
        sys.exit(f"reduce-figures: {name}: the reduced replay gives {replay[:1]} (exit {status})")
    if doc["nodes_after"] > 50 or float(elapsed) > 60:
        sys.exit(f"reduce-figures: {name}: {doc['nodes_after']} nodes in {elapsed} s")
    rows.append(f"| {what} | {doc['call']['line']:,} | {doc['nodes_before']:,} -> "
                f"{doc['nodes_after']} | {doc['replays']} ({doc['kept_cuts']} kept) | "
                f"{doc['seconds']:.1f} s | {float(elapsed):.1f} s | "
                f"{float(user) + float(system):.1f} s | {int(peak) / 1024:.0f} MiB |")
table = "\n".join(rows)
section = f"""## fintop-walk --replay --reduce

A session of one generated case ({size:,} asked, {json.load(open(f"{work}/first.json"))["nodes_before"]:,}
host objects; `bench/case_generator.cpp`, seed 1) recorded through fintop-trace with its
snapshot, replayed against a plug-in changed in one column callback (`CTColumnFeeds` counts one
more; `tests/trace/altered_plugin.cpp`) and reduced with the defaults, release build, measured
by `scripts/reduce-figures.sh` ({datetime.date.today()}) on this shared 2-core machine, one
run each. The reduction's own time (`seconds` of `--json`: finding the call by replaying the log
in a child, then the tests) and, from `/usr/bin/time`, the whole run's elapsed and CPU time
(user + system) and peak resident set, reading the 55 MB log and the 13 MB snapshot among it.
Each reduced case replays its reduced log to the same line (the crash: crashes again). Goal:
at most 50 nodes, at most 60 s.

| call reduced | its line | nodes | replays | reduction | elapsed | CPU | peak |
|---|---|---|---|---|---|---|---|
{table}
"""
sys.path.insert(0, "scripts")
from benchmarks_section import write_section
write_section("## fintop-walk --replay --reduce", section)
print(section)
PYTHON
