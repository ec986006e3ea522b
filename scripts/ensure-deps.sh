#!/usr/bin/env bash
# Installs with apt-get whatever this machine lacks of the packages of the groups named (the
# groups of scripts/packages.txt; all of them when none is named). Installs nothing that is
# already there. A package of the i386 architecture ("wine32:i386") needs that architecture
# enabled first: this script enables it, and says so.
#   scripts/ensure-deps.sh [GROUP...]          install what is missing
#   scripts/ensure-deps.sh --list [GROUP...]   print the groups' packages, one a line
set -euo pipefail
here=$(dirname "$0")
list=0
if [ "${1:-}" = "--list" ]; then
  list=1
  shift
fi

# The packages of the groups named, each once; an unknown group is an error.
named=$(awk -v wanted="$*" '
  BEGIN { n = split(wanted, w, " "); for (i = 1; i <= n; i++) want[w[i]] = 1 }
  { sub(/#.*/, ""); gsub(/[[:space:]]/, "") }
  $0 == "" { next }
  /^\[.*\]$/ { group = substr($0, 2, length($0) - 2); known[group] = 1; next }
  (n == 0 || group in want) && !($0 in done) { done[$0] = 1; print }
  END {
    for (g in want) if (!(g in known)) { print "ensure-deps: no group [" g "] in packages.txt" > "/dev/stderr"; status = 2 }
    exit status
  }' "$here/packages.txt")
mapfile -t packages <<<"$named"
if [ $list -eq 1 ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null | grep -q '^ii' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
for p in "${missing[@]}"; do
  case "$p" in
    *:*)
      arch=${p##*:}
      if [ "$arch" != "$(dpkg --print-architecture)" ] &&
        ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
        echo "enabling the $arch architecture for $p (dpkg --add-architecture $arch)" >&2
        $sudo dpkg --add-architecture "$arch"
      fi
      ;;
  esac
done
echo "installing: ${missing[*]}" >&2
$sudo apt-get update -qq >&2
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
