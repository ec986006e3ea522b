#!/usr/bin/env bash
# The default plant walked through fintop-trace against the walk without it:
#   check_proxy_walk.sh BIN PROXY REAL CHECKER [RUNNER] [EXPECTED] [LINUX_BIN]
# BIN holds fintop-walk (fintop-walk.exe when RUNNER is given, e.g. wine), the proxy PROXY and
# the real plug-in REAL (file names in BIN). EXPECTED: a folder of the direct walk's outputs
# (tests/walk/default_{tree,json,trace}.expected), which then are not made again. The tree, the JSON document and the text trace
# through the proxy are the direct walk's byte for byte (the trace shows every move, attribute
# and binding on the caller's iterator: the proxy added none), and CHECKER (trace_log_check)
# finds the log's records in agreement with the direct --json --trace. Natively, the settings
# file beside a copy of the proxy names the log and the real plug-in. The session records its
# snapshot: the Linux fintop-walk (in LINUX_BIN, default BIN) walks it as the plant, byte for
# byte, and replays the log on it with every call answered as recorded.
set -euo pipefail
bin=$1 proxy=$2 real=$3 checker=$4 runner=${5:-} expected=${6:-} linux_bin=${7:-$1}
walk=./fintop-walk
[ -n "$runner" ] && walk=./fintop-walk.exe
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "check_proxy_walk: $*" >&2
  exit 1
}
# A path as the walk's platform spells it.
native() { if [ -n "$runner" ]; then winepath -w "$1"; else echo "$1"; fi; }

run() {  # run NAME ARGS...: the walk's stdout into $work/NAME, without carriage returns
  local name=$1
  shift
  (cd "$bin" && $runner $walk "$@") >"$work/$name.raw" || fail "fintop-walk $* failed"
  tr -d '\r' <"$work/$name.raw" >"$work/$name"
}

if [ -n "$expected" ]; then
  for output in tree json trace; do cp "$expected/default_$output.expected" "$work/direct.$output"; done
else
  run direct.tree
  run direct.json --json
  run direct.trace --trace
fi
run direct.calls --json --trace
export FINTOP_TRACE_PLUGIN=$real
FINTOP_TRACE_LOG=$(native "$work/session.log") FINTOP_TRACE_SNAPSHOT=$(native "$work/snapshot.json") \
  run proxy.tree --plugin "$proxy"
FINTOP_TRACE_LOG= run proxy.json --json --plugin "$proxy"
FINTOP_TRACE_LOG= run proxy.trace --trace --plugin "$proxy"
for output in tree json trace; do
  cmp -s "$work/direct.$output" "$work/proxy.$output" || {
    diff -u "$work/direct.$output" "$work/proxy.$output" | head -20 >&2
    fail "the $output output through $proxy differs from the direct walk's"
  }
done
"$checker" "$work/direct.calls" "$work/session.log" || fail "the log disagrees with the walk"
echo "through $proxy: tree, JSON and trace as the direct walk's; $(wc -l <"$work/session.log") log lines"

# The snapshot is the plant as the plug-in saw it; the log replays on it, call for call.
(cd "$linux_bin" && ./fintop-walk "$work/snapshot.json") >"$work/snapshot.tree" ||
  fail "the Linux fintop-walk cannot walk the snapshot"
cmp -s "$work/direct.tree" "$work/snapshot.tree" || {
  diff -u "$work/direct.tree" "$work/snapshot.tree" | head -20 >&2
  fail "the snapshot's tree differs from the plant's"
}
calls=$(grep -c '^{"callback"' "$work/session.log")
(cd "$linux_bin" && ./fintop-walk "$work/snapshot.json" --replay "$work/session.log") \
  >"$work/replay" || fail "the replay of the log: $(tail -n 3 "$work/replay")"
# Who recorded it, then no difference: two lines.
grep -Eqx "recorded 20[0-9-]{8}T[0-9:]{8}Z by fintop-trace [0-9.]+ in .*fintop-walk(\.exe)?, with the real plug-in .*$real \((32|64)-bit(, file version [0-9.]+, product version [0-9.]+)?\)" \
  <(head -n 1 "$work/replay") || fail "the replay's first line: $(head -n 1 "$work/replay")"
[ "$(tail -n +2 "$work/replay")" = "replayed: $calls calls, $calls answered as recorded, 0 differ" ] ||
  fail "the replay says: $(head -n 3 "$work/replay")"
echo "the snapshot walks as the plant; the replay of its $calls calls answers as recorded"

# A recording never vanishes: a second session to one log name takes a new name beside it
# (snapshots too), and (natively, where the temporary folder is ours to set) a log whose folder
# does not exist goes to the temporary folder; each log says where it was asked to go.
small=$(dirname "$0")/../walk/small_case.json
small_copy=$work/small.json
cp "$small" "$small_copy"
for session in 1 2; do
  FINTOP_TRACE_LOG=$(native "$work/again.log") FINTOP_TRACE_SNAPSHOT=$(native "$work/again.json") \
    run "again$session" "$(native "$small_copy")" --plugin "$proxy"
done
for file in again.log again-2.log again.json again-2.json; do
  [ -s "$work/$file" ] || fail "the second session to one name: no $file"
done
[ "$(grep -c '^{"log"' "$work/again.log")" = 1 ] || fail "again.log holds more than one session"
grep -qF 'holds an earlier session: this one is ' "$work/again-2.log" ||
  fail "again-2.log does not say why it is not again.log"
grep -q '"snapshot":".*again-2.json"' "$work/again-2.log" ||
  fail "again-2.log does not name its snapshot again-2.json"
if [ -z "$runner" ]; then
  mkdir "$work/temp"
  TMPDIR=$work/temp FINTOP_TRACE_LOG=$work/no-such-folder/lost.log run lost "$small_copy" \
    --plugin "$proxy"
  [ -s "$work/temp/lost.log" ] || fail "a log whose folder is missing is not in the temporary folder"
  grep -qF "cannot write $work/no-such-folder/lost.log (No such file or directory): written to the temporary folder, $work/temp/lost.log" \
    "$work/temp/lost.log" || fail "the log in the temporary folder does not say why: $(sed -n 2p "$work/temp/lost.log")"
  # None named in the environment: the system's, /tmp.
  lost=fintop-lost-$$-$RANDOM.log
  (
    unset TMPDIR TMP TEMP
    FINTOP_TRACE_LOG=$work/no-such-folder/$lost run lost_tmp "$small_copy" --plugin "$proxy"
  ) || exit 1
  [ -s "/tmp/$lost" ] || fail "with no temporary folder named, a log whose folder is missing is not in /tmp"
  rm -f "/tmp/$lost"
fi
echo "a second session to one name recorded beside the first; a log with no folder in the temporary one"

if [ -z "$runner" ]; then
  # The settings file beside a copy of the proxy, without the environment (a small case): the
  # log it names, relative to its folder, records the calls through the real plug-in it names.
  mkdir "$work/copy"
  cp "$bin/$proxy" "$work/copy/"
  printf '# the settings\nFINTOP_TRACE_LOG=copy.log\nFINTOP_TRACE_PLUGIN=%s\n' "$bin/$real" \
    >"$work/copy/fintop-trace.txt"
  (unset FINTOP_TRACE_PLUGIN FINTOP_TRACE_LOG
   cd "$bin" && $walk "$small" --plugin "$work/copy/$proxy" >/dev/null) ||
    fail "the walk through the copy failed"
  [ -f "$work/copy/copy.log" ] || fail "no log where fintop-trace.txt names it"
  head -n 1 "$work/copy/copy.log" | grep -qF "{\"log\":\"fintop-trace\",\"version\":3,\"plugin\":\"$bin/$real\"," ||
    fail "the log named by fintop-trace.txt does not name its real plug-in: $(head -1 "$work/copy/copy.log")"
  records=$(grep -c '^{"callback":' "$work/copy/copy.log" || true)
  [ "$records" -gt 0 ] || fail "the log named by fintop-trace.txt records no call"
  grep -q '"error"' "$work/copy/copy.log" && fail "the log named by fintop-trace.txt has errors"
  echo "fintop-trace.txt: its log records $records calls of the small case"
fi
