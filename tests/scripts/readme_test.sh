#!/usr/bin/env bash
# Every command that README.md's section "Using fintop" shows, run as a user runs it after
# ./run.sh, so that none goes stale:
#   readme_test.sh BIN README PRESETS
# The commands are the lines of the section's sh fences (readme_commands.awk); README.md may
# have no sh fence elsewhere, since it would not be run. They run in order, each with bash, in
# a folder of their own where build/walk/bin is BIN (the programs of a build: the sanitizer
# build's in the suite). Each must end with the exit status its line gives ("# exit status N"),
# else 0 and nothing on stderr; a text fence after a sh fence shows the last lines of the
# output of its last command. And the walk preset of PRESETS (CMakePresets.json), which
# ./run.sh builds, must build every fintop program and module that the commands name.
set -uo pipefail
bin=$(cd "$1" && pwd) readme=$2 presets=$3
fail() {
  echo "readme_test: $*" >&2
  exit 1
}
section="## Using fintop"

# The commands ("C<tab>command") and the output shown after them ("O<tab>line").
lines=$(awk -v section="$section" -f "$(dirname "$0")/readme_commands.awk" "$readme") ||
  fail "the commands cannot be found"
commands=$(sed -n 's/^C\t//p' <<<"$lines")
[ -n "$commands" ] || fail "\"$section\" shows no command in a sh fence"

# The fintop programs and modules the commands name, each a target of the walk preset.
targets=$(/usr/bin/python3 -c 'import json, sys; presets = json.load(open(sys.argv[1]))["buildPresets"]
print(*next(p for p in presets if p["name"] == "walk")["targets"])' "$presets") ||
  fail "no build preset \"walk\" in $presets"
while read -r name; do
  target=${name#lib}
  target=${target%.so}
  [[ " $targets " == *" $target "* ]] ||
    fail "the commands use $name, which the walk preset (./run.sh) does not build (targets: $targets)"
done < <(grep -oE '(\blib)?fintop[A-Za-z0-9_-]*(\.so)?\b' <<<"$commands" | sort -u)

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/user/build/walk"
ln -s "$bin" "$home/user/build/walk/bin"
n=0
# run COMMAND [LINE...]: the command, and the last lines of its output as README shows them.
run() {
  local command=$1 want=0 got
  shift
  n=$((n + 1))
  [[ "$command" =~ \#\ exit\ status\ ([0-9]+)[[:space:]]*$ ]] && want=${BASH_REMATCH[1]}
  (cd "$home/user" && bash -o pipefail -c "$command") </dev/null >"$home/out" 2>"$home/err"
  got=$?
  if [ $got -ne "$want" ] || { [ "$want" -eq 0 ] && [ -s "$home/err" ]; }; then
    echo "readme_test: command $n exited with $got (README: $want):" >&2
    echo "  $command" >&2
    tail -n 5 "$home/out" "$home/err" >&2
    exit 1
  fi
  if [ $# -gt 0 ] && [ "$(tail -n $# "$home/out")" != "$(printf '%s\n' "$@")" ]; then
    echo "readme_test: command $n ends its output otherwise than README shows:" >&2
    echo "  $command" >&2
    diff <(printf '%s\n' "$@") <(tail -n $# "$home/out") >&2
    exit 1
  fi
}
pending="" shown=()
while IFS=$'\t' read -r kind text; do
  if [ "$kind" = O ]; then
    shown+=("$text")
    continue
  fi
  [ -z "$pending" ] || run "$pending" "${shown[@]}"
  pending=$text shown=()
done <<<"$lines"
run "$pending" "${shown[@]}"
echo "the $n commands of \"$section\" ran as shown"
