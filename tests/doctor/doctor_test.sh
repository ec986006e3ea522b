#!/usr/bin/env bash
# fintop-doctor's cases: each makes a fresh folder as the zip and the stand-in framework make
# it (the build's modules, the plug-in, the doctor), under a path with a space, "ö" and "日本" in
# it, changes one thing in it, runs the doctor there as a user does, and checks the exit status
# and every line: the check lines in order (five; six with the recorder; one for a plug-in file
# that is no module), each ok line as written, each FAIL line with its cause and its advice, and
# the count; then runs it with --json and checks the document against the lines (check names,
# ok flags, texts, problems, the failed count), its members in name order, and the case's details. A command line or folder
# the doctor cannot use (exit 2) must give one line on stderr and nothing on stdout.
#   doctor_test.sh --bin DIR --doctor NAME --plugin NAME --width BITS [--run EMULATOR]
#                  [--other DIR] [--part K/N]
# DIR is the build's bin folder (bin/doctor/ holds the faulty modules). --other DIR, the bin
# folder of the other width, runs only the case of the plug-in among that width's modules.
# --part K/N runs the K-th of every N cases (ctest runs the parts side by side).
set -euo pipefail

bin="" doctor="" plugin="" width=64 run=() other="" part=1/1
while [ $# -gt 0 ]; do
  case "$1" in
    --bin) bin=$2; shift 2 ;;
    --doctor) doctor=$2; shift 2 ;;
    --plugin) plugin=$2; shift 2 ;;
    --width) width=$2; shift 2 ;;
    --run) run=("$2"); shift 2 ;;
    --other) other=$2; shift 2 ;;
    --part) part=$2; shift 2 ;;
    *) echo "doctor_test: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ -x "$bin/$doctor" ] || { echo "doctor_test: no $doctor in '$bin'" >&2; exit 2; }
[[ $part =~ ^([1-9][0-9]*)/([1-9][0-9]*)$ ]] && [ "${BASH_REMATCH[1]}" -le "${BASH_REMATCH[2]}" ] ||
  { echo "doctor_test: --part $part is not K/N with 1 <= K <= N" >&2; exit 2; }
part_k=${BASH_REMATCH[1]} part_n=${BASH_REMATCH[2]}
python=/usr/bin/python3
[ -x $python ] || { echo "doctor_test: no $python (package python3)" >&2; exit 2; }
bin=$(cd "$bin" && pwd)
[ -z "$other" ] || other=$(cd "$other" && pwd)
modules=$bin/doctor
machine=x86-64
[ "$width" = 32 ] && machine=x86
case $plugin in
  *.dll) framework=FIIterator.dll qelutils=QELUtils.dll kind=DLL recorder=fintop-trace.dll real=fintop-real.dll
    version=", file version [0-9]+\.[0-9]+\.[0-9]+\.[0-9]+, product version [0-9]+\.[0-9]+\.[0-9]+\.[0-9]+" ;;
  *) framework=libFIIterator.so qelutils=libQELUtils.so kind="shared object" version=""
     recorder=libfintop-trace.so real=libfintop-real.so ;;
esac
# The module a user forgets to copy: on 32-bit Windows the compiler's unwinder.
removed=$framework
advice="it is a framework module: run the doctor on the framework's own folder, and copy fintop's files there"
if [ -f "$bin/libgcc_s_dw2-1.dll" ]; then
  removed=libgcc_s_dw2-1.dll
  advice="it ships in the 32-bit zip beside fintop\.dll: copy it into the folder"
fi
q=${plugin//./\\.}  # the plug-in's name in a pattern
sep='[/\\]'        # a folder's separator in a pattern

# The lines of a folder where everything is right, as patterns.
entries='"GetTopFIEntryV", "GetTopNorvaneCtx", "TestIteratorX"'
declare -A OK=(
  [plug-in]="^ok   plug-in: $q is a $width-bit $kind for $machine$version\$"
  [exports]="^ok   exports: $q exports all 92 callbacks, the 4 bootstrap functions and the 21 members of FIMessageFilter, FISolver and FIPath under their plain names\$"
  [imports]="^ok   imports: (.*; )?([^;]*, )?${qelutils//./\\.}(, [^;]*)? in the folder(; .*)?: each $width-bit and exporting every name it is asked for\$"
  [host]="^ok   host entry points: norvaneeng\.dll in the folder provides $entries; finadapt\.dll in the folder provides $entries\$"
  [load]="^ok   load: $q loads with the folder searched first, all 117 exports resolve, unloaded\$"
)
# A framework module without a name fintop takes from it: a PE import names its module, an
# ELF symbol is looked for in every library loaded.
lacking="^FAIL imports: ${qelutils//./\\.} in the folder lacks 1 of the [0-9]+ names $q takes from it \(_ZN11FIAttribute5ClearEv\): ${qelutils//./\\.} is of another version than the one $q was built for: use the framework modules and fintop of one release\$"
lacking_json="[(m['missing'], m['spelling']) for m in c['imports']['modules'] if m['module'] == '$qelutils'] == [(['_ZN11FIAttribute5ClearEv'], \"GCC's (_Z...)\")]"
if [ "$kind" != DLL ]; then
  lacking="^FAIL imports: no library $q needs defines _ZN11FIAttribute5ClearEv: the framework's libraries are of another version than the one fintop was built for: use the framework and fintop of one release\$"
  lacking_json="len(c['imports']['problems']) == 1 and '_ZN11FIAttribute5ClearEv' in c['imports']['problems'][0]"
fi
# A crash while loading: Linux's loader lets it end the process; Wine's ends the load with it.
use_zip="use the $q of the zip"
crash_line="the loader crashed \(SIGSEGV\) while loading $q: the file is damaged, or not a plug-in of this build: $use_zip"
crash_outcome=crashed abort_cause=SIGABRT
if [ "$kind" = DLL ]; then
  crash_line="($q does not load: .* OR the loader crashed \(exception 0xC0000005, access violation\) while loading $q: .*)"
  crash_outcome="' + c['load']['outcome'] + '"  # either
  abort_cause="abort, exit status 3"
fi
# A plug-in of stubs needs only the system's modules, or none (built without the sanitizers,
# what it imports depends on the toolchain's defaults).
stub_imports="^ok   imports: ($q imports no module OR [^;]* in [^;]*(; [^;]* in [^;]*)*: each $width-bit and exporting every name it is asked for)\$"
names=(plug-in exports imports host load)
above=" \(the failures above say why\)"
zip_advice="use the $q of the zip"
# A plug-in file that is no module: its one check, and what to do.
put_zip="put the $q of the zip in the folder"

# name | setup (run in the folder; it may set `environment`, variables added to the doctor's) |
# exit status | the check lines (OK: as above; " OR " for a bar) and the count of failed checks,
# separated by " ~ " | a Python test of the JSON document (c: the checks by name); for exit
# status 2 the pattern of the line on stderr
cases=(
  "the whole folder|:|0|OK ~ OK ~ OK ~ OK ~ OK ~ 0|c['load']['loaded'] and c['load']['outcome'] == 'loaded' and c['exports']['missing'] == [] and c['exports']['expected'] == 117 and c['plug-in']['width'] == $width"
  "a module missing|rm $removed|1|OK ~ OK ~ ^FAIL imports: $removed \(needed by [^)]*\) is not in the folder, the system's folders or PATH: $advice\$ ~ OK ~ ^FAIL load: $q does not load: .*$above\$ ~ 2|[m['found'] for m in c['imports']['modules'] if m['module'] == '$removed'] == [None] and c['load']['outcome'] == 'refused' and not c['load']['loaded'] and not c['load']['message'].startswith('unknown error')"
  "a module damaged|: >$qelutils|1|OK ~ OK ~ ^FAIL imports: ${qelutils//./\\.} \(needed by [^)]*\) cannot be used: .*: is empty, not a module: replace it\$ ~ OK ~ ^FAIL load: $q does not load: .*$above\$ ~ 2|[m['found'] is not None for m in c['imports']['modules'] if m['module'] == '$qelutils'] == [True] and c['load']['outcome'] == 'refused'"
  "a framework of another version|cp \"$modules/lacking/$qelutils\" .|1|OK ~ OK ~ $lacking ~ OK ~ ^FAIL load: $q (does not load: .*$above OR loads here only because .*)\$ ~ 2|$lacking_json"
  "a host module lacking an entry point|cp \"$modules/host/norvaneeng.dll\" norvaneeng.dll; cp norvaneeng.dll finadapt.dll|1|OK ~ OK ~ OK ~ ^FAIL host entry points: no host module provides \"TestIteratorX\" \(TestIterator returns 0 without it\): norvaneeng\.dll in the folder provides \"GetTopFIEntryV\", \"GetTopNorvaneCtx\"; finadapt\.dll in the folder provides \"GetTopFIEntryV\", \"GetTopNorvaneCtx\": the folder needs the host's modules of a release that has these entry points\$ ~ OK ~ 1|c['host entry points']['entry_points'] == {'GetTopFIEntryV': 'norvaneeng.dll', 'GetTopNorvaneCtx': 'norvaneeng.dll', 'TestIteratorX': None}"
  "a host program that has what the host modules lack|cp \"$modules/host/norvaneeng.dll\" norvaneeng.dll; cp norvaneeng.dll finadapt.dll; cp \"$modules/program/norvane.exe\" .|0|OK ~ OK ~ OK ~ ^ok   host entry points: norvane\.exe in the folder provides $entries; norvaneeng\.dll in the folder provides \"GetTopFIEntryV\", \"GetTopNorvaneCtx\"; finadapt\.dll in the folder provides \"GetTopFIEntryV\", \"GetTopNorvaneCtx\"\$ ~ OK ~ 0|c['host entry points']['entry_points'] == {'GetTopFIEntryV': 'norvane.exe', 'GetTopNorvaneCtx': 'norvane.exe', 'TestIteratorX': 'norvane.exe'}"
  "a host program elsewhere is not the host|mkdir elsewhere; cp \"$modules/program/norvane.exe\" elsewhere/; cp \"$modules/host/norvaneeng.dll\" norvaneeng.dll; cp norvaneeng.dll finadapt.dll|1|OK ~ OK ~ OK ~ ^FAIL host entry points: no host module provides \"TestIteratorX\" .*\$ ~ OK ~ 1|[m['module'] for m in c['host entry points']['modules']] == ['norvaneeng.dll', 'finadapt.dll']"
  "a plug-in without an export|cp \"$modules/missing/$plugin\" .|1|OK ~ ^FAIL exports: $q does not export CTStreams: the framework finds every export by its plain name, so this is a faulty build of fintop: $zip_advice\$ ~ $stub_imports ~ OK ~ ^FAIL load: $q loads, but CTStreams cannot be resolved: use the $q of the zip\$ ~ 2|c['exports']['missing'] == ['CTStreams'] and c['exports']['decorated'] == [] and c['load']['unresolved'] == ['CTStreams'] and c['load']['loaded']"
  "a plug-in without eight exports|cp \"$modules/missing8/$plugin\" .|1|OK ~ ^FAIL exports: $q does not export [A-Za-z0-9_]+(, [A-Za-z0-9_]+){7}: the framework finds every export by its plain name, .*\$ ~ $stub_imports ~ OK ~ ^FAIL load: $q loads, but .*: use the $q of the zip\$ ~ 2|len(c['exports']['missing']) == 8"
  "a plug-in with a decorated export|cp \"$modules/decorated/$plugin\" .|1|OK ~ ^FAIL exports: $q exports decorated names: _CTStreams \(for CTStreams\): the framework finds every export by its plain name, so this is a faulty build of fintop: $zip_advice\$ ~ $stub_imports ~ OK ~ ^FAIL load: $q loads, but CTStreams cannot be resolved: use the $q of the zip\$ ~ 2|c['exports']['decorated'] == ['_CTStreams (for CTStreams)'] and c['exports']['missing'] == []"
  "a plug-in exporting a name that is not UTF-8|LC_ALL=C sed 's/_Z9CTStreamsX/_Z9CTStreams\\xff/' \"$modules/nonutf8/$plugin\" >$plugin|1|OK ~ ^FAIL exports: $q exports decorated names: _Z9CTStreams\\\\xff \(for CTStreams\): .*\$ ~ $stub_imports ~ OK ~ ^FAIL load: $q loads, but CTStreams cannot be resolved: .*\$ ~ 2|c['exports']['decorated'] == ['_Z9CTStreams\\\\xff (for CTStreams)']"
  "a plug-in whose loading crashes|cp \"$modules/crash/$plugin\" .|1|OK ~ ^FAIL exports: .* ~ $stub_imports ~ OK ~ ^FAIL load: $crash_line\$ ~ 2|c['load']['outcome'] == '$crash_outcome' and not c['load']['loaded']"
  "a plug-in whose loading aborts|cp \"$modules/abort/$plugin\" .|1|OK ~ ^FAIL exports: .* ~ $stub_imports ~ OK ~ ^FAIL load: the loader aborted \($abort_cause\) while loading $q \(it said: .*\): the file is damaged, or not a plug-in of this build: $use_zip\$ ~ 2|c['load']['outcome'] == 'aborted' and c['load']['message'] == '$abort_cause'"
  "a plug-in whose loading reads the input|cp \"$modules/input/$plugin\" .|0|OK ~ OK ~ $stub_imports ~ OK ~ OK ~ 0|c['load']['outcome'] == 'loaded'"
  "a plug-in whose loading never ends|cp \"$modules/hang/$plugin\" .; seconds=4|1|OK ~ ^FAIL exports: .* ~ $stub_imports ~ OK ~ ^FAIL load: $q did not finish loading within 4 s \(stopped while loading it\): the file is damaged, or not a plug-in of this build: $use_zip\$ ~ 2|c['load']['outcome'] == 'timed out'"
  # Wrong inputs in the plug-in's place: one line saying what it is and what to do.
  "an empty plug-in|: >$plugin|1|^FAIL plug-in: $q is empty, not a module: $put_zip\$ ~ 1|c['plug-in']['width'] == 0"
  "a plug-in that is text|echo not a module >$plugin|1|^FAIL plug-in: $q is not a module( \(.*\))?: $put_zip\$ ~ 1|c['plug-in']['problems'] != []"
  "a plug-in that is binary data|{ printf '\\x89PNG\\r\\n\\x1a\\n'; head -c 4000 /dev/zero; } >$plugin|1|^FAIL plug-in: $q is not a module( \\(.*\\))?: $put_zip\$ ~ 1|not c['plug-in']['ok']"
  "a truncated plug-in|head -c 3000 \"$bin/$plugin\" >$plugin|1|^FAIL plug-in: $q is truncated or malformed \(.*\): $put_zip\$ ~ 1|not c['plug-in']['ok']"
  "no plug-in in the folder|rm $plugin|1|^FAIL plug-in: $q is not in the folder: copy the $q of the zip there\$ ~ 1|not c['plug-in']['ok']"
  # A command line or folder the doctor cannot use: exit status 2, one line.
  "a folder that is not one|json=0; folder=nowhere|2|^fintop-doctor: nowhere: not a folder\$|"
  "a folder named beyond ASCII that is not one|json=0; folder='Nörvane 日本'|2|^fintop-doctor: Nörvane 日本: not a folder\$|"
  "a plug-in file that is not there|json=0; extra='--plugin nothing.dll'|2|^fintop-doctor: nothing\.dll: no such file\$|"
  "an option the doctor does not know|json=0; extra=--frobnicate|2|^fintop-doctor: .*frobnicate|"
)
# The recorder in the plug-in's place (INSTALL.txt, "Recording a session"): it and the real
# plug-in it loads are checked, and its settings.
if [ -f "$bin/$recorder" ]; then
  r=${real//./\\.}
  settings="mkdir 'session log'; printf 'FINTOP_TRACE_LOG = session log/session.jsonl\\nFINTOP_TRACE_SNAPSHOT=case.json\\n' >fintop-trace.txt"
  recorder_line="^ok   plug-in: $q is fintop-trace, the recorder \\(a $width-bit $kind for $machine$version\\); the real plug-in it loads, $r \\(its default name\\), is a $width-bit $kind for $machine$version\$"
  cases+=(
    "the recorder in the plug-in's place|mv $plugin $real; cp $recorder $plugin; $settings|0|$recorder_line ~ ^ok   recorder: fintop-trace\\.txt beside $q: every line understood; the log .*session log.session\\.jsonl and the snapshot .*case\\.json can be written\$ ~ ^ok   exports: $q and $r export all 92 callbacks, .* ~ ^ok   imports: .*: each $width-bit and exporting every name it is asked for\$ ~ ${OK[host]} ~ ^ok   load: $q and $r load with the folder searched first, all 117 exports of each resolve, unloaded\$ ~ 0|c['plug-in']['real_plugin'].endswith('$real') and c['recorder']['complaints'] == [] and c['recorder']['log'].endswith('session.jsonl')"
    "the recorder with the rename forgotten|cp $recorder $plugin; $settings|1|^FAIL plug-in: $q is fintop-trace, the recorder \\(.*\\); the real plug-in it loads, $r \\(its default name\\), is not there, so every callback answers \"not found\": rename the real $q to $r \\(INSTALL\\.txt, \"Recording a session\"\\)\$ ~ ^ok   recorder: .* ~ ${OK[exports]} ~ ${OK[imports]} ~ ${OK[host]} ~ ${OK[load]} ~ 1|c['plug-in']['problems'] != [] and c['recorder']['ok']"
    "the recorder loading a program as the real plug-in|cp $recorder $plugin; cp $doctor $real; $settings|1|^FAIL plug-in: $r is a [0-9]+-bit program for [^,]+, not a plug-in: put the $q of the zip in the folder\$ ~ ^ok   recorder: .* ~ ^FAIL exports: .* ~ .* ~ .* ~ .* ~ 3 OR 4 OR 5|not c['plug-in']['ok'] and c['plug-in']['real_plugin'].endswith('$real')"
    "the recorder naming no log, with five settings not understood|mv $plugin $real; cp $recorder $plugin; printf 'A=1\\nB=2\\nC=3\\nD=4\\nE=5\\n' >fintop-trace.txt|1|$recorder_line ~ ^FAIL recorder: the recorder does not understand every setting \\(fintop-trace\\.txt:1: [^;]*; fintop-trace\\.txt:2: [^;]*; fintop-trace\\.txt:3: [^;]*; and 2 more\\): correct or remove those lines of fintop-trace\\.txt \\(INSTALL\\.txt, \"Recording a session\"\\); no log is named \\(FINTOP_TRACE_LOG, in fintop-trace\\.txt or this environment\\), so $q records nothing: name one in fintop-trace\\.txt beside $q \\(FINTOP_TRACE_LOG=fintop-session\\.jsonl\\)\$ ~ ^ok   exports: .* ~ ^ok   imports: .* ~ ${OK[host]} ~ ^ok   load: .* ~ 1|len(c['recorder']['complaints']) == 5 and c['recorder']['log'] is None"
    "the recorder's settings not understood|mv $plugin $real; cp $recorder $plugin; printf 'FINTOP_TRACE_LOG=nowhere/session.jsonl\\nFINTOP_TRACE_LOGG=x\\n' >fintop-trace.txt|1|$recorder_line ~ ^FAIL recorder: the recorder does not understand every setting \\(fintop-trace\\.txt:2: unknown setting .*\\): correct or remove those lines of fintop-trace\\.txt \\(INSTALL\\.txt, \"Recording a session\"\\); the log .*nowhere.session\\.jsonl cannot be made: the folder .*nowhere does not exist: name a log in a folder that can be written \\(FINTOP_TRACE_LOG\\)\$ ~ ^ok   exports: .* ~ ^ok   imports: .* ~ ${OK[host]} ~ ^ok   load: .* ~ 1|len(c['recorder']['complaints']) == 1 and c['recorder']['snapshot'] is None"
  )
fi
if [ -d "$modules/microsoft" ]; then
  cases+=("a framework of the Microsoft compiler|cp \"$modules/microsoft/$qelutils\" .|1|OK ~ OK ~ ^FAIL imports: QELUtils\.dll in the folder lacks ([0-9]+) of the \\1 names $q takes from it \(_ZN10FITopEntry6CreateEN2FI9ObjectPtrINS0_7ContextEEEPv, .*\): its own C\+\+ exports use the Microsoft compiler's \(\?\.\.\.@@\.\.\.\) spelling and $q takes GCC's \(_Z\.\.\.\) names: QELUtils\.dll was built with another compiler, and fintop must be built with the compiler family of the framework: use a fintop built with that compiler\$ ~ OK ~ ^FAIL load: $q (does not load: .* OR loads here only because this system's loader \(Wine's does so\) put stubs in place of [0-9]+ imports it did not find, from QELUtils\.dll: Windows refuses to load it)$above\$ ~ 2|[m['spelling'] for m in c['imports']['modules'] if m['module'] == 'QELUtils.dll'] == [\"the Microsoft compiler's (?...@@...)\"]")
fi
# ELF: machine, width, a program in the plug-in's place, RUNPATH and RPATH.
if [ -d "$modules/runpath" ]; then
  cases+=(
    "a plug-in for another machine|cp \"$modules/missing/$plugin\" .; printf '\\xb7\\x00' >machine; dd if=machine of=$plugin bs=1 seek=18 conv=notrunc status=none|1|^FAIL plug-in: $q is a 64-bit shared object for ARM64, which fintop is not built for: use the $q of the zip of the host's width\$ ~ ^FAIL exports: $q does not export CTStreams: .*\$ ~ (^FAIL imports: [^;]+ in [^ ]+ (is OR are) for x86-64 but $q is for ARM64 \(the failure above says what to do\)\$ OR ^ok   imports: $q imports no module\$) ~ OK ~ ^FAIL load: $q does not load: .*$above\$ ~ 3 OR 4|c['plug-in']['machine'] == 'ARM64' and c['plug-in']['problems'] != []"
    "a plug-in whose section headers run past its end|printf '\\x80\\x00' >size; dd if=size of=$plugin bs=1 seek=58 conv=notrunc status=none|1|^FAIL plug-in: $q is truncated or malformed \(headers beyond the end of the file\): $put_zip\$ ~ 1|not c['plug-in']['ok']"
    "a plug-in whose first segment runs past its end|printf '\\x7f' >size; dd if=size of=$plugin bs=1 seek=99 conv=notrunc status=none|1|^FAIL plug-in: $q is truncated or malformed \(a segment beyond the end of the file\): $put_zip\$ ~ 1|not c['plug-in']['ok']"
    "a program in the plug-in's place|cp $doctor $plugin|1|^FAIL plug-in: $q is a 64-bit program for x86-64, not a plug-in: put the $q of the zip in the folder\$ ~ ^FAIL exports: $q exports none of the 117 names of fintop: .*\$ ~ ^ok   imports: .* ~ OK ~ ^FAIL load: $q does not load: .*$above\$ ~ 3|c['plug-in']['kind'] == 'program'"
    "a plug-in finding the framework through its RUNPATH|cp \"$modules/runpath/$plugin\" .; mkdir framework; mv $qelutils framework/|0|OK ~ OK ~ ^ok   imports: (.*; )?$qelutils in [^;]*/framework(; .*)?: each 64-bit and exporting every name it is asked for\$ ~ OK ~ OK ~ 0|[m['found'].endswith('/framework/$qelutils') for m in c['imports']['modules'] if m['module'] == '$qelutils'] == [True]"
    "a plug-in whose RUNPATH does not name the folder|cp \"$modules/runpath/$plugin\" .|1|OK ~ OK ~ ^FAIL imports: $qelutils \(needed by $q\) is not in the folder, the system's folders or PATH: .*\$ ~ OK ~ ^FAIL load: $q does not load: .*$qelutils.*$above\$ ~ 2|[m['found'] for m in c['imports']['modules'] if m['module'] == '$qelutils'] == [None]"
    "a plug-in finding the framework through LD_LIBRARY_PATH (folders parted by ';'), the loader in /lib64|mkdir libs; mv $qelutils libs/; environment=(\"LD_LIBRARY_PATH=nowhere;\$PWD/libs\")|0|OK ~ OK ~ ^ok   imports: (.*; )?$qelutils in [^;]*/libs(; .*)?: each 64-bit and exporting every name it is asked for\$ ~ OK ~ OK ~ 0|[m['found'] for m in c['imports']['modules'] if m['module'] == 'ld-linux-x86-64.so.2'] == ['/lib64/ld-linux-x86-64.so.2']"
    "a plug-in finding the framework through an empty entry of LD_LIBRARY_PATH (the working folder)|mkdir plant; mv * plant/ 2>/dev/null; mv plant/$doctor plant/$qelutils .; folder=plant; environment=(\"LD_LIBRARY_PATH=nowhere:\")|0|OK ~ OK ~ ^ok   imports: (.*; )?$qelutils in \\.(; .*)?: each 64-bit and exporting every name it is asked for\$ ~ OK ~ OK ~ 0|[m['found'] for m in c['imports']['modules'] if m['module'] == '$qelutils'] == ['./$qelutils']"
    "a plug-in finding the framework through its RPATH|cp \"$modules/rpath/$plugin\" .; mkdir framework; mv $qelutils framework/|0|OK ~ OK ~ ^ok   imports: (.*; )?$qelutils in [^;]*/framework(; .*)?: each 64-bit and exporting every name it is asked for\$ ~ OK ~ OK ~ 0|c['load']['outcome'] == 'loaded'"
  )
  if [ -f "$modules/width32/$plugin" ]; then
    cases+=("a 32-bit plug-in among 64-bit modules|cp \"$modules/width32/$plugin\" .|1|^ok   plug-in: $q is a 32-bit shared object for x86\$ ~ ^FAIL exports: $q does not export CTStreams: .*\$ ~ ^ok   imports: $q imports no module\$ ~ ^FAIL host entry points: no host module provides .*: norvaneeng\.dll in the folder is 64-bit, $q 32-bit; finadapt\.dll in the folder is 64-bit, $q 32-bit: the host is 64-bit and needs the 64-bit $q \(a build for 64-bit Linux\)\$ ~ ^FAIL load: $q does not load: .*$above\$ ~ 3|c['plug-in']['width'] == 32 and c['load']['outcome'] == 'refused'")
  else
    echo "note: no 32-bit stub plug-in in this build (no -m32 compiler): that case is not run"
  fi
fi
if [ -n "$other" ]; then
  # The other width's framework and host modules with this width's plug-in and doctor.
  cases=("the framework of the other width|for f in FIIterator.dll QELUtils.dll QELCOM.DLL norvaneeng.dll finadapt.dll; do cp \"$other/\$f\" .; done|1|OK ~ OK ~ ^FAIL imports: FIIterator\.dll, .* in the folder are [0-9]+-bit but $q is $width-bit: this framework is [0-9]+-bit and needs the [0-9]+-bit $q \(the zip fintop-\*-win[0-9]+\.zip\)\$ ~ ^FAIL host entry points: .*the host is [0-9]+-bit \(the failure above says what to do\)\$ ~ ^FAIL load: .*\$ ~ 3|c['imports']['problems'] != []")
fi

top=$(mktemp -d)
trap 'rm -rf "$top"' EXIT
# Every case's folder is under a path with a space and letters beyond ASCII, as a user's may be.
work="$top/Nörvane 2024/日本"
mkdir -p "$work"

# Compares the text run's lines and the --json run's document; then the case's own test.
json_check='
import json, re, sys
lines = open(sys.argv[1]).read().splitlines()
d = json.load(open(sys.argv[2]))
names = [line.split(" ", 1)[1].lstrip().split(": ", 1)[0] for line in lines[:-1]]
assert [k["check"] for k in d["checks"]] == names, "check names"
c = {k["check"]: k for k in d["checks"]}
for line, k in zip(lines, d["checks"]):
    ok = line.startswith("ok   ")
    assert k["ok"] == ok, "ok of " + k["check"]
    assert line.split(": ", 1)[1] == k["text"], "text of " + k["check"]
    assert (k["problems"] == []) == ok, "problems of " + k["check"]
failed = sum(not k["ok"] for k in d["checks"])
count = "%d of %d check%s failed" % (failed, len(names), "" if len(names) == 1 else "s")
assert d["failed"] == failed and lines[-1] == d["summary"] == count, "count"
def in_order(v):  # the members of every object sorted by name, as the doctor writes them
    if isinstance(v, dict):
        assert list(v) == sorted(v), "members out of order: " + ", ".join(v)
    for x in v.values() if isinstance(v, dict) else v if isinstance(v, list) else []:
        in_order(x)
in_order(d)
assert eval(sys.argv[3]), "the case: " + sys.argv[3]
'

# The doctor's input, as in a pipeline: the load check's child must not take it.
input="a line the plug-in's loading must not read"
failed=0
n=0
ran=0
for row in "${cases[@]}"; do
  IFS='|' read -r name setup status expected test <<<"$row"
  n=$((n + 1))
  [ $(((n - 1) % part_n + 1)) = "$part_k" ] || continue
  ran=$((ran + 1))
  dir=$work/$n
  mkdir "$dir"
  shopt -s nullglob
  cp "$bin"/*.dll "$bin"/*.DLL "$bin"/*.so "$bin/$doctor" "$dir"/
  shopt -u nullglob
  json=1 folder=. extra="" seconds=30 environment=()
  pushd "$dir" >/dev/null
  if ! eval "$setup"; then
    echo "FAILED: $name: the setup failed"
    failed=1
    popd >/dev/null
    continue
  fi
  popd >/dev/null
  problem=""
  actual=0
  (cd "$dir" && env "${environment[@]}" FINTOP_DOCTOR_LOAD_SECONDS=$seconds "${run[@]}" "./$doctor" "$folder" $extra) <<<"$input" >"$work/out" 2>"$work/err" || actual=$?
  tr -d '\r' <"$work/out" >"$work/stdout"
  tr -d '\r' <"$work/err" >"$work/stderr"
  if [ "$actual" != "$status" ]; then
    problem="exit status $actual, not $status"
  elif [ "$status" = 2 ]; then
    if [ -s "$work/stdout" ] || [ "$(wc -l <"$work/stderr")" != 1 ] || ! grep -Eq -- "$expected" "$work/stderr"; then
      problem="not the one line on stderr matching '$expected'"
    fi
  else
    mapfile -t lines <"$work/stdout"
    IFS=$'\n' read -r -d '' -a patterns < <(sed 's/ ~ /\n/g' <<<"$expected" && printf '\0')
    checks=$((${#patterns[@]} - 1))
    if [ -s "$work/stderr" ]; then
      problem="output on stderr"
    elif [ "${#lines[@]}" != $((checks + 1)) ]; then
      problem="${#lines[@]} lines, not the $checks checks and the count"
    else
      for ((i = 0; i < checks; i++)); do
        pattern=${patterns[$i]}
        [ "$pattern" = OK ] && pattern=${OK[${names[$i]}]}
        pattern=${pattern//' OR '/|}  # the table's fields are split at bars
        if ! grep -Eq -- "$pattern" <<<"${lines[$i]}"; then
          problem="line $((i + 1)) does not match '$pattern'"
          break
        fi
      done
      plural=s
      [ $checks = 1 ] && plural=""
      count="^(${patterns[$checks]//' OR '/|}) of $checks check$plural failed\$"
      if [ -z "$problem" ] && ! grep -Eq -- "$count" <<<"${lines[$checks]}"; then
        problem="the count does not match '$count'"
      fi
    fi
    if [ -z "$problem" ] && [ "$json" = 1 ]; then
      actual=0
      (cd "$dir" && env "${environment[@]}" FINTOP_DOCTOR_LOAD_SECONDS=$seconds "${run[@]}" "./$doctor" "$folder" $extra --json) <<<"$input" >"$work/json" 2>"$work/err" || actual=$?
      if [ "$actual" != "$status" ] || [ -s "$work/err" ]; then
        problem="--json: exit status $actual (not $status) or output on stderr"
      elif ! $python -c "$json_check" "$work/stdout" "$work/json" "$test" 2>"$work/why"; then
        problem="--json: $(tail -n 1 "$work/why")"
      fi
    fi
  fi
  if [ -n "$problem" ]; then
    echo "FAILED: $name: $problem"
    sed 's/^/  | /' "$work/stdout" "$work/stderr"
    failed=1
  else
    echo "ok: $name"
  fi
done
echo "$ran of $n cases"
[ $ran -gt 0 ] || { echo "FAILED: no case in part $part"; failed=1; }
exit $failed
