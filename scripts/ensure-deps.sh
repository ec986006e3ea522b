#!/usr/bin/env bash
# Installs with apt-get whatever this machine lacks of the packages named (all of
# scripts/packages.txt when none is named). Installs nothing that is already there. A package of
# the i386 architecture ("wine32:i386") needs that architecture enabled first: this script
# enables it, and says so.
set -euo pipefail
here=$(dirname "$0")

packages=("$@")
if [ ${#packages[@]} -eq 0 ]; then
  mapfile -t packages < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' -e '/^$/d' "$here/packages.txt")
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
