#!/usr/bin/env python3
"""Which lines of the kit (tools/) no native test reaches: a line coverage run with gcov.

  scripts/coverage.py [--build DIR] [--lines] [--no-run]

Configures DIR (default build/coverage: Debug, --coverage, no benchmarks) on first use, builds
it, runs ctest there, and reads every .gcda with gcov's JSON output. Prints, per file of
tools/, the lines not reached of those that hold code, and the total; --lines lists each such
line. --no-run reads what the last run left. The exports tests fail in this build (gcov's own
symbols are exported) and are not run. Lines run only in a child process that ends with _exit
(the reducer's and the doctor's children), and code built only on Windows, show as not reached.
"""
import argparse
import collections
import json
import os
import subprocess
import sys

TREE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TOOLS = os.path.join(TREE, 'tools') + os.sep


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--build', default=os.path.join(TREE, 'build', 'coverage'))
    parser.add_argument('--lines', action='store_true')
    parser.add_argument('--no-run', action='store_true')
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    if not args.no_run:
        if not os.path.exists(os.path.join(build, 'CMakeCache.txt')):
            subprocess.run(['cmake', '-S', TREE, '-B', build, '-G', 'Ninja',
                            '-DCMAKE_BUILD_TYPE=Debug', '-DCMAKE_CXX_FLAGS=--coverage -O0',
                            '-DCMAKE_EXE_LINKER_FLAGS=--coverage',
                            '-DCMAKE_SHARED_LINKER_FLAGS=--coverage', '-DFINTOP_BUILD_BENCH=OFF'],
                           check=True, stdout=subprocess.DEVNULL)
        subprocess.run(['cmake', '--build', build], check=True, stdout=subprocess.DEVNULL)
        for root, _, names in os.walk(build):  # counts from this run only
            for name in names:
                if name.endswith('.gcda'):
                    os.remove(os.path.join(root, name))
        subprocess.run(['ctest', '-j2', '-E', '^exports'], cwd=build, stdout=subprocess.DEVNULL)
    counts = collections.defaultdict(dict)  # file -> line -> times run
    for root, _, names in os.walk(build):
        for name in (n for n in names if n.endswith('.gcda')):
            out = subprocess.run(['gcov', '-t', '--json-format', '-o', root, name], cwd=root,
                                 capture_output=True, text=True).stdout
            for document in filter(str.strip, out.splitlines()):
                data = json.loads(document)
                for f in data['files']:
                    path = os.path.realpath(os.path.join(data['current_working_directory'],
                                                         f['file']))
                    if path.startswith(TOOLS):
                        for line in f['lines']:
                            n = line['line_number']
                            counts[path][n] = counts[path].get(n, 0) + line['count']
    total = unreached = 0
    for path in sorted(counts):
        missed = sorted(n for n, c in counts[path].items() if c == 0)
        total += len(counts[path])
        unreached += len(missed)
        if missed:
            print(f'{len(missed):4d} of {len(counts[path]):4d}  {os.path.relpath(path, TREE)}')
        if args.lines and missed:
            text = open(path, encoding='utf-8').read().split('\n')
            for n in missed:
                print(f'      {n:4d}: {text[n - 1].strip()}')
    if total == 0:
        sys.exit('coverage: no counts read (was the build run?)')
    print(f'{unreached} of {total} lines of code in tools/ not reached '
          f'({100 * (total - unreached) / total:.1f}% reached)')


if __name__ == '__main__':
    main()
