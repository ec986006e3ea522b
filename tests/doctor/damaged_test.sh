#!/usr/bin/env bash
# The doctor on damaged copies of the built plug-in: each copy has 1 to 8 bytes changed, most
# in the headers (half in the first 4 KiB, 1 KiB for a PE; one in four in the last 8 KiB,
# where ELF keeps its section headers; one in four anywhere), with a fixed seed, and lies in a folder with the stand-in
# framework. Every run must end by itself within the time limit with exit status 0 or 1 and
# its five check lines and the count (nothing on stderr), or, for a copy that is no module any
# more, exit status 1 and its plug-in check's FAIL line with the count: no signal, no loader
# abort, no hang, no exit status 2.
#   damaged_test.sh --bin DIR --doctor NAME --plugin NAME [--run EMULATOR] [--copies N]
#                   [--seed N] [--seconds N]
# --seconds is the load check's time limit (FINTOP_DOCTOR_LOAD_SECONDS); a run may take it
# and 60 s more before it counts as a hang.
set -euo pipefail

bin="" doctor="" plugin="" run=() copies=50 seed=28 seconds=10
while [ $# -gt 0 ]; do
  case "$1" in
    --bin) bin=$2; shift 2 ;;
    --doctor) doctor=$2; shift 2 ;;
    --plugin) plugin=$2; shift 2 ;;
    --run) run=("$2"); shift 2 ;;
    --copies) copies=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    *) echo "damaged_test: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ -x "$bin/$doctor" ] || { echo "damaged_test: no $doctor in '$bin'" >&2; exit 2; }
[ -f "$bin/$plugin" ] || { echo "damaged_test: no $plugin in '$bin'" >&2; exit 2; }
bin=$(cd "$bin" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
folder=$work/folder
mkdir "$folder"
shopt -s nullglob
cp "$bin"/*.dll "$bin"/*.DLL "$bin"/*.so "$bin/$doctor" "$folder"/
shopt -u nullglob
size=$(stat -c %s "$bin/$plugin")
# A PE's headers end within the first KiB, an ELF's program headers and dynamic tables within
# the first 4 KiB.
headers=4096
case $plugin in *.dll) headers=1024 ;; esac
export FINTOP_DOCTOR_LOAD_SECONDS=$seconds

# $RANDOM from the seed, never in a subshell (which would seed it anew).
RANDOM=$seed
failed=0 crashed=0 aborted=0 hung=0 refused=0 unreadable=0 passed=0 other=0
check_lines='^(ok  |FAIL) (plug-in|exports|imports|host entry points|load): '
for ((copy = 1; copy <= copies; copy++)); do
  cp "$bin/$plugin" "$folder/$plugin"
  changes=$((RANDOM % 8 + 1)) where=""
  for ((i = 0; i < changes; i++)); do
    case $((RANDOM % 4)) in
      0 | 1) at=$((((RANDOM << 16) ^ (RANDOM << 1) ^ RANDOM) % (size < headers ? size : headers))) ;;
      2) at=$((size - 1 - ((RANDOM << 16) ^ (RANDOM << 1) ^ RANDOM) % (size < 8192 ? size : 8192))) ;;
      *) at=$((((RANDOM << 16) ^ (RANDOM << 1) ^ RANDOM) % size)) ;;
    esac
    byte=$((RANDOM % 256))
    printf "\\x$(printf %02x $byte)" | dd of="$folder/$plugin" bs=1 seek=$at conv=notrunc status=none
    where+=" $at=$byte"
  done
  status=0
  (cd "$folder" && timeout -k 5 $((seconds + 60)) "${run[@]}" "./$doctor") \
    >"$work/out" 2>"$work/err" || status=$?
  tr -d '\r' <"$work/out" >"$work/stdout"
  tr -d '\r' <"$work/err" >"$work/stderr"
  problem=""
  case $status in
    0 | 1)
      if [ -s "$work/stderr" ]; then
        problem="exit status $status with output on stderr"
      elif [ "$status" = 1 ] && [ "$(wc -l <"$work/stdout")" = 2 ] &&
        grep -q "^FAIL plug-in: $plugin .*: put the $plugin of the zip in the folder\$" "$work/stdout" &&
        [ "$(tail -n 1 "$work/stdout")" = "1 of 1 check failed" ]; then
        :  # no module: its one check
      elif [ "$(wc -l <"$work/stdout")" != 6 ] || [ "$(grep -Ec "$check_lines" "$work/stdout")" != 5 ] ||
        ! tail -n 1 "$work/stdout" | grep -Eq "^$status"'?[0-5] of 5 checks failed$' ||
        { [ "$status" = 0 ] && ! grep -q '^0 of 5' "$work/stdout"; } ||
        { [ "$status" = 1 ] && grep -q '^0 of 5' "$work/stdout"; }; then
        problem="exit status $status without the five check lines and their count"
      fi ;;
    124 | 137) problem="did not end within $((seconds + 60)) s" ;;
    *) problem="ended with exit status $status (a signal or an abort)" ;;
  esac
  if [ -n "$problem" ]; then
    echo "FAILED: copy $copy (offset=byte:$where): $problem"
    sed 's/^/  | /' "$work/stdout" "$work/stderr"
    failed=1
    continue
  fi
  grep -h "^FAIL load" "$work/stdout" | cut -c1-300 >>"${DAMAGED_LOG:-/dev/null}" || true
  if grep -q '^FAIL load: the loader crashed' "$work/stdout"; then crashed=$((crashed + 1))
  elif grep -q '^FAIL load: the loader aborted' "$work/stdout"; then aborted=$((aborted + 1))
  elif grep -q '^FAIL load: .* did not finish loading within' "$work/stdout"; then hung=$((hung + 1))
  elif grep -q '^FAIL load: .* does not load' "$work/stdout"; then refused=$((refused + 1))
  elif grep -q '^1 of 1 check failed$' "$work/stdout"; then unreadable=$((unreadable + 1))
  elif [ "$status" = 0 ]; then passed=$((passed + 1))
  else other=$((other + 1))
  fi
done
echo "$copies damaged copies of $plugin: $unreadable refused as no module," \
  "$crashed loader crashes, $aborted loader aborts, $hung loads stopped at the time limit," \
  "$refused refused by the loader, $other other failed checks, $passed passing every check"
exit $failed
