#!/usr/bin/env bash
# The Windows builds, 64-bit and 32-bit (MinGW-w64): for each width fintop.dll, the stand-in
# host and the unit tests, run under Wine of that width (the export check among them);
# fintop-walk.exe compared byte for byte with the Linux walk; the default plant walked through
# fintop-trace.dll, against the walk without it; the zip for users, whose fintop-doctor.exe
# passes every check beside the stand-in framework; README's commands under Wine (its round
# trip); the doctor's case of a plug-in among the other width's modules.
#
# Each width's programs run under Wine only after a probe program of that width has shown that
# Wine starts it (it prints a known line and exits 73): a Wine without its width's loader
# prints nothing and exits 0, which would pass whatever it was asked to run. Without it (the
# 32-bit Wine is wine32:i386, which a mirror mid-sync cannot serve) the width still builds and
# its checks that run nothing of it still run (exports and calling convention, imports,
# version resource, the zip's contents); its programs are reported as not run, with the
# cause, here and in ./test.sh's closing lines.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/ensure-deps.sh build walk unit doctor clang windows

fail() {
  echo "windows: $*" >&2
  exit 1
}

# A throwaway Wine prefix, made once for the whole leg; it runs programs of both widths.
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/fintop-wine.XXXXXX")
export WINEPREFIX WINEDEBUG=-all
out=$(mktemp -d)
# Debian's `wine` starts the 32-bit loader whenever wine32 is installed, and every program of
# either width goes through it; on a kernel that runs no 32-bit programs that loader cannot
# start ("Exec format error"), so nothing would run. The leg's `wine` (first on PATH, for
# everything it runs: ctest's emulator, the tools Wine ships) asks at each start whether the
# 32-bit loader runs, which it may only from the moment wine32 is installed, and takes the
# 64-bit loader alone where it does not: the 32-bit programs then fail their probe and are
# reported as not run, with that cause.
wine32_loader=/usr/lib/wine/wine wine64_loader=/usr/lib/wine/wine64
mkdir "$out/wine-bin"
for name in wine wine-stable; do
  cat >"$out/wine-bin/$name" <<SHIM
#!/bin/sh
if [ -x $wine32_loader ] && $wine32_loader --version >/dev/null 2>&1; then
  exec $wine32_loader "\$@"
fi
export WINELOADER=$wine64_loader
exec $wine64_loader "\$@"
SHIM
  chmod +x "$out/wine-bin/$name"
done
export PATH="$out/wine-bin:$PATH"
# The 32-bit Wine is tried while the 64-bit width builds (a try the mirror fails takes half a
# minute of apt's retries); the 32-bit width waits for it.
scripts/ensure-deps.sh windows32 >"$out/windows32.log" 2>&1 &
windows32_pid=$!
windows32_ready() {
  [ -n "$windows32_pid" ] || return 0
  wait "$windows32_pid" || true  # what it could not install, the probe finds and says
  windows32_pid=""
  cat "$out/windows32.log"
}
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX" "$out"
}
trap cleanup EXIT
# The prefix is made while the first width builds; the probe waits for it. The server stays up
# between the leg's programs (-p) rather than starting again after every pause.
wineserver -p
wineboot --init >"$out/wineboot.log" 2>&1 &
wineboot_pid=$!
wine_ready() {
  [ -n "$wineboot_pid" ] || return 0
  wait "$wineboot_pid" || { cat "$out/wineboot.log" >&2; fail "wineboot failed"; }
  wineboot_pid=""
}

# The modules that a Windows build may import: its own, and Windows' own. Anything else (the
# compiler's runtime DLLs in particular) would be missing on the user's machine.
check_imports() {
  local dir=$1 objdump=$2 file dll own=""
  shopt -s nullglob nocaseglob
  for file in "$dir"/*.dll; do own+="$(basename "${file,,}")"$'\n'; done
  for file in "$dir"/*.dll "$dir"/*.exe; do
    for dll in $("$objdump" -p "$file" | awk '/DLL Name:/ { print $3 }'); do
      case "${dll,,}" in
        kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | ntdll.dll | dbghelp.dll | version.dll) ;;
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

# Whether Wine runs programs of a width: the probe of that build, run once. Sets `cause` to why
# not.
wine_runs() {
  local width=$1 bin=$2 output status=0
  wine_ready
  output=$(cd "$bin" && timeout 120 wine ./wine_probe.exe 2>&1) || status=$?
  output=$(tr -d '\r' <<<"$output")
  if [ "$output" = "fintop wine probe: running" ] && [ $status -eq 73 ]; then
    return 0
  fi
  if [ "$width" = 32 ] && ! dpkg-query -W -f='${db:Status-Abbrev}' wine32:i386 2>/dev/null | grep -q '^ii'; then
    local record=build/deps/wine32:i386.not-installed
    cause="wine32:i386 could not be installed: $(cat "$record" 2>/dev/null || echo "it is not installed")"
  elif [ "$width" = 32 ] && ! $wine32_loader --version >/dev/null 2>&1; then
    cause="this machine runs no 32-bit programs: Wine's 32-bit loader ($wine32_loader) does not start"
  else
    cause="Wine did not run the $width-bit probe: it printed \"$(head -c 200 <<<"$output" | tr '\n' ' ')\" and exited $status, where the probe prints its line and exits 73"
  fi
  return 1
}
# A part of the leg that could not run: said here, and in ./test.sh's closing lines.
not_run() {
  echo "not run: $*"
  [ -z "${FINTOP_NOT_RUN:-}" ] || echo "$*" >>"$FINTOP_NOT_RUN"
}
declare -A wine_ok=()

# A framework's folder named as a user's may be (a space, "ö", "日本"), holding the stand-in
# framework and host modules of a width: the zip is unpacked and its tools run there. Prints
# its path; `name` tells the leg's folders apart.
framework_folder() {
  local width=$1 name=$2 dir module
  dir="$out/Nörvane 2024/日本/$name"
  rm -rf "$dir" && mkdir -p "$dir"
  for module in FIIterator.dll QELUtils.dll QELCOM.DLL norvaneeng.dll finadapt.dll; do
    cp "build/mingw$width/bin/$module" "$dir/"
  done
  printf '%s\n' "$dir"
}

# The Linux walk that the Windows walks must match: the unit leg's build (its output is the
# same in every build; the unit leg's walk tests compare it with the committed files). Built
# when first needed, after the first width's build and tests, under the folder's lock: the unit
# leg may be building that folder at the same time (./test.sh runs legs side by side).
linux=${FINTOP_LINUX_BUILD:-build/asan}
linux_walk() {
  [ ! -f "$out/linux.txt" ] || return 0
  mkdir -p "$(dirname "$linux")"
  flock "$linux.lock" sh -c '{ [ -f "$1/CMakeCache.txt" ] || cmake --preset "$(basename "$1")" >/dev/null; } &&
    cmake --build "$1" --target fintop-walk fintop trace_log_check >/dev/null' sh "$linux" ||
    fail "the Linux walk could not be built in $linux"
  "$linux/bin/fintop-walk" >"$out/linux.txt" || fail "the Linux walk failed"
}

scripts/fetch-pugixml-source.sh build/third_party/pugixml
for width in 64 32; do
  preset=mingw$width
  # What a user unpacks next to the host: the plug-in, and on 32 bits the compiler's shared
  # unwinder with the thread library it needs (see cmake/toolchain-mingw-common.cmake).
  case $width in
    64) objdump=x86_64-w64-mingw32-objdump
        shipped="INSTALL.txt fintop-doctor.exe fintop-trace.dll fintop.dll" ;;
    32) objdump=i686-w64-mingw32-objdump
        shipped="INSTALL.txt fintop-doctor.exe fintop-trace.dll fintop.dll libgcc_s_dw2-1.dll libwinpthread-1.dll" ;;
  esac
  echo "--- $width-bit"
  [ $width = 64 ] || windows32_ready
  cmake --preset $preset -U FINTOP_PARTS -U CMAKE_SKIP_INSTALL_ALL_DEPENDENCY >/dev/null
  cmake --build --preset $preset --target wine_probe
  if wine_runs $width build/$preset/bin; then
    wine_ok[$width]=1
    cmake --build --preset $preset
  elif [ $width = 64 ]; then
    fail "the 64-bit programs cannot run: $cause"  # wine64 is installed by the leg's own step
  else
    wine_ok[$width]=0
    # What users install and what the checks below read; no test program, which could not run.
    # The zip then needs no more than that either.
    cmake build/$preset -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
    cmake --build --preset $preset --target fintop fintop-trace fintop-doctor \
      FIIterator QELUtils QELCOM norvaneeng finadapt
  fi
  check_imports build/$preset/bin $objdump
  check_version_resource build/$preset/bin/fintop.dll
  if [ "${wine_ok[$width]}" = 1 ]; then
    # The unit tests under Wine of this width, the export check (and on 32 bits the calling
    # convention) among them; four at a time, as a program under Wine mostly waits for the
    # Wine server and for its own start.
    ctest --preset $preset -j4
  else
    # What reads the built files only: the export check, and on 32 bits the calling convention.
    ctest --preset $preset -j2 -L static
    not_run "the $width-bit programs under Wine ($cause)"
  fi

  [ "${wine_ok[$width]}" = 0 ] || [ -f build/$preset/bin/fintop-walk.exe ] ||
    fail "fintop-walk.exe was not built (see the configure warning)"
  (cd build/$preset && cpack -G ZIP >/dev/null) || fail "cpack failed for $preset"
  zip=$(ls build/$preset/package/fintop-*.zip)
  listing=$(cmake -E tar tf "$zip")
  [ "$(LC_ALL=C sort <<<"$listing" | tr '\n' ' ')" = "$shipped " ] || fail "$zip holds: $listing"
  # INSTALL.txt with CRLF line ends (any Windows editor shows its lines), naming no file of
  # the source tree.
  mkdir -p "$out/text$width" && cmake -E chdir "$out/text$width" cmake -E tar xf "$PWD/$zip" INSTALL.txt
  [ "$(grep -c $'\r$' "$out/text$width/INSTALL.txt")" = "$(wc -l <"$out/text$width/INSTALL.txt")" ] ||
    fail "INSTALL.txt in $zip has lines without CRLF"
  ! grep -Eq '(^|[ (])(fintop|tools|tests|hostsim|packaging|scripts)/[a-z_]+|README' "$out/text$width/INSTALL.txt" ||
    fail "INSTALL.txt in $zip names the source tree: $(grep -E '(fintop|tools|tests|hostsim|packaging|scripts)/|README' "$out/text$width/INSTALL.txt" | head -n 1)"
  # fintop-trace.dll needs nothing beyond Windows, the framework's modules and what the zip
  # ships (fintop.dll's imports are the doctor's check, below).
  for dll in $($objdump -p build/$preset/bin/fintop-trace.dll | awk '/DLL Name:/ { print $3 }'); do
    case "${dll,,}" in
      kernel32.dll | msvcrt.dll | version.dll | fiiterator.dll | qelutils.dll | qelcom.dll) ;;
      *) grep -qiw -- "$dll" <<<"$shipped" || fail "fintop-trace.dll ($width-bit) imports $dll, which the zip does not ship" ;;
    esac
  done
  echo "package: $zip"
  [ "${wine_ok[$width]}" = 1 ] || continue

  linux_walk
  (cd build/$preset/bin && wine ./fintop-walk.exe) >"$out/windows$width.raw" ||
    fail "the $width-bit fintop-walk.exe failed under Wine"
  tr -d '\r' <"$out/windows$width.raw" >"$out/windows$width.txt"
  if ! cmp -s "$out/linux.txt" "$out/windows$width.txt"; then
    diff -u "$out/linux.txt" "$out/windows$width.txt" | head -40 >&2
    fail "the $width-bit fintop-walk.exe's output differs from the Linux walk's"
  fi
  echo "walk: the $width-bit fintop-walk.exe maps the default case as the Linux walk does ($(wc -l <"$out/linux.txt") lines)"
  # Two saved documents compared from their files (each difference read again there by seeking):
  # as the Linux walk compares them.
  if [ ! -f "$out/diff.txt" ]; then
    "$linux/bin/fintop-walk" --json >"$out/old.json" || fail "the Linux walk's --json failed"
    sed '0,/"data": [0-9]/s/"data": \([0-9]\)/"data": 1\1/' "$out/old.json" >"$out/new.json"
    status=0
    "$linux/bin/fintop-walk" --diff "$out/old.json" --new "$out/new.json" >"$out/diff.txt" || status=$?
    [ $status = 1 ] || fail "the Linux walk's --diff of two saved documents ended $status"
  fi
  exe=$PWD/build/$preset/bin/fintop-walk.exe status=0
  (cd "$out" && wine "$exe" --diff old.json --new new.json) >"$out/diff$width.raw" || status=$?
  tr -d '\r' <"$out/diff$width.raw" | cmp -s "$out/diff.txt" - && [ $status = 1 ] ||
    fail "the $width-bit fintop-walk.exe --diff of two saved documents ended $status: $(head -c 300 "$out/diff$width.raw")"
  echo "diff: the $width-bit fintop-walk.exe compares two saved documents as the Linux walk does"
  # Through fintop-trace.dll, with the snapshot: the log and snapshot it writes under Wine are
  # replayed by the Linux fintop-walk.
  bash tests/trace/check_proxy_walk.sh build/$preset/bin fintop-trace.dll fintop.dll \
    "$linux/bin/trace_log_check" wine "" "$linux/bin" ||
    fail "the $width-bit walk through fintop-trace.dll"

  # The zip unpacked beside the stand-in framework and host modules, as a user installs it,
  # in a folder whose name is not ASCII: its fintop-doctor.exe passes every check there, run in
  # the folder and given it from elsewhere (fintop.dll needs nothing beyond Windows, the
  # framework's modules and what the zip ships, and loads).
  folder=$(framework_folder $width "fw$width")
  cmake -E chdir "$folder" cmake -E tar xf "$PWD/$zip"
  (cd "$folder" && wine ./fintop-doctor.exe) >"$out/doctor$width.txt" ||
    { cat "$out/doctor$width.txt" >&2; fail "the $width-bit fintop-doctor.exe fails in the unpacked zip's folder"; }
  # Given from elsewhere, with --json: the folder's name is shown as it is.
  (cd "$out" && wine "$folder/fintop-doctor.exe" "$(winepath -w "$folder")" --json) >"$out/given$width.json" &&
    grep -qF 'Nörvane 2024\\日本' "$out/given$width.json" ||
    { cat "$out/given$width.json" >&2; fail "the $width-bit fintop-doctor.exe fails on the unpacked zip's folder given as its argument"; }
  (cd "$folder" && wine ./fintop-doctor.exe '/?') >"$out/help$width.txt" &&
    grep -q '^Usage:' "$out/help$width.txt" || fail "the $width-bit fintop-doctor.exe /? shows no help"
  echo "doctor: $(tail -1 "$out/doctor$width.txt" | tr -d '\r') in the unpacked $width-bit zip beside the stand-in framework, in $folder"

  # The recorder installed there as INSTALL.txt says, its settings file naming the log and the
  # snapshot beside it: fintop-walk.exe walks the plant from that folder through it, the
  # doctor names the recorder and the real plug-in, and the Linux walk replays the session.
  mv "$folder/fintop.dll" "$folder/fintop-real.dll"
  cp "$folder/fintop-trace.dll" "$folder/fintop.dll"
  printf 'FINTOP_TRACE_LOG=session.jsonl\r\nFINTOP_TRACE_SNAPSHOT=plant-snapshot.json\r\n' \
    >"$folder/fintop-trace.txt"
  cp build/$preset/bin/fintop-walk.exe build/$preset/bin/norvanemap.xml cases/default.json "$folder/"
  (cd "$folder" && env -u FINTOP_TRACE_LOG -u FINTOP_TRACE_PLUGIN -u FINTOP_TRACE_SNAPSHOT \
    wine ./fintop-walk.exe default.json) >"$out/recorded$width.raw" ||
    fail "the $width-bit fintop-walk.exe through the recorder in $folder"
  tr -d '\r' <"$out/recorded$width.raw" | cmp -s - "$out/linux.txt" ||
    fail "the $width-bit walk through the recorder in $folder differs from the Linux walk"
  (cd "$folder" && env -u FINTOP_TRACE_LOG wine ./fintop-doctor.exe) >"$out/recorder$width.raw" ||
    { cat "$out/recorder$width.raw" >&2; fail "the $width-bit doctor fails with the recorder installed in $folder"; }
  grep -q 'fintop.dll is fintop-trace, the recorder.*fintop-real.dll' "$out/recorder$width.raw" ||
    fail "the $width-bit doctor does not name the recorder and the real plug-in"
  "$linux/bin/fintop-walk" "$folder/plant-snapshot.json" --replay "$folder/session.jsonl" \
    >"$out/replayed$width.txt" ||
    { tail -n 3 "$out/replayed$width.txt" >&2; fail "the session recorded in $folder does not replay on Linux"; }
  echo "recorder: in $folder, the walk through it as the Linux walk's, the doctor names it, the session replays: $(tail -n 1 "$out/replayed$width.txt")"

  # README's commands under Wine (its round trip through the 64-bit fintop-trace.dll), with the
  # Linux walk as a user's build/walk/bin; the unit suite skips them.
  if [ $width = 64 ]; then
    start=$(date +%s)
    bash tests/scripts/readme_test.sh --run wine --bin walk="$linux/bin" --bin mingw64=build/mingw64/bin \
      README.md CMakePresets.json || fail "README's commands under Wine"
    echo "README's commands under Wine: $(($(date +%s) - start)) s"
  fi
done

# The 32-bit zip's fintop.dll (built without the 32-bit Wine too) in a 64-bit framework's
# folder, checked by the 64-bit doctor: one advice, the win64 zip; no system module to copy, no
# system message with an unfilled insert.
if [ "${wine_ok[64]}" = 1 ]; then
  folder=$(framework_folder 64 wrong-width)
  cmake -E chdir "$folder" cmake -E tar xf "$PWD/$(ls build/mingw32/package/fintop-*.zip)"
  cp build/mingw64/bin/fintop-doctor.exe "$folder/"
  status=0
  (cd "$folder" && wine ./fintop-doctor.exe) >"$out/wrong-width.raw" || status=$?
  tr -d '\r' <"$out/wrong-width.raw" >"$out/wrong-width.txt"
  if [ $status != 1 ] || [ "$(grep -o 'fintop-\*-win[0-9]*\.zip' "$out/wrong-width.txt")" != 'fintop-*-win64.zip' ] ||
    grep -Eiq '%[0-9]|put the .* in the folder|copy it' "$out/wrong-width.txt"; then
    cat "$out/wrong-width.txt" >&2
    fail "the 64-bit doctor on the 32-bit fintop.dll (exit status $status): not the one advice of the win64 zip"
  fi
  echo "doctor: the 32-bit fintop.dll in a 64-bit folder: $(grep -o 'needs the 64-bit fintop.dll ([^)]*)' "$out/wrong-width.txt")"
fi

# The doctor's case that needs both widths: the 32-bit plug-in among the 64-bit modules.
if [ "${wine_ok[32]}" != 1 ] || [ "${wine_ok[64]}" != 1 ]; then
  not_run "the doctor's case of both widths (it runs the 32-bit doctor under Wine)"
  exit 0
fi
bash tests/doctor/doctor_test.sh --bin build/mingw32/bin --doctor fintop-doctor.exe \
  --plugin fintop.dll --width 32 --run wine --other build/mingw64/bin || fail "the doctor's case of both widths failed"
