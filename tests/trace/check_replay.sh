#!/usr/bin/env bash
# fintop-walk SNAPSHOT --replay LOG on sessions recorded here through fintop-trace:
#   check_replay.sh BIN ALTERED SMALL TRICKY CHECKER THREADS
# BIN holds fintop-walk, libfintop.so and libfintop-trace.so; ALTERED is a plug-in that turns
# CTHeatStreams' answer round (altered_plugin.cpp); SMALL a small case; TRICKY a case whose host
# names hold "/", "\", "\#2" and '"' and repeat among siblings; CHECKER is trace_log_check. The default plant is
# recorded once with its snapshot, the small case once with a snapshot cut at 3 nodes. Each row
# of the table replays a log (made from those by one change) and expects an exit status, the
# last line of stdout (or the one line of stderr) and how many lines name a difference.
set -euo pipefail
bin=$1 altered=$2 small=$3 tricky=$4 checker=$5 threads=$6
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "check_replay: $*" >&2
  exit 1
}
walk="$bin/fintop-walk"
record() {  # record LOG SNAPSHOT CASE [ENV...]: CASE walked through the proxy
  local log=$1 snapshot=$2 case=$3
  shift 3
  env FINTOP_TRACE_PLUGIN="$bin/libfintop.so" FINTOP_TRACE_LOG="$log" \
    FINTOP_TRACE_SNAPSHOT="$snapshot" "$@" "$walk" "$case" --plugin "$bin/libfintop-trace.so" \
    >/dev/null || fail "the walk of $case through the proxy failed"
}
plant="$bin/default.json"
record "$work/plant.log" "$work/plant.json" "$plant"
record "$work/small.log" "$work/small.json" "$small" FINTOP_TRACE_SNAPSHOT_NODES=3
calls=$(grep -c '^{"callback"' "$work/plant.log")
heat=$(grep -c '^{"callback":"CTHeatStreams"' "$work/plant.log")
# The calls of CTExchangerHot that bound a side (four variables each).
hot=$(grep '^{"callback":"CTExchangerHot"' "$work/plant.log" | grep -c '"bindings":{"' || true)
[ "$hot" -gt 0 ] || fail "no call of CTExchangerHot recorded a binding"

# The logs of the rows, each from the plant's by one change.
n=$(grep -n '^{"callback":"CTHeatStreams"' "$work/plant.log" | sed -n 3p | cut -d: -f1)
sed "${n}s/\"result\":false/\"result\":true/" "$work/plant.log" >"$work/altered.log"
cmp -s "$work/plant.log" "$work/altered.log" && fail "line $n of the log was not altered"
o=$(grep -n '^{"callback".*"result":true,"out":"' "$work/plant.log" | head -n 1 | cut -d: -f1)
sed "${o}s/\"out\":\"/\"out\":\"Other/" "$work/plant.log" >"$work/out.log"  # a class recorded otherwise
cmp -s "$work/plant.log" "$work/out.log" && fail "line $o of the log was not altered"
head -n -1 "$work/plant.log" >"$work/inside.log"  # the last call's line never written
head -c -40 "$work/plant.log" >"$work/cut.log"    # the host killed while it was written
sed '1s/"version":3/"version":1/' "$work/plant.log" >"$work/old.log"
# As version 2 wrote it: no bindings.
sed -e '1s/"version":3/"version":2/' -e 's/,"bindings":{[^}]*}//' "$work/plant.log" >"$work/v2.log"
grep -q '"bindings"' "$work/v2.log" && fail "the bindings of v2.log were not taken out"
cat "$work/small.log" "$work/small.log" >"$work/twice.log"  # two sessions appended to one log
# An integer held before a call beyond what an attribute holds (32 bits).
b=$(grep -m 1 -n '^{"callback".*"before":{"[^"]*":[0-9]' "$work/plant.log" | cut -d: -f1)
sed -E "${b}s/(\"before\":\{\"[^\"]*\":)[0-9]+/\14294967296/" "$work/plant.log" >"$work/wide.log"
cmp -s "$work/plant.log" "$work/wide.log" && fail "line $b of the log was not altered"
# The first call of CTFluidPhaseComponentArray as no callback, with an index beyond an int, and
# without what the iterator held before it.
f=$(grep -m 1 -n '^{"callback":"CTFluidPhaseComponentArray".*"index":-1,"before":{' "$work/plant.log" | cut -d: -f1)
[ -n "$f" ] || fail "no call of CTFluidPhaseComponentArray with index -1 and \"before\" in plant.log"
sed "${f}s/\"callback\":\"CTFluidPhaseComponentArray\"/\"callback\":\"CTNoSuch\"/" "$work/plant.log" >"$work/unknown.log"
sed "${f}s/\"index\":-1/\"index\":4294967296/" "$work/plant.log" >"$work/wide_index.log"
sed "${f}s/\"before\":{[^}]*},//" "$work/plant.log" >"$work/no_before.log"
# The first call that bound DeltaT, recorded without it; the log without its first line.
h=$(grep -m 1 -n '^{"callback".*"bindings":{"DeltaT":"[^"]*",' "$work/plant.log" | cut -d: -f1)
sed "${h}s/\"bindings\":{\"DeltaT\":\"[^\"]*\",/\"bindings\":{/" "$work/plant.log" >"$work/unbound.log"
cmp -s "$work/plant.log" "$work/unbound.log" && fail "line $h of the log was not altered"
tail -n +2 "$work/plant.log" >"$work/headless.log"
# The session ended inside two threads' calls, thread 2's begun first.
{ head -n 4 "$work/plant.log"; sed -n '5s/"thread":1}$/"thread":2}/p;7p' "$work/plant.log"; } >"$work/two_inside.log"
last_begin=$(tail -n 2 "$work/plant.log" | head -n 1)
last_node=$(sed 's/.*"node":"\([^"]*\)".*/\1/' <<<"$last_begin")

same="replayed: $calls calls, $calls answered as recorded, 0 differ"
one="replayed: $calls calls, $((calls - 1)) answered as recorded, 1 differs"
# name|snapshot|log|plug-in|status|last line (regex)|lines naming a call|environment (the clones
# the altered plug-in leaves alive are leaks on purpose, not for the sanitizer's leak check)
rows=(
  "recorded|plant.json|plant.log|libfintop.so|0|^$same\$|0"
  "one_answer_altered|plant.json|altered.log|libfintop.so|1|^$one\$|1"
  "one_out_altered|plant.json|out.log|libfintop.so|1|^$one\$|1"
  "plugin_altered|plant.json|plant.log|$altered|1|^replayed: $calls calls, $((calls - heat)) answered as recorded, $heat differ\$|$heat"
  "exchanger_swapped|plant.json|plant.log|$altered|1|^replayed: $calls calls, $((calls - hot)) answered as recorded, $hot differs?\$|$((4 * hot))|FINTOP_ALTERED_CALLBACK=CTExchangerHot FINTOP_ALTERED_AS=CTExchangerCold"
  "version_2|plant.json|v2.log|libfintop.so|0|^$same\$|0"
  "ended_inside_a_call|plant.json|inside.log|libfintop.so|1|^$one \\(1 never returned in the field\\)\$|1"
  "cut_mid_line|plant.json|cut.log|libfintop.so|1|^$one \\(1 never returned in the field\\)\$|1"
  "two_threads_inside|plant.json|two_inside.log|libfintop.so|1|^replayed: 3 calls, 1 answered as recorded, 2 differ \\(2 never returned in the field\\)\$|2"
  "another_snapshot|small.json|plant.log|libfintop.so|2|plant.log: recorded with the snapshot .*plant.json \\(digest [0-9a-f]{16}\\), and .*small.json is another|0"
  "snapshot_cut|small.json|small.log|libfintop.so|2|small.log:[0-9]+: a call on .*, a node that .*small.json lacks \\(the snapshot was cut: stopped at 3 nodes \\(FINTOP_TRACE_SNAPSHOT_NODES\\)|0"
  "old_log|plant.json|old.log|libfintop.so|2|old.log: a log of fintop-trace version 1, written before calls held the attributes|0"
  "not_a_log|plant.json|plant.json|libfintop.so|2|plant.json: a case \\(a host tree\\), not a fintop-trace log: the log and the snapshot are swapped\\? give the fintop-trace log after --replay|0"
  "no_log|plant.json|missing.log|libfintop.so|2|missing.log: cannot read the document|0"
  "held_beyond_32_bits|plant.json|wide.log|libfintop.so|2|wide.log:$b: .*held .* = 4294967296, which no attribute holds|0"
  "unknown_callback|plant.json|unknown.log|libfintop.so|2|unknown.log:$f: a call of CTNoSuch, which is no callback of fintop$|0"
  "index_beyond_int|plant.json|wide_index.log|libfintop.so|2|wide_index.log:$f: a call of CTFluidPhaseComponentArray whose \"index\" is no integer$|0"
  "without_before|plant.json|no_before.log|libfintop.so|2|no_before.log:$f: a call record without \"before\" .*: record the session again$|0"
  "clones_left|plant.json|plant.log|$altered|1|^replayed: $calls calls, $((calls - heat)) answered as recorded, $heat differs?\$|$heat|FINTOP_ALTERED_LEAK=1 ASAN_OPTIONS=detect_leaks=0"
  "binding_not_recorded|plant.json|unbound.log|libfintop.so|1|^$one\$|1"
  "headless|plant.json|headless.log|libfintop.so|2|headless.log: lacks the log's first line \\(\\{\"log\": \"fintop-trace\", \\.\\.\\.\\}\\)\$|0"
  "two_sessions|small.json|twice.log|libfintop.so|2|twice.log: holds 2 sessions \\(one \\{\"log\": ...\\} line each, at lines 1 and $(($(wc -l <"$work/small.log") + 1))\\): replay one session|0"
)
for row in "${rows[@]}"; do
  IFS='|' read -r name snapshot log plugin status wanted lines environment <<<"$row"
  [[ $plugin == /* ]] || plugin="$bin/$plugin"
  set +e
  env FINTOP_ALTERED_REAL="$bin/libfintop.so" $environment "$walk" "$work/$snapshot" --replay "$work/$log" \
    --plugin "$plugin" >"$work/$name.out" 2>"$work/$name.err"
  got=$?
  set -e
  cp "$work/$name.out" "$work/out"
  cp "$work/$name.err" "$work/err"
  [ "$got" = "$status" ] || fail "$name: exit status $got, not $status ($(head -c 300 "$work/err"))"
  if [ "$status" = 2 ]; then
    [ ! -s "$work/out" ] || fail "$name: stdout is not empty"
    [ "$(wc -l <"$work/err")" = 1 ] || fail "$name: stderr is not one line: $(cat "$work/err")"
    grep -Eq "$wanted" "$work/err" || fail "$name: stderr is $(cat "$work/err")"
  else
    grep -Eq "$wanted" <(tail -n 1 "$work/out") || fail "$name: the last line is $(tail -n 1 "$work/out")"
    named=$(grep -c ': call ' "$work/out" || true)
    [ "$named" = "$lines" ] || fail "$name: $named lines name a call, not $lines"
  fi
  echo "ok $name"
done
# --help shows the last line as the replay writes it.
summary=$(tail -n 1 "$work/recorded.out" |
  sed -E 's/[0-9]+ calls/N calls/; s/[0-9]+ answered/S answered/; s/[0-9]+ differ$/D differ/')
help=$("$walk" --help | tr -s ' \n' ' ')
[[ $help == *"\"$summary\""* ]] || fail "--help does not show \"$summary\""
# What the rows' lines name: the altered call, every call of CTHeatStreams and only those, the
# call the session ended inside (a cut last line is left out, with one line on stderr).
grep -q ": call CTHeatStreams\( #[0-9]*\)\? (log line $n): result recorded true, now false$" \
  "$work/one_answer_altered.out" ||
  fail "one_answer_altered names $(head -n 2 "$work/one_answer_altered.out")"
grep -q ": call .* (log line $o): out recorded \"Other[^\"]*\", now \"[^\"]*\"$" "$work/one_out_altered.out" ||
  fail "one_out_altered names $(head -n 2 "$work/one_out_altered.out")"
[ "$(grep ': call ' "$work/plugin_altered.out" | grep -vc ': call CTHeatStreams\(\| #[0-9]*\) (log line [0-9]*): result recorded ' || true)" = 0 ] ||
  fail "plugin_altered names other calls: $(grep ': call ' "$work/plugin_altered.out" | grep -v CTHeatStreams | head -n 2)"
[ "$(grep -c ': call CTHeatStreams (log line [0-9]*): 1 cloned iterator left alive$' "$work/clones_left.out")" = "$heat" ] ||
  fail "clones_left names $(sed -n 2p "$work/clones_left.out")"
grep -q ": call .* (log line $h): binding DeltaT recorded (none), now \"[^\"]*\"$" "$work/binding_not_recorded.out" ||
  fail "binding_not_recorded names $(sed -n 2p "$work/binding_not_recorded.out")"
# The swapped side: every line names a binding of CTExchangerHot, recorded and now each a side.
grep ': call ' "$work/exchanger_swapped.out" |
  grep -v ': call CTExchangerHot(move 1) (log line [0-9]*): binding [A-Za-z]* recorded "\(Tube\|Shell\) [^"]*", now "\(Tube\|Shell\) [^"]*"$' |
  head -n 2 | grep . && fail "exchanger_swapped names another difference"
grep -q 'binding DeltaT recorded "Shell Side Delta T", now "Tube Side Delta T"\|binding DeltaT recorded "Tube Side Delta T", now "Shell Side Delta T"' \
  "$work/exchanger_swapped.out" || fail "exchanger_swapped: DeltaT's side is not named"
# A log without bindings is replayed whole, and says once that they are not compared.
[ "$(cat "$work/version_2.err")" = "fintop-walk: $work/v2.log: a log of fintop-trace version 2, which recorded no bindings: the calls' bindings are not compared" ] ||
  fail "version_2: stderr is $(cat "$work/version_2.err")"
for row in ended_inside_a_call cut_mid_line; do
  grep -qF "$last_node: call " "$work/$row.out" || fail "$row: the unreturned call on $last_node is not named"
  grep -q "never returned in the field (the session ended inside it); here: result " "$work/$row.out" ||
    fail "$row: $(head -n 1 "$work/$row.out")"
done
# Calls under way together when the session ended: replayed in the order they began, each said
# to have overlapped the other.
[ "$(grep ': call ' "$work/two_threads_inside.out" | sed 's/: never returned .*, so its order among them is not known$//')" = \
  "$(printf '%s\n' 'Plant/Basis: call CTFlowsheets (log line 5)' 'Plant/Basis: call CTStreams (log line 6)')" ] ||
  fail "two_threads_inside: $(cat "$work/two_threads_inside.out")"
grep -q "the log's last line is cut off" "$work/cut_mid_line.err" ||
  fail "cut_mid_line: stderr is $(cat "$work/cut_mid_line.err")"
# The cut snapshot says so in itself and in the log, and is a case fintop-walk reads.
grep -q '"fintop-trace snapshot": "cut at 3 nodes: stopped at 3 nodes' "$work/small.json" ||
  fail "the cut snapshot does not say so"
grep -q '"cut":"stopped at 3 nodes' "$work/small.log" || fail "the log does not say the snapshot is cut"
"$walk" "$work/small.json" >/dev/null || fail "the cut snapshot is no case"

# Names that hold the address's own characters, and siblings of one name: the log's addresses
# name each node (the walk's records agree), and every call replays on its own node.
record "$work/tricky.log" "$work/tricky.json" "$tricky"
"$walk" "$tricky" --json --trace >"$work/tricky.walk" || fail "the walk of $tricky"
"$checker" "$work/tricky.walk" "$work/tricky.log" >/dev/null || fail "tricky: the log disagrees with the walk"
for address in 'Tricky\\/Top/Feed\\#2' 'Tricky\\/Top/A\\/B\\\\C' 'Tricky\\/Top/Feed\\\\#2"' \
  'Tricky\\/Top/Say \"Hi\""' 'Tricky\\/Top/Say \"Hi\"\\#2"'; do
  grep -qF "\"node\":\"$address" "$work/tricky.log" || fail "tricky: no call on $address"
done
tricky_calls=$(grep -c '^{"callback"' "$work/tricky.log")
[ "$("$walk" "$work/tricky.json" --replay "$work/tricky.log" | tail -n +2)" = \
  "replayed: $tricky_calls calls, $tricky_calls answered as recorded, 0 differ" ] ||
  fail "tricky: the replay differs"
echo "ok tricky names: $tricky_calls calls"

# The tricky session changed where only a sound comparison tells: the second CTComponent(move 1)
# on Feed recorded as if it had not moved (its "at"; "#2" names it), an attribute held before a
# call recorded as null (held and empty, as the replay holds it: no difference), one that a call
# recorded as null and never sets here (not held: a difference), the last call's line never
# written. --json: the differences and the whole summary, the recorded head aside.
feed='Tricky\\\\/Top/Feed'
n=$(grep -n "^{\"callback\":\"CTComponent\",\"node\":\"$feed\",\"move\":1," "$work/tricky.log" |
  sed -n 2p | cut -d: -f1)
m=$(grep -n "^{\"callback\":\"CTStreams\",\"node\":\"$feed\"," "$work/tricky.log" | head -n 1 |
  cut -d: -f1)
k=$(grep -n '^{"callback":"CTStreams","node":"Tricky\\\\/Top/A' "$work/tricky.log" | cut -d: -f1)
head -n -1 "$work/tricky.log" |
  sed -e "${n}s|/Comp Mole Frac/Elem1\",\"thread\"|\",\"thread\"|" \
    -e "${m}s|\"before\":{}|\"before\":{\"Seen\":null}|" \
    -e "${k}s|\"attributes\":{}|\"attributes\":{\"Seen\":null}|" >"$work/edited.log"
[ "$(diff "$work/tricky.log" "$work/edited.log" | grep -c '^>')" = 3 ] ||
  fail "edited.log: not three lines changed"
last=$(grep -c . "$work/edited.log")
set +e
"$walk" "$work/tricky.json" --replay "$work/edited.log" --json >"$work/edited.out" 2>"$work/err"
got=$?
set -e
[ "$got" = 1 ] || fail "edited: exit status $got: $(cat "$work/err")"
hi='Tricky\\/Top/Say \"Hi\"\\#2'
cat >"$work/edited.expected" <<END
{
  "differences": [
    {
      "group": "Tricky\\\\/Top/Feed",
      "where": "call CTComponent(move 1) #2 (log line $n)",
      "kind": "target changed",
      "text": "Tricky\\\\/Top/Feed: call CTComponent(move 1) #2 (log line $n): at recorded Tricky\\\\/Top/Feed, now Tricky\\\\/Top/Feed/Comp Mole Frac/Elem1",
      "old": "Tricky\\\\/Top/Feed",
      "new": "Tricky\\\\/Top/Feed/Comp Mole Frac/Elem1"
    },
    {
      "group": "Tricky\\\\/Top/A\\\\/B\\\\\\\\C",
      "where": "call CTStreams (log line $k)",
      "kind": "attribute changed",
      "text": "Tricky\\\\/Top/A\\\\/B\\\\\\\\C: call CTStreams (log line $k): attribute Seen recorded null, now (none)",
      "old": null,
      "new": null
    },
    {
      "group": "$hi",
      "where": "call CTPhaseComponentArray(-1) #2 (log line $last)",
      "kind": "call never returned",
      "text": "$hi: call CTPhaseComponentArray(-1) #2 (log line $last): never returned in the field (the session ended inside it); here: result 0, at $hi",
      "old": null,
      "new": 0
    }
  ],
  "recorded": (who),
  "summary": {
    "replayed": $tricky_calls,
    "same": $((tricky_calls - 3)),
    "differ": 3,
    "never_returned": 1
  }
}
END
sed 's/^  "recorded": "recorded .*",$/  "recorded": (who),/' "$work/edited.out" |
  diff "$work/edited.expected" - >&2 || fail "edited: the replay's --json differs as above"
echo "ok edited: $(tail -n 6 "$work/edited.out" | tr -d ' \n')"

# The snapshot's limits: a depth of N keeps the top and N levels below it (the tricky case is 3
# deep), a limit of 1 node the top alone; when both cut, the snapshot names the first.
deepest() {
  awk '/^ *"name": /{match($0, /^ */); d = (RLENGTH - 2) / 4; if (d > m) m = d} END {print m + 0}' "$1"
}
for row in "DEPTH=3|complete: 22 nodes|3" \
  "DEPTH=2|cut at 13 nodes: the nodes below depth 2 (FINTOP_TRACE_SNAPSHOT_DEPTH) are left out|2" \
  "NODES=1|cut at 1 nodes: stopped at 1 nodes (FINTOP_TRACE_SNAPSHOT_NODES): the nodes after that are left out|0" \
  "DEPTH=2 FINTOP_TRACE_SNAPSHOT_NODES=5|cut at 5 nodes: the nodes below depth 2 (FINTOP_TRACE_SNAPSHOT_DEPTH) are left out|2"; do
  IFS='|' read -r limit said depth <<<"$row"
  rm -f "$work/limited.log" "$work/limited.json"
  # shellcheck disable=SC2086 # a row may give two settings
  record "$work/limited.log" "$work/limited.json" "$tricky" FINTOP_TRACE_SNAPSHOT_$limit
  grep -qF "\"fintop-trace snapshot\": \"$said\"" "$work/limited.json" ||
    fail "$limit: the snapshot says $(grep 'fintop-trace snapshot' "$work/limited.json")"
  [ "$(deepest "$work/limited.json")" = "$depth" ] ||
    fail "$limit: the snapshot is $(deepest "$work/limited.json") deep, not $depth"
  [ "$limit" != DEPTH=3 ] || cmp -s "$work/limited.json" "$work/tricky.json" ||
    fail "$limit: not the whole snapshot"
done
echo "ok snapshot limits"

# Two threads' counting calls of CTActiveReactions overlapping (set #1's ends last), then set #0's
# selection alone: replayed in the log's order it selects from set #1's count, and its line says
# that the count's order was not known, though the selection itself overlapped nothing.
pick() {  # pick begin|callback SET INDEX [THREAD]: that line of the plant's log
  grep -m1 -F "{\"$1\":\"CTActiveReactions\",\"node\":\"Plant/Basis/ReactionPackage/ReactionSetList/ReactionSet#$2\",\"index\":$3," \
    "$work/plant.log" | sed "s/\"thread\":[0-9]*}\$/\"thread\":${4:-1}}/"
}
{ head -n 2 "$work/plant.log"; pick begin 0 -1; pick begin 1 -1 2; pick callback 0 -1
  pick callback 1 -1 2; pick begin 0 2; pick callback 0 2; } >"$work/counts.log"
[ "$(grep -c . "$work/counts.log")" = 8 ] || fail "counts.log: not the eight lines asked for"
set +e
"$walk" "$work/plant.json" --replay "$work/counts.log" >"$work/out" 2>"$work/err"
got=$?
set -e
[ "$got" = 1 ] && [ "$(grep -c ': call ' "$work/out")" -ge 1 ] &&
  [ "$(grep ': call ' "$work/out" | grep -vc ': call CTActiveReactions(2) (log line 8): .*; in the field the count it selects from was made by a call that ran while calls of other threads began or ended, so its order among them is not known$')" = 0 ] ||
  fail "counts: exit status $got: $(cat "$work/out" "$work/err")"
echo "ok counts overlapped: $(grep -c ': call ' "$work/out") lines"

# Four threads at once: their calls replay in the log's order. A call of the three callbacks
# whose process-wide count another thread's count can change in between may answer otherwise;
# every call that does must say that its order among the other threads' calls is not known.
FINTOP_TRACE_PLUGIN="$bin/libfintop.so" FINTOP_TRACE_LOG="$work/threads.log" \
  FINTOP_TRACE_SNAPSHOT="$work/threads.json" "$threads" "$bin/libfintop-trace.so" "$plant" \
  "$bin/norvanemap.xml" || fail "threads: the walks through the proxy failed"
[ "$(grep -o '"thread":[0-9]*}$' "$work/threads.log" | sort -u | wc -l)" = 4 ] ||
  fail "threads: the log holds not four threads' calls"
set +e
"$walk" "$work/threads.json" --replay "$work/threads.log" >"$work/out" 2>"$work/err"
got=$?
set -e
threads_calls=$(grep -c '^{"callback"' "$work/threads.log")
case $got in
  0) ;;
  1) unexplained=$(grep ': call ' "$work/out" | grep -v 'so its order among them is not known$' |
       head -n 3 || true)
     [ -z "$unexplained" ] || fail "threads: differences not put down to the order: $unexplained"
     grep ': call ' "$work/out" |
       grep -v ': call \(CTDewPointCurve\|CTBubblePointCurve\|CTHydratePointCurve\|CTPumpCurve\|CTEfficiencyCurve\|CTNPSHCurve\|CTNPSHCurvePoint\|CTActiveReactions\)(' |
       head -n 3 | grep . && fail "threads: a call outside the counted callbacks differs" ;;
  *) fail "threads: exit status $got: $(cat "$work/err")" ;;
esac
echo "ok threads: $threads_calls calls of 4 threads, $(tail -n 1 "$work/out")"
echo "replay: ${#rows[@]} rows"
