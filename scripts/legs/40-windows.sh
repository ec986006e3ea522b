#!/usr/bin/env bash
# The Windows build: fintop.dll and the stand-in host for 64-bit Windows (MinGW-w64), its
# unit tests run under Wine, fintop-walk.exe compared with the Linux walk; fintop.dll for
# 32-bit Windows; the export check on both DLLs; the zip for users.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/ensure-deps.sh cmake ninja-build g++ nlohmann-json3-dev libpugixml-dev libcli11-dev \
  libgtest-dev googletest g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine64 zip

fail() {
  echo "windows: $*" >&2
  exit 1
}

# A throwaway Wine prefix, made once for the whole leg.
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/fintop-wine.XXXXXX")
export WINEPREFIX WINEDEBUG=-all
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
wineboot --init >/dev/null 2>&1 || fail "wineboot failed"

# The modules that a Windows build may import: its own, and Windows' own. Anything else (the
# compiler's runtime DLLs in particular) would be missing on the user's machine.
check_imports() {
  local dir=$1 objdump=$2 file dll own=""
  shopt -s nullglob nocaseglob
  for file in "$dir"/*.dll; do own+="$(basename "${file,,}")"$'\n'; done
  for file in "$dir"/*.dll "$dir"/*.exe; do
    for dll in $("$objdump" -p "$file" | awk '/DLL Name:/ { print $3 }'); do
      case "${dll,,}" in
        kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | ntdll.dll) ;;
        *) grep -qx "${dll,,}" <<<"$own" || fail "$(basename "$file") imports $dll, which is not ours" ;;
      esac
    done
  done
  shopt -u nullglob nocaseglob
  echo "imports: $dir needs no DLL beyond its own and Windows' own"
}

# fintop.dll carries its version resource.
check_version_resource() {
  local dll=$1 strings
  strings=$(strings -el "$dll")
  for key in FileVersion ProductVersion FileDescription; do
    grep -qx "$key" <<<"$strings" || fail "$dll has no $key in its version resource"
  done
  echo "version resource: $(grep -A1 -x FileVersion <<<"$strings" | tail -1)"
}

# --- 64-bit: everything, tests under Wine ------------------------------------------------
scripts/fetch-pugixml-source.sh build/third_party/pugixml
cmake --preset mingw64 -U FINTOP_PARTS >/dev/null
cmake --build build/mingw64
check_imports build/mingw64/bin x86_64-w64-mingw32-objdump
check_version_resource build/mingw64/bin/fintop.dll
ctest --preset mingw64 -j2

# --- 32-bit: the plug-in only, its exports and calling convention ------------------------
cmake --preset mingw32 -U FINTOP_PARTS >/dev/null
cmake --build --preset mingw32
check_imports build/mingw32/bin i686-w64-mingw32-objdump
bash tests/exports/check_exports.sh --expected fintop/exports.txt \
  --library build/mingw32/bin/fintop.dll --objdump i686-w64-mingw32-objdump --cdecl

# --- fintop-walk.exe against the Linux walk on the default case --------------------------
if [ ! -f build/mingw64/bin/fintop-walk.exe ]; then
  fail "fintop-walk.exe was not built (see the configure warning)"
else
  # The Linux walk of the unit-test leg's build when there is one; built here otherwise.
  linux=build/debug
  [ -f $linux/CMakeCache.txt ] || cmake --preset debug >/dev/null
  cmake --build $linux --target fintop-walk fintop >/dev/null
  out=$(mktemp -d)
  $linux/bin/fintop-walk >"$out/linux.txt" || fail "the Linux walk failed"
  (cd build/mingw64/bin && wine ./fintop-walk.exe) >"$out/windows.raw" ||
    fail "fintop-walk.exe failed under Wine"
  tr -d '\r' <"$out/windows.raw" >"$out/windows.txt"
  if ! cmp -s "$out/linux.txt" "$out/windows.txt"; then
    diff -u "$out/linux.txt" "$out/windows.txt" | head -40 >&2
    rm -rf "$out"
    fail "fintop-walk.exe's output differs from the Linux walk's"
  fi
  echo "walk: fintop-walk.exe maps the default case as the Linux walk does ($(wc -l <"$out/linux.txt") lines)"
  rm -rf "$out"
fi

# --- the zip for users -------------------------------------------------------------------
for width in 64 32; do
  (cd build/mingw$width && cpack -G ZIP >/dev/null) || fail "cpack failed for mingw$width"
  zip=$(ls build/mingw$width/package/fintop-*.zip)
  listing=$(cmake -E tar tf "$zip")
  [ "$(sort <<<"$listing" | tr '\n' ' ')" = "INSTALL.txt fintop.dll " ] ||
    fail "$zip holds: $listing"
  echo "package: $zip"
done
