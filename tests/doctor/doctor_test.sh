#!/usr/bin/env bash
# fintop-doctor's cases: each makes a fresh folder as the zip and the stand-in framework make
# it (the build's modules, the plug-in, the doctor), changes one thing in it, runs the doctor
# there as a user does and checks its exit status and the line that must name the cause.
#   doctor_test.sh --bin DIR --doctor NAME --plugin NAME [--run EMULATOR] [--other DIR]
# DIR is the build's bin folder (bin/doctor/ holds the faulty modules). --other DIR, the bin
# folder of the other width, runs only the case of the plug-in among that width's modules.
set -euo pipefail

bin="" doctor="" plugin="" run=() other=""
while [ $# -gt 0 ]; do
  case "$1" in
    --bin) bin=$2; shift 2 ;;
    --doctor) doctor=$2; shift 2 ;;
    --plugin) plugin=$2; shift 2 ;;
    --run) run=("$2"); shift 2 ;;
    --other) other=$2; shift 2 ;;
    *) echo "doctor_test: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ -x "$bin/$doctor" ] || { echo "doctor_test: no $doctor in '$bin'" >&2; exit 2; }
bin=$(cd "$bin" && pwd)
[ -z "$other" ] || other=$(cd "$other" && pwd)
modules=$bin/doctor
case $plugin in
  *.dll) framework=FIIterator.dll qelutils=QELUtils.dll ;;
  *) framework=libFIIterator.so qelutils=libQELUtils.so ;;
esac
# The module a user forgets to copy: on 32-bit Windows the compiler's unwinder.
removed=$framework
[ -f "$bin/libgcc_s_dw2-1.dll" ] && removed=libgcc_s_dw2-1.dll

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# name | setup (run in the folder) | exit status | pattern of the line that names the cause
cases=(
  "the whole folder|:|0|^0 of 5 checks failed$"
  "the whole folder, JSON|json=1|0|\"failed\": 0,"
  "a module missing|rm $removed|1|^FAIL imports: $removed \(needed by [^)]*\) is not in the folder"
  "a framework of another version|cp \"$modules/lacking/$qelutils\" .|1|^FAIL imports: .*_ZN11FIAttribute6AppendEi"
  "a host module lacking an entry point|cp \"$modules/host/norvaneeng.dll\" norvaneeng.dll; cp norvaneeng.dll finadapt.dll|1|^FAIL host entry points: no host module provides \"TestIteratorX\""
  "a plug-in without an export|cp \"$modules/missing/$plugin\" .|1|^FAIL exports: $plugin does not export CTStreams:"
  "a plug-in with a decorated export|cp \"$modules/decorated/$plugin\" .|1|^FAIL exports: $plugin exports decorated names: _CTStreams \(for CTStreams\):"
  "a plug-in that is not a module|echo not a module >$plugin|2|$plugin: is not a module"
  "a truncated plug-in|head -c 3000 \"$bin/$plugin\" >$plugin|2|$plugin: is truncated or malformed"
  "an empty plug-in|: >$plugin|2|$plugin: is empty"
)
if [ -d "$modules/microsoft" ]; then
  cases+=("a framework of the Microsoft compiler|cp \"$modules/microsoft/$qelutils\" .|1|^FAIL imports: QELUtils.dll in the folder lacks 16 of the 16 names .* the Microsoft compiler's \(\?\.\.\.@@\.\.\.\) spelling")
fi
if [ -n "$other" ]; then
  # The other width's framework and host modules with this width's plug-in and doctor.
  cases=("the framework of the other width|for f in FIIterator.dll QELUtils.dll QELCOM.DLL norvaneeng.dll finadapt.dll; do cp \"$other/\$f\" .; done|1|^FAIL imports: FIIterator.dll, .* in the folder are [0-9]+-bit but $plugin is [0-9]+-bit")
fi

failed=0
n=0
for row in "${cases[@]}"; do
  IFS='|' read -r name setup status pattern <<<"$row"
  n=$((n + 1))
  dir=$work/$n
  mkdir "$dir"
  shopt -s nullglob
  cp "$bin"/*.dll "$bin"/*.DLL "$bin"/*.so "$bin/$doctor" "$dir"/
  shopt -u nullglob
  json=0
  pushd "$dir" >/dev/null
  if ! eval "$setup"; then
    echo "FAILED: $name: the setup failed"
    failed=1
    popd >/dev/null
    continue
  fi
  popd >/dev/null
  args=()
  [ "$json" = 1 ] && args=(--json)
  actual=0
  (cd "$dir" && "${run[@]}" "./$doctor" "${args[@]}") >"$work/out" 2>"$work/err" || actual=$?
  tr -d '\r' <"$work/out" >"$work/stdout"
  tr -d '\r' <"$work/err" >"$work/stderr"
  problem=""
  if [ "$actual" != "$status" ]; then
    problem="exit status $actual, not $status"
  elif [ "$status" = 2 ]; then
    # One line on stderr naming the file, nothing on stdout.
    if [ -s "$work/stdout" ] || [ "$(wc -l <"$work/stderr")" != 1 ] || ! grep -Eq -- "$pattern" "$work/stderr"; then
      problem="not the one line on stderr matching '$pattern'"
    fi
  else
    if ! grep -Eq -- "$pattern" "$work/stdout"; then
      problem="no line matches '$pattern'"
    elif [ "$status" = 1 ] && ! grep -q '^[1-5] of 5 checks failed$' "$work/stdout"; then
      problem="the last line does not count the failed checks"
    elif [ "$json" = 0 ] && grep -Evq '^(ok  |FAIL) [a-z -]+: |^[0-5] of 5 checks failed$' "$work/stdout"; then
      problem="a line that is neither a check nor the count"
    fi
  fi
  if [ -n "$problem" ]; then
    echo "FAILED: $name: $problem"
    sed 's/^/  | /' "$work/stdout" "$work/stderr"
    failed=1
  else
    echo "ok: $name"
  fi
done
exit $failed
