#!/usr/bin/env bash
# Builds and runs every test leg; what CI runs. Each leg is a script in scripts/legs/, run in
# name order; ./test.sh LEG... runs only the legs whose names contain one of the words given.
set -uo pipefail
cd "$(dirname "$0")"
scripts/ensure-deps.sh || exit 1
export FINTOP_DEPS_TRIED=1  # the legs need not try again an optional package that failed
# Every program the legs call must come from a package the install step names: a green run on a
# used machine must not hide a missing step.
scripts/check-deps.sh || exit 1

# What a leg could not run (a program of a width whose Wine is missing, say): one line each in
# this file, shown again at the end. Never counted as passed.
export FINTOP_NOT_RUN="$PWD/build/legs/not-run.txt"
mkdir -p "$(dirname "$FINTOP_NOT_RUN")"
: >"$FINTOP_NOT_RUN"

passed=0
failed=0
failed_legs=()
for leg in scripts/legs/*.sh; do
  name=$(basename "$leg" .sh)
  if [ $# -gt 0 ]; then
    wanted=0
    for word in "$@"; do [[ "$name" == *"$word"* ]] && wanted=1; done
    [ $wanted -eq 1 ] || continue
  fi
  echo "=== leg $name"
  start=$(date +%s)
  if bash "$leg"; then
    passed=$((passed + 1))
    echo "=== leg $name passed ($(( $(date +%s) - start ))s)"
  else
    failed=$((failed + 1))
    failed_legs+=("$name")
    echo "=== leg $name FAILED ($(( $(date +%s) - start ))s)"
  fi
done

sed 's/^/not run: /' "$FINTOP_NOT_RUN"
[ $failed -eq 0 ] || echo "failed legs: ${failed_legs[*]}"
echo "legs: $passed passed, $failed failed"
[ $failed -eq 0 ]
