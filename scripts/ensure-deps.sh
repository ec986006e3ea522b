#!/usr/bin/env bash
# Installs with apt-get whatever this machine lacks of the packages of the groups named (the
# groups of scripts/packages.txt; all of them when none is named). Installs nothing that is
# already there. A package of the i386 architecture ("wine32:i386") needs that architecture
# enabled first: this script enables it, and says so.
#   scripts/ensure-deps.sh [GROUP...]          install what is missing
#   scripts/ensure-deps.sh --list [GROUP...]   print the groups' packages, one a line
#
# A package list that fails to download (a mirror caught mid-sync: "File has unexpected
# size") is tried again a few times, then warned about: the install goes on with the lists at
# hand, which serve every package but those of the failing list. Only an install that fails
# ends the script, with exit status 1 and one line naming the packages, their groups and apt's
# reason. A package marked "optional" in packages.txt may fail: a warning says so, and its
# reason is kept in build/deps/<package>.not-installed for the legs that report what they could
# not run without it (scripts/legs/40-windows.sh); the file is removed once it is installed.
# Within one ./test.sh run (FINTOP_DEPS_TRIED=1) an optional package that failed is not tried
# again by every leg.
#   FINTOP_APT_TRIES (3) and FINTOP_APT_WAIT (5 s): how often apt-get update is tried, how far apart
#   FINTOP_DEPS_STATE: the folder of the .not-installed records (build/deps)
set -euo pipefail
here=$(dirname "$0")
state=${FINTOP_DEPS_STATE:-$here/../build/deps}
list=0
if [ "${1:-}" = "--list" ]; then
  list=1
  shift
fi

# "group package optional" for the groups named, each package once; an unknown group is an
# error.
named=$(awk -v wanted="$*" '
  BEGIN { n = split(wanted, w, " "); for (i = 1; i <= n; i++) want[w[i]] = 1 }
  { sub(/#.*/, "") }
  NF == 0 { next }
  /^[[:space:]]*\[.*\][[:space:]]*$/ { gsub(/[[:space:]\[\]]/, ""); group = $0; known[group] = 1; next }
  (n == 0 || group in want) && !($1 in done) { done[$1] = 1; print group, $1, ($2 == "optional") }
  END {
    for (g in want) if (!(g in known)) { print "ensure-deps: no group [" g "] in packages.txt" > "/dev/stderr"; status = 2 }
    exit status
  }' "$here/packages.txt")
declare -A group_of=() optional=()
packages=()
while read -r g p o; do
  [ -n "$p" ] || continue
  packages+=("$p")
  group_of[$p]=$g
  optional[$p]=$o
done <<<"$named"
if [ $list -eq 1 ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

installed() { dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null | grep -q '^ii'; }
# The packages to install: required and optional.
missing() {
  required=()
  wanted_optional=()
  local p
  for p in "${packages[@]}"; do
    if installed "$p"; then
      rm -f "$state/$p.not-installed"
    elif [ "${optional[$p]}" = 1 ]; then
      # Tried once per ./test.sh run: the legs after the first know it failed.
      [ "${FINTOP_DEPS_TRIED:-0}" = 1 ] && [ -f "$state/$p.not-installed" ] && continue
      wanted_optional+=("$p")
    else
      required+=("$p")
    fi
  done
  [ ${#required[@]} -gt 0 ] || [ ${#wanted_optional[@]} -gt 0 ]
}
missing || exit 0
# One install at a time: ./test.sh's legs run side by side, each asking for its groups (the
# Windows leg's installs go on while the unit leg compiles). What another install brought
# while this one waited is found installed the second time.
mkdir -p "$state"
exec 9>"$state/install.lock"
flock 9
missing || exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
for p in "${required[@]}" "${wanted_optional[@]}"; do
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

# apt's own error lines of a run's output, joined into one line.
reason() {
  local lines
  mapfile -t lines < <(grep -E '^(E|W): ' <<<"$1" | sed -E 's/^(E|W): //')
  local IFS=$'\x1f'
  local joined="${lines[*]}"
  echo "${joined//$'\x1f'/; }"
}

echo "installing: $(printf '%s ' "${required[@]}" "${wanted_optional[@]}" | sed 's/ $//')" >&2
tries=${FINTOP_APT_TRIES:-3}
update_failed=""
for ((try = 1; ; try++)); do
  if output=$($sudo apt-get update -qq 2>&1); then
    break
  fi
  if [ "$try" -ge "$tries" ]; then
    update_failed=$(reason "$(grep -m1 -E '^E: ' <<<"$output")")
    echo "ensure-deps: warning: apt-get update failed $tries times; installing from the package lists at hand:" >&2
    grep -E '^(E|W): ' <<<"$output" | sed 's/^/  /' >&2 || sed 's/^/  /' <<<"$output" >&2
    break
  fi
  sleep "${FINTOP_APT_WAIT:-5}"
done

# Installs the packages given; on failure leaves apt's output in $output.
apt_install() { output=$($sudo apt-get install -y -qq --no-install-recommends "$@" 2>&1); }

if [ ${#required[@]} -gt 0 ] && ! apt_install "${required[@]}"; then
  # Which of them fail: each alone (those that can be installed are, on the way).
  failed=()
  why=""
  for p in "${required[@]}"; do
    installed "$p" && continue
    if ! apt_install "$p"; then
      failed+=("[${group_of[$p]}] $p")
      [ -n "$why" ] || why=$(reason "$output")
    fi
  done
  if [ ${#failed[@]} -eq 0 ]; then  # failed together only: name them all
    for p in "${required[@]}"; do failed+=("[${group_of[$p]}] $p"); done
    why=$(reason "$output")
  fi
  echo "ensure-deps: could not install $(printf '%s, ' "${failed[@]}" | sed 's/, $//'): ${why:-apt-get install failed}" >&2
  exit 1
fi

for p in "${wanted_optional[@]}"; do
  if apt_install "$p"; then
    rm -f "$state/$p.not-installed"
  else
    why=$(reason "$output")
    why=${why:-apt-get install failed}
    [ -z "$update_failed" ] || why+=" (apt-get update had failed: $update_failed)"
    echo "$why" >"$state/$p.not-installed"
    echo "ensure-deps: warning: the optional [${group_of[$p]}] $p could not be installed: $why" >&2
  fi
done
exit 0
