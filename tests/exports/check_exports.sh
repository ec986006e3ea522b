#!/usr/bin/env bash
# Checks a build of the plug-in against the one list of its exports (fintop/exports.txt):
# every name listed is exported, nothing else is; an ELF library binds its own exports inside.
#   check_exports.sh --expected exports.txt --library LIB [--objdump TOOL] [--nm TOOL] [--cdecl]
# LIB is libfintop.so (dynamic symbols read with nm) or fintop.dll (export names read with
# the target's objdump). --cdecl (32-bit fintop.dll) also checks the callbacks' calling
# convention: a plain cdecl symbol (_CTName, not _CTName@N) whose code returns with a plain
# `ret`, never `ret N`: the caller removes the arguments.
set -euo pipefail

expected="" library="" objdump=objdump nm=nm cdecl=0
while [ $# -gt 0 ]; do
  case "$1" in
    --expected) expected=$2; shift 2 ;;
    --library) library=$2; shift 2 ;;
    --objdump) objdump=$2; shift 2 ;;
    --nm) nm=$2; shift 2 ;;
    --cdecl) cdecl=1; shift ;;
    *) echo "check_exports: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ -f "$expected" ] || { echo "check_exports: no list of exports at '$expected'" >&2; exit 2; }
[ -f "$library" ] || { echo "check_exports: no library at '$library'" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

grep -v -e '^#' -e '^[[:space:]]*$' "$expected" | sort >"$work/expected"
if [ -n "$(uniq -d "$work/expected")" ]; then
  echo "check_exports: names listed twice in $expected:" >&2
  uniq -d "$work/expected" >&2
  exit 1
fi

case "${library,,}" in
  *.dll)
    # The export names follow the "[Ordinal/Name Pointer] Table" heading, one "[ n] name" a line.
    "$objdump" -p "$library" |
      awk '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
           on && /^[[:space:]]*$/ { on = 0 }
           on { sub(/^[[:space:]]*\[[[:space:]]*[0-9]+\][[:space:]]*/, ""); print }' |
      sort >"$work/actual"
    ;;
  *)
    "$nm" -D --defined-only "$library" | awk 'NF >= 3 { print $3 }' | sort >"$work/actual"
    ;;
esac

status=0
missing=$(comm -23 "$work/expected" "$work/actual")
extra=$(comm -13 "$work/expected" "$work/actual")
if [ -n "$missing" ]; then
  echo "not exported by $(basename "$library") but listed in $(basename "$expected"):"
  echo "$missing" | sed 's/^/  /'
  status=1
fi
if [ -n "$extra" ]; then
  echo "exported by $(basename "$library") but not listed in $(basename "$expected"):"
  echo "$extra" | sed 's/^/  /'
  status=1
fi

# ELF: the library's references to its own exports are bound inside it (-Bsymbolic), so that
# a module of the same names loaded before it (fintop-trace in front of fintop) never takes
# its calls: no dynamic relocation names an export.
case "${library,,}" in
  *.dll) ;;
  *)
    bound=$("$objdump" -R "$library" | awk 'NF >= 3 { sub(/@.*/, "", $3); print $3 }' | sort -u |
      comm -12 "$work/expected" -)
    if [ -n "$bound" ]; then
      echo "$(basename "$library") binds its own exports at load time (link it with -Bsymbolic):"
      echo "$bound" | sed 's/^/  /'
      status=1
    fi
    ;;
esac

if [ $cdecl -eq 1 ]; then
  # The 32-bit symbol of a cdecl function is its name with one leading underscore; a callee
  # that removes its arguments (stdcall) would be _name@N and end in `ret N`.
  "$objdump" -d --no-show-raw-insn "$library" >"$work/code"
  grep '^CT' "$work/expected" | awk -v code="$work/code" '
    { want["_" $1] = 1 }
    END {
      status = 0
      while ((getline line < code) > 0) {
        if (match(line, /^[0-9a-f]+ <[^>]+>:$/)) {
          name = line; sub(/^[0-9a-f]+ </, "", name); sub(/>:$/, "", name)
          plain = name; sub(/@[0-9]+$/, "", plain)
          if (plain in want && plain != name) {
            print "decorated (callee cleans up): " name; status = 1
          }
          current = (name in want) ? name : ""
          if (current != "") seen[current] = 1
          continue
        }
        if (current == "") continue
        if (line ~ /\tret[lw]?[[:space:]]+\$/) {
          print "returns removing its arguments: " current ":" line; status = 1
        }
        if (line ~ /\t(ret|jmp)/) ends[current] = 1
      }
      for (n in want) {
        if (!(n in seen)) { print "no code found for " n; status = 1 }
        else if (!(n in ends)) { print "no return found in " n; status = 1 }
      }
      exit status
    }' || status=1
fi

count=$(wc -l <"$work/expected")
if [ $status -eq 0 ]; then
  echo "$(basename "$library"): exports exactly the $count names of $(basename "$expected")$([ $cdecl -eq 1 ] && echo ', callbacks cdecl')"
fi
exit $status
