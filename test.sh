#!/usr/bin/env bash
# Builds and runs every test leg; what CI runs. Each leg is a script in scripts/legs/;
# ./test.sh LEG... runs only the legs whose names contain one of the words given.
#
# The legs run in two lanes side by side, each lane its legs in order. A leg alone leaves one of
# the two cores idle for long stretches (linking, a fuzzer or callgrind on one thread, Wine
# starting programs, a long test at the end of a suite); the other lane's leg takes it. Legs
# that build in the same folder take turns through that folder's lock (flock on
# build/NAME.lock), whichever lane they are in. Each leg's output is held in
# build/legs/NAME.log and shown whole when the leg ends, with its time and CPU time.
# FINTOP_LANES=1 runs the legs one after the other.
set -uo pipefail
cd "$(dirname "$0")"
# What the first lane's first leg builds with, before the lanes start; each leg installs the rest
# of what it needs itself (scripts/ensure-deps.sh takes one at a time), so that on a fresh machine
# the Windows leg's Wine and cross compilers install while the unit leg compiles.
scripts/ensure-deps.sh build walk unit doctor clang bench || exit 1
# An optional package that failed is tried once per run, by the first leg that needs it; what an
# earlier run recorded of it is forgotten.
rm -f build/deps/*.not-installed
export FINTOP_DEPS_TRIED=1

logs=build/legs
mkdir -p "$logs"
# What a leg could not run (a program of a width whose Wine is missing, say): one line each in
# this file, shown again at the end. Never counted as passed.
export FINTOP_NOT_RUN="$PWD/$logs/not-run.txt"
: >"$FINTOP_NOT_RUN"
results=$logs/results.txt
: >"$results"

# The legs wanted, in name order.
legs=()
for leg in scripts/legs/*.sh; do
  name=$(basename "$leg" .sh)
  if [ $# -gt 0 ]; then
    wanted=0
    for word in "$@"; do [[ "$name" == *"$word"* ]] && wanted=1; done
    [ $wanted -eq 1 ] || continue
  fi
  legs+=("$leg")
done

# The second lane: the Windows builds, then the fuzzers, two at a time, which keep both cores busy
# once the first lane is done; every other leg goes to the first (the unit, ThreadSanitizer and
# benchmark legs: the last counts instructions on one core, and finds the release plug-in the unit
# leg built). The two lanes take about as long. The folders both use (the Linux walk's
# build/asan, the release build) are behind their locks.
second_lane="40-windows 30-fuzz"
lane1=() lane2=()
for leg in "${legs[@]}"; do
  name=$(basename "$leg" .sh)
  if [ "${FINTOP_LANES:-2}" != 1 ] && [[ " $second_lane " == *" $name "* ]]; then
    lane2+=("$leg")
  else
    lane1+=("$leg")
  fi
done
# In the second lane's order.
ordered=()
for name in $second_lane; do
  for leg in "${lane2[@]}"; do [ "$(basename "$leg" .sh)" = "$name" ] && ordered+=("$leg"); done
done
lane2=("${ordered[@]}")
# Two lanes share the cores: each builds and tests with two jobs at a time.
if [ ${#lane1[@]} -gt 0 ] && [ ${#lane2[@]} -gt 0 ]; then
  export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}
fi

# The CPU time, user and system, of a shell's finished children in whole seconds, from what
# `times` wrote to FILE (`times` itself must run in that shell, not in a $(...) of it).
children_cpu() {
  awk 'NR == 2 {
    total = 0
    for (i = 1; i <= 2; i++) { split($i, t, /[ms]/); total += t[1] * 60 + t[2] }
    printf "%d\n", total }' "$1"
}

# run_leg SCRIPT: the leg, its output held in its log and printed whole when it ends (one
# leg's at a time), with its time and the CPU time it took; its name and exit status go to the
# results.
run_leg() {
  local leg=$1 name start status=0 took
  name=$(basename "$leg" .sh)
  echo "--- leg $name started" | flock "$logs/print.lock" cat
  start=$(date +%s)
  times >"$logs/$name.cpu-before"
  bash "$leg" >"$logs/$name.log" 2>&1 </dev/null || status=$?
  times >"$logs/$name.cpu-after"
  took="$(($(date +%s) - start))s, CPU $(($(children_cpu "$logs/$name.cpu-after") - $(children_cpu "$logs/$name.cpu-before")))s"
  {
    echo "=== leg $name"
    cat "$logs/$name.log"
    if [ $status -eq 0 ]; then
      echo "=== leg $name passed ($took)"
    else
      echo "=== leg $name FAILED ($took, exit status $status)"
    fi
  } | flock "$logs/print.lock" cat
  echo "$name $status" >>"$results"
}
run_lane() {
  local leg
  for leg in "$@"; do run_leg "$leg"; done
}

start=$(date +%s)
pids=()
trap 'kill -- "${pids[@]/#/-}" 2>/dev/null; exit 130' INT TERM
for lane in lane1 lane2; do
  declare -n members=$lane
  if [ ${#members[@]} -gt 0 ]; then
    set -m  # each lane in a process group of its own, so that an interrupt stops all of it
    run_lane "${members[@]}" &
    pids+=($!)
    set +m
  fi
  unset -n members
done
wait "${pids[@]}"

passed=0 failed=0 failed_legs=()
for leg in "${legs[@]}"; do
  name=$(basename "$leg" .sh)
  status=$(awk -v n="$name" '$1 == n { print $2 }' "$results")
  if [ "$status" = 0 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))  # a leg without a result never finished: it failed too
    failed_legs+=("$name")
  fi
done
# Every program the legs called must come from a package the install step names: a green run on
# a used machine must not hide a missing step. Checked last, when every leg has installed what it
# asked for.
if ! scripts/check-deps.sh; then
  failed=$((failed + 1))
  failed_legs+=(check-deps)
fi
sed 's/^/not run: /' "$FINTOP_NOT_RUN"
[ $failed -eq 0 ] || echo "failed legs: ${failed_legs[*]}"
echo "legs: $passed passed, $failed failed, in $(($(date +%s) - start))s"
[ $failed -eq 0 ]
