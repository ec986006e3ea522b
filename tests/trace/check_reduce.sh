#!/usr/bin/env bash
# fintop-walk SNAPSHOT --replay LOG --reduce PREFIX on the default plant recorded here through
# fintop-trace:  check_reduce.sh BIN ALTERED
# BIN holds fintop-walk, libfintop.so and libfintop-trace.so; ALTERED is the plug-in of
# altered_plugin.cpp (one callback answering otherwise, or crashing, by its environment). Each
# row reduces one difference and expects the reduced case's size, the reduced call's line, and
# that replaying the reduced log on the reduced case names that line again (exit 1), or crashes
# as the whole log did; the refusals give exit 2 and one line.
set -euo pipefail
bin=$1 altered=$2 tricky=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "check_reduce: $*" >&2
  exit 1
}
walk="$bin/fintop-walk"
env FINTOP_TRACE_PLUGIN="$bin/libfintop.so" FINTOP_TRACE_LOG="$work/plant.log" \
  FINTOP_TRACE_SNAPSHOT="$work/plant.json" "$walk" --plugin "$bin/libfintop-trace.so" \
  >/dev/null || fail "the walk of the plant through the proxy failed"
env FINTOP_TRACE_PLUGIN="$bin/libfintop.so" FINTOP_TRACE_LOG="$work/tricky.log" \
  FINTOP_TRACE_SNAPSHOT="$work/tricky.json" "$walk" "$tricky" --plugin "$bin/libfintop-trace.so" \
  >/dev/null || fail "the walk of $tricky through the proxy failed"
export FINTOP_ALTERED_REAL="$bin/libfintop.so"

# The logs of the rows, short so that the replays that find the call are quick: the plant's
# first 199 calls; the session ended inside its tenth call; the pump's counting call and its three
# selections, the coefficient curve's recorded otherwise (it answers so only after the count).
head -n 400 "$work/plant.log" >"$work/short.log"
head -n 21 "$work/plant.log" >"$work/inside.log"
n=$(grep -n '^{"callback":"CTPumpCurve".*"index":-1' "$work/plant.log" | head -n 1 | cut -d: -f1)
{ head -n 2 "$work/plant.log"; sed -n "$((n - 1)),$((n + 6))p" "$work/plant.log"; } |
  sed 's/"Name":"CoefficientCurve"/"Name":"Coefficients"/' >"$work/pump.log"
grep -q '"Name":"Coefficients"' "$work/pump.log" || fail "the pump's log was not altered"
second=$(grep -n '^{"callback":"CTHeatStreams"' "$work/short.log" | sed -n 2p | cut -d: -f1)
# The second of two streams named Feed counted otherwise: the first goes, so its address loses
# its "\#2".
n=$(grep -n '^{"callback":"CTComponentArray","node":"Tricky\\\\/Top/Feed\\\\#2","index":-1' \
  "$work/tricky.log" | head -n 1 | cut -d: -f1)
{ head -n 2 "$work/tricky.log"; sed -n "$((n - 1)),${n}p" "$work/tricky.log"; } |
  sed 's/"result":3/"result":4/' >"$work/namesake.log"
grep -q '"result":4' "$work/namesake.log" || fail "the namesake's log was not altered"
# The second Feed's component call recorded as landing on the first Feed: both must stay, and
# the reduced log names each by its address on the reduced case.
n=$(grep -n '^{"callback":"CTComponent","node":"Tricky\\\\/Top/Feed\\\\#2","move":0' \
  "$work/tricky.log" | head -n 1 | cut -d: -f1)
{ head -n 2 "$work/tricky.log"; sed -n "$((n - 1)),${n}p" "$work/tricky.log"; } |
  sed 's/"at":"Tricky\\\\\/Top\/Feed\\\\#2"/"at":"Tricky\\\\\/Top\/Feed"/' >"$work/moved.log"
grep -q '"at":"Tricky\\\\/Top/Feed",' "$work/moved.log" || fail "the moved log was not altered"
# The exchanger's hot side, its first call and the one that binds its four variables.
n=$(grep -n '^{"callback":"CTExchangerHot".*"move":1,.*"bindings":{"' "$work/plant.log" | head -n 1 | cut -d: -f1)
{ head -n 2 "$work/plant.log"; sed -n "$((n - 3)),${n}p" "$work/plant.log"; } >"$work/exchanger.log"

# name|snapshot|log|plug-in|environment|options|most nodes|calls kept|the reduced call's line (regex)
rows=(
  "heat_streams|plant.json|short.log|$altered|-|-|10|1|: call CTHeatStreams: result recorded false, now true\$"
  "second_call|plant.json|short.log|$altered|-|--call $second|10|1|: call CTHeatStreams: result recorded false, now true\$"
  "needs_its_count|plant.json|pump.log|libfintop.so|-|-|10|2|: call CTPumpCurve\\(2\\): attribute Name recorded \"Coefficients\", now \"CoefficientCurve\"\$"
  "crashes|plant.json|short.log|$altered|FINTOP_ALTERED_CALLBACK=CTKVML FINTOP_ALTERED_CRASH=1|-|10|1|: call CTKVML\\(move 0\\): crashes \\(replayed in a child process\\)\$"
  "namesake|tricky.json|namesake.log|libfintop.so|-|-|6|1|^Tricky\\\\/Top/Feed: call CTComponentArray\\(-1\\): result recorded 4, now 3\$"
  "moved_to_a_namesake|tricky.json|moved.log|libfintop.so|-|-|5|1|^Tricky\\\\/Top/Feed\\\\#2: call CTComponent\\(move 0\\): at recorded Tricky\\\\/Top/Feed, now Tricky\\\\/Top/Feed\\\\#2\$"
  "bounded|plant.json|short.log|$altered|-|--max-replays 2|5000|1|: call CTHeatStreams: result recorded false, now true\$"
  "bindings_swapped|plant.json|exchanger.log|$altered|FINTOP_ALTERED_CALLBACK=CTExchangerHot FINTOP_ALTERED_AS=CTExchangerCold|-|4|1|: call CTExchangerHot\\(move 1\\): binding DeltaT recorded \"Tube Side Delta T\", now \"Shell Side Delta T\"\$"
  "never_returned|plant.json|inside.log|libfintop.so|-|--json|10|1|: call CTHeatStreams: never returned in the field \\(the session ended inside it\\); here: result false, at "
)
for row in "${rows[@]}"; do
  IFS='|' read -r name snapshot log plugin environment options nodes kept wanted <<<"$row"
  [[ $plugin == /* ]] || plugin="$bin/$plugin"
  [ "$environment" = - ] && environment=
  [ "$options" = - ] && options=
  # shellcheck disable=SC2086
  env $environment "$walk" "$work/$snapshot" --replay "$work/$log" --plugin "$plugin" \
    --reduce "$work/$name" $options >"$work/$name.out" 2>"$work/$name.err" ||
    fail "$name: exit status $?: $(head -c 300 "$work/$name.err")"
  # What the plug-in says in the reducer's child processes is not shown.
  [ ! -s "$work/$name.err" ] || fail "$name: stderr is $(head -c 300 "$work/$name.err")"
  if [[ $options == *--json* ]]; then
    reduced=$(sed -n 's/^  "reduced_line": "\(.*\)",$/\1/p' "$work/$name.out" | sed 's/\\"/"/g')
    after=$(sed -n 's/^  "nodes_after": \([0-9]*\),$/\1/p' "$work/$name.out")
  else
    reduced=$(sed -n 's/^reduced: //p' "$work/$name.out")
    after=$(sed -n 's/^nodes: [0-9]* -> \([0-9]*\) .*/\1/p' "$work/$name.out")
  fi
  grep -Eq "$wanted" <<<"$reduced" || fail "$name: the reduced call's line is '$reduced'"
  [ -n "$after" ] && [ "$after" -le "$nodes" ] || fail "$name: $after nodes, more than $nodes"
  [ "$(grep -c '"begin"' "$work/$name.log.jsonl")" = "$kept" ] ||
    fail "$name: the log keeps not $kept calls: $(cat "$work/$name.log.jsonl")"
  # The reduced case is a case; the reduced log replays on it to the same line, or crashes.
  "$walk" "$work/$name.case.json" >/dev/null || fail "$name: the reduced case does not walk"
  set +e
  # shellcheck disable=SC2086
  (env $environment "$walk" "$work/$name.case.json" --replay "$work/$name.log.jsonl" \
    --plugin "$plugin" >"$work/$name.replay" 2>"$work/$name.replay.err"; exit $?) 2>/dev/null
  got=$?
  set -e
  if [ "$name" = crashes ]; then
    [ "$got" -gt 128 ] || fail "$name: the reduced log does not crash the plug-in (exit $got)"
  else
    [ "$got" = 1 ] || fail "$name: the reduced replay ends with $got: $(cat "$work/$name.replay.err")"
    # Between the line that says who recorded the session and the summary, the same
    # differences (their line in the reduced log aside).
    named=$(sed -e '1d' -e '/^replayed: /d' -e 's/ (log line [0-9]*)//' "$work/$name.replay")
    [ "$named" = "$reduced" ] || fail "$name: the reduced replay names $named, not $reduced"
  fi
  echo "ok $name: $after nodes, $(grep -Eo '"?replays"?: [0-9]+' "$work/$name.out")"
done
# The same difference as the whole log's replay gives for the call: the call and what differs.
"$walk" "$work/plant.json" --replay "$work/short.log" \
  --plugin "$altered" >"$work/whole.out" || true
[ "${reduced_heat:=$(sed -n 's/^reduced: [^:]*: //p' "$work/heat_streams.out")}" = \
  "$(sed -n '2{s/^[^:]*: //;s/ (log line [0-9]*)//;p}' "$work/whole.out")" ] ||
  fail "heat_streams: '$reduced_heat' is not the whole replay's $(sed -n 2p "$work/whole.out")"
grep -q "^call: line $second of " "$work/second_call.out" || fail "second_call: $(head -n 1 "$work/second_call.out")"
grep -q '^stopped: at the bound of 2 replays (--max-replays): the case may reduce further$' \
  "$work/bounded.out" || fail "bounded: $(cat "$work/bounded.out")"
# The reduced log's begin and call lines keep the thread they were recorded in.
[ "$(grep -c '"thread":1}$' "$work/heat_streams.log.jsonl")" = 2 ] ||
  fail "heat_streams: the reduced log's threads: $(cat "$work/heat_streams.log.jsonl")"
grep -q '^kept: the counting call at line ' "$work/needs_its_count.out" ||
  fail "needs_its_count: the counting call is not said to be kept"

# Refusals: exit 2, one line on stderr, nothing on stdout.
# name|log|plug-in|environment|options|stderr (regex)
refusals=(
  "no_difference|short.log|libfintop.so|-|-|short.log: every call answers as recorded on .*plant.json: nothing to reduce\$"
  "answers_as_recorded|short.log|libfintop.so|-|--call $second|short.log:$second: call CTHeatStreams on .* answers as recorded: nothing to reduce\$"
  "no_such_line|short.log|libfintop.so|-|--call 999999|short.log:999999: the log has no such line\$"
  "not_a_call|short.log|libfintop.so|-|--call 1|short.log:1: no call's line"
  "not_alone|short.log|$altered|FINTOP_ALTERED_FROM=2|-|: call CTHeatStreams on .* answers otherwise in the replay of the whole log, but not when replayed alone: its difference comes from other calls before it \(as from the order of calls across threads\), which a reduced case does not keep$"
  "hangs_past_the_time|short.log|$altered|FINTOP_ALTERED_CALLBACK=CTKVML FINTOP_ALTERED_HANG=1|--max-time 1|short.log: the replay took longer than 1 s \\(--max-time\\) before it came to the call\$"
  "bad_bound|short.log|libfintop.so|-|--max-replays 0|--max-replays 0: give a whole number above 0"
  "no_replay|-|libfintop.so|-|-|--reduce needs --replay LOG"
)
for row in "${refusals[@]}"; do
  IFS='|' read -r name log plugin environment options wanted <<<"$row"
  [[ $plugin == /* ]] || plugin="$bin/$plugin"
  [ "$environment" = - ] && environment=
  [ "$options" = - ] && options=
  set +e
  replay=(--replay "$work/$log")
  [ "$log" != - ] || replay=()
  # A call that hangs must not hang the reducer: a run cut by timeout ends 124.
  # shellcheck disable=SC2086
  timeout 60 env $environment "$walk" "$work/plant.json" "${replay[@]}" --plugin "$plugin" \
    --reduce "$work/$name" $options >"$work/$name.out" 2>"$work/$name.err"
  got=$?
  set -e
  [ "$got" = 2 ] || fail "$name: exit status $got, not 2 ($(head -c 300 "$work/$name.err"))"
  [ ! -s "$work/$name.out" ] || fail "$name: stdout is not empty"
  [ "$(wc -l <"$work/$name.err")" = 1 ] || fail "$name: stderr is not one line: $(cat "$work/$name.err")"
  grep -Eq -- "$wanted" "$work/$name.err" || fail "$name: stderr is $(cat "$work/$name.err")"
  [ ! -e "$work/$name.case.json" ] || fail "$name: a case was written"
  echo "ok $name"
done
echo "reduce: ${#rows[@]} rows, ${#refusals[@]} refusals"
