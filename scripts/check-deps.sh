#!/usr/bin/env bash
# Checks that the install step is complete: every program that the project's scripts call (the
# two commands, the legs, the scripts they run, and the cross compilers the toolchain files
# name) comes from a package that scripts/packages.txt names or that one of those pulls in
# (Depends and Pre-Depends, through virtual packages too). Packages that every Debian system has
# (Essential or of priority "required") count as present. A program that a used machine has
# from elsewhere would pass the legs there and fail on a fresh machine: this names it instead.
#   scripts/check-deps.sh          exit 1, one line per program, when something is missing
set -uo pipefail
cd "$(dirname "$0")/.."

# The programs: words in command position in the shell scripts (at a line's start, after a
# pipe, ;, &&, ||, (, $( or a keyword that runs a command), less shell builtins, keywords,
# functions and the project's own scripts.
scripts=(test.sh run.sh .ci/run scripts/*.sh scripts/legs/*.sh)
shopt -s nullglob globstar
scripts+=(tests/**/*.sh bench/**/*.sh)
shopt -u nullglob globstar
command_word='(?:^|[|;&(!`]|\$\(|\b(?:then|do|else|exec|if|elif|while|until|xargs|timeout|env)\s)'
command_word+='\s*(?:[A-Za-z_][A-Za-z0-9_]*=\S*\s+)*\K[A-Za-z0-9_.+/-][A-Za-z0-9_.+/-]*(?=\s|$|[;|&)])'
declare -A called_by=()
for file in "${scripts[@]}"; do
  [ -f "$file" ] || continue
  while read -r word; do
    [ -n "${called_by[$word]:-}" ] || called_by[$word]=$file
  done < <(sed -e 's/^[[:space:]]*#.*//' -e 's/[[:space:]]#.*//' "$file" | grep -oP "$command_word")
done
# Named by the toolchain files and presets rather than called by a script.
for triple in x86_64-w64-mingw32 i686-w64-mingw32; do
  for tool in gcc-posix g++-posix windres objdump; do called_by[$triple-$tool]=cmake/toolchain-mingw-common.cmake; done
done
for tool in c++ clang++ ninja ctest cpack wineserver wineboot; do called_by[$tool]=CMakePresets.json; done

# Where each program comes from: the programs on this machine (a missing one fails its leg
# loudly anyway), each with the package that owns its file. dpkg's record may name a file under
# /bin for /usr/bin (merged /usr), and an alternatives link belongs to no package, so each
# program is asked for by its path and by the target of its links, in one query.
declare -A program_path=() owner=()
for word in "${!called_by[@]}"; do
  case "$word" in
    /*) [ -x "$word" ] && program_path[$word]=$word; continue ;;  # named by its path
    */* | *.sh) continue ;;                                        # the project's own
  esac
  [ "$(type -t -- "$word")" = file ] || continue
  program_path[$word]=$(command -v -- "$word")
done
candidates() {
  local path=$1 real
  real=$(readlink -f "$path")
  printf '%s\n' "$path" "$real" "${path#/usr}" "/usr$path" "${real#/usr}" "/usr$real"
}
mapfile -t paths < <(for word in "${!program_path[@]}"; do candidates "${program_path[$word]}"; done | sort -u)
while IFS= read -r line; do
  [[ "$line" == diversion* ]] && continue
  packages=${line%%: /*}
  owner[${line#*: }]=$(cut -d, -f1 <<<"${packages%%:*}")
done < <(dpkg-query -S "${paths[@]}" 2>/dev/null)

# The closure of the named packages over the installed ones (every installed alternative of a
# dependency, and every installed provider of a virtual one: the check may only over-approve),
# and the packages every Debian system has (Essential, or of priority "required").
mapfile -t present < <(
  { scripts/ensure-deps.sh --list | sed -e 's/^/root\t/'
    dpkg-query -W -f='${db:Status-Abbrev}\t${Package}\t${Provides}\t${Depends}, ${Pre-Depends}\t${Essential}\t${Priority}\n'
  } | awk -F'\t' '
    function bare(s) { gsub(/\([^)]*\)|:[a-z0-9]+|[[:space:]]/, "", s); return s }
    $1 == "root" { roots[++nroots] = bare($2); next }
    $1 !~ /^ii/ { next }
    {
      name = $2; deps[name] = deps[name] "," $4
      if ($5 == "yes" || $6 == "required") print name
      n = split($3, provided, ",")
      for (i = 1; i <= n; i++) { v = bare(provided[i]); if (v != "") providers[v] = providers[v] " " name }
    }
    END {
      for (i = 1; i <= nroots; i++) queue[++tail] = roots[i]
      while (head < tail) {
        p = queue[++head]
        if (p in seen) continue
        seen[p] = 1; print p
        m = split(providers[p], via, " ")
        for (j = 1; j <= m; j++) queue[++tail] = via[j]
        k = split(deps[p], alternatives, /[,|]/)
        for (j = 1; j <= k; j++) { d = bare(alternatives[j]); if (d != "" && !(d in seen)) queue[++tail] = d }
      }
    }')
declare -A allowed=()
for p in "${present[@]}"; do allowed[$p]=1; done

problems=()
for word in $(printf '%s\n' "${!program_path[@]}" | sort); do
  package=""
  while read -r candidate; do
    package=${owner[$candidate]:-}
    [ -n "$package" ] && break
  done < <(candidates "${program_path[$word]}")
  if [ -z "$package" ]; then
    problems+=("$word (${program_path[$word]}, called by ${called_by[$word]}) belongs to no Debian package")
  elif [ -z "${allowed[$package]:-}" ]; then
    problems+=("$word (called by ${called_by[$word]}) comes from the package $package, which scripts/packages.txt neither names nor pulls in")
  fi
done

if [ ${#problems[@]} -gt 0 ]; then
  printf 'check-deps: %s\n' "${problems[@]}" >&2
  exit 1
fi
echo "check-deps: ${#program_path[@]} programs, each from a package the install step names or pulls in"
