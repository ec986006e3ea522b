#!/usr/bin/env bash
# fintop-trace's cost per callback call on the default plant's walk, by instruction count
# (valgrind's callgrind): the walk direct and through the proxy, with a log and without one.
# "bare" is what the callbacks themselves execute (collection toggled on inside CT*); through
# the proxy the same toggle counts what the proxy executes around each call (its CT* flips
# collection on, the real CT* inside flips it off). Prints the figures for BENCHMARKS.md's
# section "fintop-trace". Takes about half a minute.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-deps.sh build walk bench
cmake --preset release >/dev/null
cmake --build build/release --target fintop-walk fintop fintop-trace >/dev/null
bin=build/release/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

count() {  # NAME LOG [TOGGLE] -- WALK ARGS...: the run's instructions (LOG: the proxy's log)
  local name=$1 log=$2 toggle=()
  shift 2
  [ "$1" != "--" ] && { toggle=(--toggle-collect="$1"); shift; }
  shift
  (cd "$bin" && FINTOP_TRACE_LOG=$log valgrind --tool=callgrind --callgrind-out-file="$work/$name.out" "${toggle[@]}" \
    ./fintop-walk "$@" >/dev/null 2>"$work/$name.err")
  awk '/^totals:/ { print $2 }' "$work/$name.out"
}

export FINTOP_TRACE_PLUGIN=libfintop.so
direct=$(count direct "" --)
bare=$(count bare "" 'CT*' --)
nolog=$(count nolog "" -- --plugin libfintop-trace.so)
nolog_own=$(count nolog_own "" 'CT*' -- --plugin libfintop-trace.so)
logged=$(count logged "$work/session.log" -- --plugin libfintop-trace.so)
rm -f "$work/session.log"
logged_own=$(count logged_own "$work/session.log" 'CT*' -- --plugin libfintop-trace.so)
calls=$(grep -c "^{\"callback\"" "$work/session.log")

per() { echo $((($1 + $calls / 2) / $calls)); }
echo "callback calls of the walk: $calls"
echo "bare callback, per call: $(per "$bare")"
echo "proxy without a log, per call: whole walk $(per $((nolog - direct))) more; the proxy's own $(per "$nolog_own") (its first call loads the real plug-in)"
echo "proxy with a log, per call: whole walk $(per $((logged - direct))) more; the proxy's own $(per "$logged_own")"
