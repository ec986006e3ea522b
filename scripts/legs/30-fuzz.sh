#!/usr/bin/env bash
# Every fuzz target (fuzz/CMakeLists.txt): fuzz_callbacks with fuzz/corpus and fuzz/regressions,
# and fuzz_<name> for each folder fuzz/<name>/ with a corpus/ (and regressions/, a dictionary
# <name>.dict). Each target's kept inputs are replayed first; then each target runs a fixed
# number of new inputs (`runs` below) from a fixed seed, two targets at a time: the same inputs
# on every run, whatever else the machine is doing (./test.sh runs another leg alongside). A
# crash, an overrun, a hang (10 s) or a broken promise of any target fails the leg, with the
# fuzzer's own exit status kept; the input that found it is left in build/fuzz/findings/<name>/.
# Last, README's command that fuzzes one target longer, as it shows it.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/ensure-deps.sh build walk doctor clang
# The new inputs of each target: about 4 s of one core each on the 2-core machine of the
# README's figures, 30 s in all (counted again on 2026-12-10, when the earlier counts had come
# to take 62 s). A target not listed runs 10000; FINTOP_FUZZ_RUNS_PERCENT scales them all
# (default 100).
declare -A runs=([callbacks]=5800 [case]=12000 [mapping]=20000 [trace_settings]=11000
                 [documents]=5300 [doctor_elf]=110000 [doctor_pe]=98000)
percent=${FINTOP_FUZZ_RUNS_PERCENT:-100}
# A target still running after this long has hung in a way the per-input limit cannot see.
cap=600
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
findings=build/fuzz/findings
work=build/fuzz/corpus-work
logs=build/fuzz/logs
rm -rf "$findings" "$work" "$logs"
mkdir -p "$logs"

names=(callbacks)
for dir in fuzz/*/corpus; do
  [ -d "$dir" ] && names+=("$(basename "$(dirname "$dir")")")
done
# name -> its kept inputs and dictionary
corpus_of() { if [ "$1" = callbacks ]; then echo fuzz/corpus; else echo "fuzz/$1/corpus"; fi; }
regressions_of() { if [ "$1" = callbacks ]; then echo fuzz/regressions; else echo "fuzz/$1/regressions"; fi; }
dict_of() { if [ "$1" = callbacks ]; then echo fuzz/host_names.dict; else echo "fuzz/$1/$1.dict"; fi; }

# The leg's exit status: the first failing fuzzer's own (1 when that was 0).
failed=0
fail() {  # fail NAME LOG STATUS WHAT: the fuzzer's last lines and why
  echo "fuzz_$1: $4" >&2
  tail -n 30 "$2" >&2
  [ "$failed" -ne 0 ] || failed=$3
  [ "$failed" -ne 0 ] || failed=1
}

# The kept inputs, every target: a target without its program was not built and fails the leg.
for name in "${names[@]}"; do
  fuzzer=build/fuzz/bin/fuzz_$name
  if [ ! -x "$fuzzer" ]; then
    echo "fuzz_$name: not built (fuzz/$name has a corpus; fuzz/CMakeLists.txt builds none)" >&2
    failed=1
    continue
  fi
  inputs=("$(corpus_of "$name")")
  [ -d "$(regressions_of "$name")" ] && inputs+=("$(regressions_of "$name")")
  mkdir -p "$findings/$name"
  status=0
  "$fuzzer" -runs=0 -rss_limit_mb=4096 -artifact_prefix="$findings/$name/" "${inputs[@]}" \
    >"$logs/$name-replay.log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    fail "$name" "$logs/$name-replay.log" "$status" "a kept input fails (exit status $status)"
  else
    echo "fuzz_$name: $(grep -E '^Done' "$logs/$name-replay.log" | tail -n 1) (kept inputs)"
  fi
done
[ "$failed" -eq 0 ] || exit "$failed"

# Then the fuzzing, FINTOP_FUZZ_JOBS targets at a time (default 2: a fuzzer runs on one thread).
jobs=${FINTOP_FUZZ_JOBS:-2}
runs_of() { echo $(( ${runs[$1]:-10000} * percent / 100 )); }
fuzz() {  # fuzz NAME: one target's fuzzing, its exit status in $logs/NAME.status
  local name=$1 fuzzer=build/fuzz/bin/fuzz_$1 status=0
  mkdir -p "$findings/$name" "$work/$name"
  local options=(-seed=1 -runs="$(runs_of "$name")" -max_total_time=$cap -timeout=10
                 -max_len=65536 -rss_limit_mb=4096
                 -artifact_prefix="$findings/$name/" -print_final_stats=1)
  [ -f "$(dict_of "$name")" ] && options+=(-dict="$(dict_of "$name")")
  local inputs=("$(corpus_of "$name")")
  [ -d "$(regressions_of "$name")" ] && inputs+=("$(regressions_of "$name")")
  "$fuzzer" "${options[@]}" "$work/$name" "${inputs[@]}" >"$logs/$name.log" 2>&1 || status=$?
  echo "$status" >"$logs/$name.status"
}
running=0
for name in "${names[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  fuzz "$name" &
  running=$((running + 1))
done
wait
for name in "${names[@]}"; do
  status=$(cat "$logs/$name.status" 2>/dev/null || echo "none")
  executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$logs/$name.log" | tail -n 1)
  fresh=$(find "$work/$name" -type f | wc -l)
  stopped=""
  [ "${executed:-0}" -ge "$(runs_of "$name")" ] || stopped=" (stopped after $cap s)"
  echo "fuzz_$name: ${executed:-?} executions of $(runs_of "$name")$stopped, $fresh new inputs"
  if compgen -G "$findings/$name/*" >/dev/null; then
    fail "$name" "$logs/$name.log" "$status" "found a fault (exit status $status); the input is in $findings/$name: $(ls "$findings/$name" | tr '\n' ' ')"
  elif [ "$status" = none ]; then
    fail "$name" "$logs/$name.log" 1 "the fuzzer gave no exit status"
  elif [ "$status" -ne 0 ]; then
    fail "$name" "$logs/$name.log" "$status" "the fuzzer failed (exit status $status) without leaving an input"
  fi
done
[ "$failed" -eq 0 ] || exit "$failed"

# README's command that fuzzes one target longer, as it shows it (2 s); the unit suite skips it.
start=$(date +%s)
bash tests/scripts/readme_test.sh --run fuzz --bin fuzz=build/fuzz/bin README.md CMakePresets.json
echo "README's fuzz command: $(($(date +%s) - start)) s"
