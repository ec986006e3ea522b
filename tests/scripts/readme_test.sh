#!/usr/bin/env bash
# Every command that README.md shows, run as a user runs it after ./run.sh, so that none goes
# stale:
#   readme_test.sh [--run WHERE] --bin PRESET=DIR... README PRESETS
# The commands are those of README's sh and console fences (readme_commands.awk); any other
# fence holding a "$ " line fails. They run in README's order, each with bash, in one folder
# that stands for the user's checkout: the source tree's files (linked: the commands only make
# new files), build/PRESET/bin being each DIR given (the suite gives the sanitizer build's
# programs as build/walk/bin), and run.sh a stand-in that does what ./run.sh does once it has
# built: its own `cd` and `exec` lines. Each fence starts in that folder, and a `cd` holds for
# the fence's later commands.
#   sh fence: each line a command, which must end with the exit status its line gives
#     ("# exit status N"), else 0 and nothing on stderr; a text fence right after shows the
#     last lines of the output of the fence's last command.
#   console fence: "$ COMMAND" lines and, after each, its output as a terminal shows it (stdout
#     and stderr together); each must exit 0 (a transcript shows another status with
#     "; echo $?").
# The lines shown must be the last lines of the output. Where an output holds what changes from
# run to run (a time, a date, a folder), README writes "..." for it: "..." within a line matches
# any text, and a line "..." alone stands for lines left out before those shown.
# A fence's second word says who runs it: none, this run (the Linux suite); "wine" or "fuzz",
# the run given --run wine (the Windows leg, with build/mingw64/bin and Wine) or --run fuzz (the
# fuzz leg, with build/fuzz/bin); the other runs skip those and say so. "legs": the legs' own
# commands (the cross builds and their tests, which take minutes), not run again but looked for
# in the text of scripts/legs/*.sh, the preset's name written $preset there ("./test.sh WORD"
# must name a leg); the Linux run checks those. The Linux run also checks that the walk preset
# of PRESETS (CMakePresets.json), which ./run.sh builds, builds every fintop program and module
# its commands name.
set -uo pipefail
run="" bins=()
while [ $# -gt 2 ]; do
  case $1 in
    --run) run=$2 ;;
    --bin) bins+=("$2") ;;
    *) break ;;
  esac
  shift 2
done
if [ $# -ne 2 ] || [ ${#bins[@]} -eq 0 ]; then
  echo "usage: readme_test.sh [--run WHERE] --bin PRESET=DIR... README PRESETS" >&2
  exit 2
fi
readme=$1 presets=$2
src=$(cd "$(dirname "$readme")" && pwd)
fail() {
  echo "readme_test: $*" >&2
  exit 1
}
case $run in
  "") what="the Linux suite" ;;
  wine) what="the Windows leg" ;;
  fuzz) what="the fuzz leg" ;;
  *) fail "--run $run: wine, fuzz or none" ;;
esac

lines=$(awk -f "$(dirname "$0")/readme_commands.awk" "$readme") || fail "README's fences cannot be read"
grep -q '^C' <<<"$lines" || fail "README shows no command"

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
user=$home/user
mkdir -p "$user"
for entry in "$src"/* "$src"/.[!.]*; do
  case $(basename "$entry") in build | run.sh | .git | '.[!.]*') ;; *) ln -s "$entry" "$user/" ;; esac
done
for bin in "${bins[@]}"; do
  mkdir -p "$user/build/${bin%%=*}"
  ln -s "$(cd "${bin#*=}" && pwd)" "$user/build/${bin%%=*}/bin" || fail "no folder ${bin#*=}"
done
# ./run.sh once it has built: its own lines that change folder and start the walk.
{
  echo '#!/usr/bin/env bash'
  grep -E '^(set|cd|exec) ' "$src/run.sh"
} >"$user/run.sh"
chmod +x "$user/run.sh"
grep -q '^exec ' "$user/run.sh" || fail "run.sh has no exec line to stand in for"

# confirm LINE COMMAND: each piece of a legs' command between "&&" (parentheses around a piece
# dropped, a comment after it too) is in a leg's script, as it is or a preset's name there as
# $preset.
leg_text=$(cat "$src"/scripts/legs/*.sh)
preset_names=$(/usr/bin/python3 -c 'import json, sys
print("|".join(p["name"] for p in json.load(open(sys.argv[1]))["configurePresets"]))' "$presets") ||
  fail "no configure presets in $presets"
confirm() {
  local line=$1 piece word literal
  while read -r piece; do
    piece=${piece#(} piece=${piece%)}
    [ -n "$piece" ] || continue
    if [[ "$piece" =~ ^\./test\.sh\ (.*)$ ]]; then
      for word in ${BASH_REMATCH[1]}; do
        compgen -G "$src/scripts/legs/*$word*.sh" >/dev/null ||
          fail "README line $line: \"$piece\": no leg's name holds \"$word\""
      done
      continue
    fi
    literal=$piece
    piece=$(sed -E "s/(^|[ /])($preset_names)( |$)/\1\$preset\3/g" <<<"$piece")
    grep -qF -- "$literal" <<<"$leg_text" || grep -qF -- "$piece" <<<"$leg_text" ||
      fail "README line $line: \"$literal\" is in no leg's script (scripts/legs/), so nothing checks it"
  done < <(sed -E 's/[[:space:]]+#.*//' <<<"$2" | awk '{
    n = split($0, ch, ""); piece = ""; depth = 0
    for (i = 1; i <= n; i++) {
      if (ch[i] == "(") depth++
      if (ch[i] == ")") depth--
      if (!depth && substr($0, i, 4) == " && ") { print piece; piece = ""; i += 3; continue }
      piece = piece ch[i]
    }
    print piece }')
}

# The fintop programs and modules that the Linux run's commands name, each a target of the walk
# preset.
if [ -z "$run" ]; then
  targets=$(/usr/bin/python3 -c 'import json, sys; presets = json.load(open(sys.argv[1]))["buildPresets"]
print(*next(p for p in presets if p["name"] == "walk")["targets"])' "$presets") ||
    fail "no build preset \"walk\" in $presets"
  while read -r name; do
    target=${name#lib}
    target=${target%.so}
    [[ " $targets " == *" $target "* ]] ||
      fail "the commands use $name, which the walk preset (./run.sh) does not build (targets: $targets)"
  done < <(awk -F'\t' '$1 == "F" { here = ($2 == "-") } $1 == "C" && here { print $3 }' <<<"$lines" |
    grep -oE '(\blib)?fintop[A-Za-z0-9_-]*(\.so)?\b' | sort -u)
fi

# match SHOWN ACTUAL: whether the line ACTUAL is as README shows it ("..." for any text).
match() {
  local shown=$1 pattern="" piece
  while :; do
    piece=${shown%%...*}
    pattern+=$(sed 's/[][\\*?]/\\&/g' <<<"$piece")
    [ "$piece" != "$shown" ] || break
    pattern+="*"
    shown=${shown#*...}
  done
  # shellcheck disable=SC2053 # the pattern's * stand for "..."
  [[ "$2" == $pattern ]]
}

n=0 cwd=$user kind=sh line=0
# run [SHOWN...]: the pending command, and the last lines of its output as README shows them.
run() {
  local command=$pending want=0 got i
  n=$((n + 1))
  [[ "$command" =~ \#\ exit\ status\ ([0-9]+)[[:space:]]*$ ]] && want=${BASH_REMATCH[1]}
  rm -f "$home/cwd"
  invoke() {
    (cd "$cwd" && bash -o pipefail -c "$command"$'\n''status=$?; pwd >"$1"; exit $status' bash "$home/cwd") </dev/null
  }
  if [ "$kind" = console ]; then invoke >"$home/out" 2>&1; else invoke >"$home/out" 2>"$home/err"; fi
  got=$?
  cwd=$(cat "$home/cwd" 2>/dev/null || echo "$cwd")
  if [ $got -ne "$want" ] || { [ "$kind" = sh ] && [ "$want" -eq 0 ] && [ -s "$home/err" ]; }; then
    echo "readme_test: README line $line: the command exited with $got (README: $want):" >&2
    echo "  $command" >&2
    tail -n 5 "$home/out" >&2
    [ "$kind" = console ] || tail -n 5 "$home/err" >&2
    exit 1
  fi
  [ $# -gt 0 ] || return 0
  mapfile -t actual < <(tail -n $# "$home/out")
  for ((i = 0; i < $#; i++)); do
    if [ ${#actual[@]} -ne $# ] || ! match "${shown[i]}" "${actual[i]}"; then
      echo "readme_test: README line $line: the command's output ends otherwise than README shows:" >&2
      echo "  $command" >&2
      diff <(printf '%s\n' "$@") <(printf '%s\n' "${actual[@]}") >&2
      exit 1
    fi
  done
}
pending="" shown=() confirmed=0 where=""
declare -A skipped=()
flush() {
  [ -n "$pending" ] || return 0
  if [ "$where" = legs ]; then
    [ -n "$run" ] || { confirm "$line" "$pending"; confirmed=$((confirmed + 1)); }
  elif [ "$where" = "$run" ]; then
    run "${shown[@]}"
  else
    skipped[${where:-linux}]=$((${skipped[${where:-linux}]:-0} + 1))
  fi
  pending="" shown=()
}
while IFS=$'\t' read -r record a b; do
  case $record in
    F)
      flush
      where=${a#-} kind=$b cwd=$user
      [[ " wine fuzz legs " == *" ${where:-wine} "* ]] || fail "a fence marked \"$where\", which no run knows"
      ;;
    C) flush; line=$a pending=$b ;;
    O)
      [ -n "$pending" ] || fail "output shown before any command: $a"
      shown+=("$a")
      ;;
  esac
done <<<"$lines"
flush
[ $n -gt 0 ] || fail "README shows no command for $what"
echo "$n of README's commands, for $what, ran as shown"
[ $confirmed -eq 0 ] || echo "$confirmed of README's commands are run by the legs, as it says"
declare -A runner=([linux]="the Linux suite (fences without a mark)" [wine]="the Windows leg (fences marked wine)"
                   [fuzz]="the fuzz leg (fences marked fuzz)")
for where in "${!skipped[@]}"; do
  echo "skipped: ${skipped[$where]} of README's commands, for ${runner[$where]:-$where}"
done
