#!/usr/bin/env bash
# Puts the sources of Debian's pugixml (the version of the installed libpugixml-dev) in DEST, for
# the cross builds, which cannot link the Linux library. Uses apt-get with private lists and
# cache under DEST, so the machine's own apt configuration is left as it is.
#   scripts/fetch-pugixml-source.sh DEST
set -euo pipefail
dest=${1:?usage: fetch-pugixml-source.sh DEST}
[ -f "$dest/pugixml.cpp" ] && exit 0

version=$(dpkg-query -W -f='${source:Version}' libpugixml-dev)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/parts" "$work/lists/partial" "$work/cache/archives/partial" "$work/get"

# Source entries for the machine's Debian binary entries.
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] || continue
  grep -q -i 'debian' "$f" || continue
  sed -e 's/^Types: *deb$/Types: deb-src/' "$f" > "$work/parts/$(basename "$f")"
done
if [ -f /etc/apt/sources.list ]; then
  grep -E '^deb .*debian' /etc/apt/sources.list | sed -e 's/^deb /deb-src /' > "$work/parts/main.list" || true
fi

apt=(apt-get -q -o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$work/parts"
     -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache"
     -o APT::Sandbox::User=root)
"${apt[@]}" update >/dev/null
(cd "$work/get" && "${apt[@]}" source --download-only "pugixml=$version" >/dev/null)
tar -xzf "$work"/get/pugixml_*.orig.tar.gz -C "$work/get"
mkdir -p "$dest"
cp "$work"/get/pugixml-*/src/pugixml.cpp "$work"/get/pugixml-*/src/pugixml.hpp \
   "$work"/get/pugixml-*/src/pugiconfig.hpp "$dest/"
echo "pugixml $version sources in $dest" >&2
