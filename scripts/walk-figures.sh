#!/usr/bin/env bash
# fintop-walk against the benchmark's whole walk, on the same generated cases (10^5 and 10^6
# host objects, seed 1), and writes the figures into the section "## fintop-walk" of
# BENCHMARKS.md. Instructions are counted with valgrind's callgrind, peak memory is the
# maximum resident set size from /usr/bin/time. Takes about a quarter of an hour. Then
# fintop-walk --diff of two saved documents of each case, into "## fintop-walk --diff".
#   scripts/walk-figures.sh [SIZE...]     (default: 100000 1000000)
#   WALK_FIGURES=diff scripts/walk-figures.sh [SIZE...]    only the --diff figures
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(scripts/figures-build.sh fintop-walk fintop_walk_case)
work=build/walk-figures
mkdir -p "$work"
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100000 1000000)

# Instructions of a whole run, and those inside one function (inclusive), under callgrind.
instructions() {  # OUT FUNCTION COMMAND...
  local out=$1 function=$2
  shift 2
  valgrind --tool=callgrind --callgrind-out-file="$out" "$@" >/dev/null 2>"$out.log" || true  # --diff exits 1 on a difference
  local total inside
  total=$(sed -n 's/.*refs: *//p' "$out.log" | tr -d ,)
  inside=$(callgrind_annotate --inclusive=yes "$out" 2>/dev/null |
    awk -v f="$function" '!done && index($0, f) { gsub(",", "", $1); print $1; done = 1 }')
  echo "$total ${inside:-0}"
}
peak_kb() {  # COMMAND...
  /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1
}

"$bin/fintop_walk_case" write 1000 "$work/case-1000.json"
if [ "${WALK_FIGURES:-all}" != diff ]; then
base_walk=$(peak_kb "$bin/fintop-walk" "$work/case-1000.json")
base_json=$(peak_kb "$bin/fintop-walk" "$work/case-1000.json" --json)
base_bench=$(peak_kb "$bin/fintop_walk_case" walk "$work/case-1000.json")

rows=()
for size in "${sizes[@]}"; do
  case_file=$work/case-$size.json
  "$bin/fintop_walk_case" write "$size" "$case_file"
  objects=$("$bin/fintop_walk_case" walk "$case_file" | awk '{ print $1 }')
  read -r bench_total bench_walk < <(instructions "$work/bench-$size.cg" "bench::WalkPlant(" \
    "$bin/fintop_walk_case" walk "$case_file")
  read -r tool_total tool_walk < <(instructions "$work/tool-$size.cg" "walk::Walker::Walk(" \
    "$bin/fintop-walk" "$case_file")
  tree=$(peak_kb "$bin/fintop-walk" "$case_file")
  json=$(peak_kb "$bin/fintop-walk" "$case_file" --json)
  bench=$(peak_kb "$bin/fintop_walk_case" walk "$case_file")
  rows+=("$size $objects $bench_total $bench_walk $tool_total $tool_walk $tree $json $bench")
  echo "size $size: ${rows[-1]}" >&2
done

/usr/bin/python3 - "$base_walk" "$base_json" "$base_bench" "${rows[@]}" <<'EOF'
import re, sys, datetime
base_walk, base_json, base_bench = (int(v) for v in sys.argv[1:4])
lines = []
def per_object(kb, base, objects):
    return round((kb - base) * 1024 / objects)
def g(n):
    return f"{n / 1e9:.2f} G" if n >= 1e9 else f"{n / 1e6:.0f} M"
for row in sys.argv[4:]:
    size, objects, bt, bw, tt, tw, tree, json, bench = (int(v) for v in row.split())
    lines.append(
        f"| {size:,} | {objects:,} | {g(tt)} / {g(bt)} = **{tt / bt:.2f}** | "
        f"{g(tw)} / {g(bw)} = {tw / bw:.2f} | **{per_object(tree, base_walk, objects)}** | "
        f"**{per_object(json, base_json, objects)}** | {per_object(bench, base_bench, objects)} |")
section = f"""## fintop-walk

What an integrator runs, against the benchmark's whole walk (`bench/plant_walk.cpp`), on the
same generated cases (`bench/case_generator.cpp`, seed 1, written to a file by
`fintop_walk_case write`). Measured by `scripts/walk-figures.sh` ({datetime.date.today()}, release
build, the default mapping, the tree output). Targets: at most 3 times the benchmark's
instructions; peak memory at most 400 bytes per host object for the tree and 600 with `--json`.

- **Instructions, whole run** (callgrind, each program from start to exit): both sides read the
  case from the same JSON file with the same loader (`hostsim::LoadCaseFile`; the benchmark
  side is `fintop_walk_case walk`), so loading counts on both. fintop-walk adds loading the
  plug-in and the mapping, the framework's steps and writing the output.
- **Instructions, walk only**: `walk::Walker::Walk` (the walk and writing the tree as it goes)
  against `bench::WalkPlant`; loading excluded on both sides. The two walks are not the same
  work: fintop-walk follows the mapping file (clones per step, values read, attributes and
  bindings compared before and after each call, the text written), the benchmark calls the
  callbacks directly.
- **Peak memory**: maximum resident set (`/usr/bin/time -f %M`) less that of the same program
  on a case of 1,000 objects, per host object. The case text is read whole before it is
  parsed, so part of each figure is the file (48 bytes per host object).

The targets are read on the whole run; the walk-only column shows what following the mapping
costs over calling the callbacks bare. Before the walk was made lean (the same measures at
10^5, on the code before): whole run 3.53 G against 1.08 G (3.28), walk only 1.47 G against
285 M (5.2), peak about 1,040 bytes per host object for the tree and 2,980 with `--json`: the
case was parsed twice, the iterator observer recorded every host operation, and the output
was built whole in memory before it was written.

| case size asked | host objects | instructions, whole run: walk / bench | walk only | peak B/object tree | `--json` | bench |
|---|---|---|---|---|---|---|
""" + "\n".join(lines) + "\n"
sys.path.insert(0, "scripts")
from benchmarks_section import write_section
write_section("## fintop-walk", section)
print(section)
EOF
fi

# --diff: the walk's --json document of each case against a copy with its first value changed
# (one difference), the two documents compared without a walk, against walking the case once
# (tree and --json). Instructions from callgrind (whole run), elapsed and CPU time from
# /usr/bin/time, peak resident set.
seconds() {  # COMMAND...: "elapsed user+system"
  { /usr/bin/time -f "%e %U %S" "$@" 2>&1 >/dev/null || true; } | tail -n 1 |
    awk '{ print $1, $2 + $3 }'
}
diff_rows=()
for size in "${sizes[@]}"; do
  case_file=$work/case-$size.json
  [ -f "$case_file" ] || "$bin/fintop_walk_case" write "$size" "$case_file"
  "$bin/fintop-walk" "$case_file" --json >"$work/doc-$size.json"
  sed '0,/"data": [0-9]/s/"data": \([0-9]\)/"data": 9\1/' "$work/doc-$size.json" \
    >"$work/doc-$size-changed.json"
  bytes=$(stat -c %s "$work/doc-$size.json")
  diff_cmd=("$bin/fintop-walk" --diff "$work/doc-$size.json" --new "$work/doc-$size-changed.json")
  read -r tree_i _ < <(instructions "$work/walk-$size.cg" main "$bin/fintop-walk" "$case_file")
  read -r json_i _ < <(instructions "$work/json-$size.cg" main "$bin/fintop-walk" "$case_file" --json)
  read -r diff_i _ < <(instructions "$work/diff-$size.cg" main "${diff_cmd[@]}")
  read -r tree_e tree_c < <(seconds "$bin/fintop-walk" "$case_file")
  read -r json_e json_c < <(seconds "$bin/fintop-walk" "$case_file" --json)
  read -r diff_e diff_c < <(seconds "${diff_cmd[@]}")
  tree_m=$(peak_kb "$bin/fintop-walk" "$case_file")
  json_m=$(peak_kb "$bin/fintop-walk" "$case_file" --json)
  diff_m=$(peak_kb "${diff_cmd[@]}" || true)
  diff_rows+=("$size $bytes $tree_i $json_i $diff_i $tree_e $tree_c $json_e $json_c $diff_e $diff_c $tree_m $json_m $diff_m")
  echo "diff $size: ${diff_rows[-1]}" >&2
done

/usr/bin/python3 - "${diff_rows[@]}" <<'EOF'
import re, sys, datetime
def g(n):
    return f"{n / 1e9:.2f} G" if n >= 1e9 else f"{n / 1e6:.0f} M"
lines = []
for row in sys.argv[1:]:
    v = row.split()
    size, nbytes, ti, ji, di = (int(x) for x in v[:5])
    te, tc, je, jc, de, dc = (float(x) for x in v[5:11])
    tm, jm, dm = (int(x) for x in v[11:14])
    lines.append(
        f"| {size:,} | {nbytes / 1e6:.0f} MB | {g(di)} / {g(ti)} = **{di / ti:.2f}** | "
        f"{g(di)} / {g(ji)} = **{di / ji:.2f}** | {de:.1f} / {te:.1f} / {je:.1f} s | "
        f"{dc:.1f} / {tc:.1f} / {jc:.1f} s | {dm / 1024:.0f} / {tm / 1024:.0f} / {jm / 1024:.0f} MiB: "
        f"**{dm / tm:.2f}**, **{dm / jm:.2f}** |")
section = f"""## fintop-walk --diff

Two saved documents of one generated case compared (`fintop-walk --diff DOC --new CHANGED`:
the case's `--json` document against a copy with its first value changed, one difference),
against walking that case once, as a tree and with `--json` (the walk that writes such a
document). Measured by `scripts/walk-figures.sh` ({datetime.date.today()}, release build;
`WALK_FIGURES=diff` runs only this part). Target: at most 2 times the walk's time and peak
memory.

- Each document is read once, as a stream, into compact records (48 bytes per model node,
  call, attribute and binding: hashes of the key, of the own members and of everything below,
  the byte offset, the parent and the end of its subtree); only where two records differ are
  their members read again from the file at that offset. Identical subtrees are passed over by
  their hash. The two documents are read at once, on two threads.
- Instructions: callgrind, whole run, both documents' reading included. Times: /usr/bin/time,
  elapsed and CPU (user + system), one run each on this shared 2-core machine: they move with
  the load, the instruction ratios do not. Peak memory: maximum resident set.

| case size asked | document | instructions: diff / tree walk | diff / `--json` walk | elapsed: diff / tree / `--json` | CPU: diff / tree / `--json` | peak: diff / tree / `--json`: to tree, to `--json` |
|---|---|---|---|---|---|---|
""" + "\n".join(lines) + "\n"
sys.path.insert(0, "scripts")
from benchmarks_section import write_section
write_section("## fintop-walk --diff", section)
print(section)
EOF
