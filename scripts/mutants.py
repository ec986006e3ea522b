#!/usr/bin/env python3
"""How many small faults in the kit (tools/) the native tests catch: a mutation sweep.

Each mutant is one small change to one line of tools/: a comparison or logical operator
turned, true for false, a number one more, a text's last character dropped, a statement left
out. The sweep makes each alone in the tree, rebuilds, runs the tests that reach the file's
folder, and puts the line back. It edits the files it mutates, so run it in a worktree of its
own (`git worktree add ../mutants HEAD`), never in the one you work in.

  scripts/mutants.py plan [--seed N] [--count N] > plan.tsv
  scripts/mutants.py run plan.tsv results.tsv [--build DIR]    (resumes where results end)
  scripts/mutants.py summary results.tsv

The build (default build/mutants) is configured on first use: -O1, without unity units, so
that a mutant rebuilds one file. A row of the results: file, line, columns, replacement, kind,
verdict (caught, missed, nobuild), seconds, the first tests that failed, the line before and
after. A missed mutant is a place to look: whether it changes what a user sees decides whether
it wants a test row.
"""
import argparse
import os
import random
import re
import subprocess
import sys
import time

TREE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

OPERATORS = [
    (r' == ', ' != '), (r' != ', ' == '), (r' < ', ' <= '), (r' <= ', ' < '), (r' > ', ' >= '),
    (r' >= ', ' > '), (r' && ', ' || '), (r' \|\| ', ' && '), (r'\btrue\b', 'false'),
    (r'\bfalse\b', 'true'), (r'\+\+', '--'), (r' \+ 1\b', ' - 1'), (r' - 1\b', ' + 1'),
    (r'\(!', '('), (r'\bbreak;', 'continue;'),
]

# The tests that reach each folder of tools/: Google Test programs (run whole, in the folder
# ctest runs them in) and the ctest cases matching a pattern.
GTESTS = {
    'doctor': [('test_doctor_readers', 'tests/doctor')],
    'trace': [('test_trace_settings', 'tests/trace')],
    'walk': [(t, 'tests/walk') for t in ('test_walk_diff', 'test_walk_output', 'test_walk_reduce',
                                       'test_walk_trace_records')],
}
CASES = {'doctor': r'^doctor\.', 'trace': r'^(trace|walk)\.', 'walk': r'^(walk|trace|scripts\.readme)'}
REACHES = {'doctor': ['doctor'], 'trace': ['trace', 'walk'], 'walk': ['walk', 'trace'],
           'document': ['walk', 'trace'], 'record': ['walk', 'trace']}


def code_of(line):
    """The line with its texts' insides and its // comment blanked, columns kept."""
    out, i, n = [], 0, len(line)
    while i < n:
        c = line[i]
        if line.startswith('//', i):
            out.append(' ' * (n - i))
            break
        if c in '"\'':
            out.append(c)
            i += 1
            while i < n and line[i] != c:
                step = 2 if line[i] == '\\' and i + 1 < n else 1
                out.append('_' * step)
                i += step
            if i < n:
                out.append(c)
                i += 1
            continue
        out.append(c)
        i += 1
    return ''.join(out)


def mutants_of(path):
    """(line, from, to, replacement, kind) for every mutant of one file."""
    in_comment = False
    for number, line in enumerate(open(path, encoding='utf-8').read().split('\n'), 1):
        s = line.strip()
        if in_comment:
            in_comment = '*/' not in s
            continue
        if s.startswith('/*'):
            in_comment = '*/' not in s
            continue
        if not s or s.startswith(('//', '#')) or 'static_assert' in s:
            continue
        code = code_of(line)
        for pattern, replacement in OPERATORS:
            for m in re.finditer(pattern, code):
                yield number, m.start(), m.end(), replacement, 'op'
        for m in re.finditer(r'(?<![\w.])(\d+)(?![\w.])', code):
            yield number, m.start(), m.end(), str(int(m.group(1)) + 1), 'num'
        quotes = [i for i, ch in enumerate(code) if ch == '"']
        for start, end in zip(quotes[0::2], quotes[1::2]):
            text = line[start + 1:end]
            if len(text) >= 2 and not re.search(r'\\.?$', text) and not s.startswith('extern'):
                yield number, start + 1, end, text[:-1], 'text'
        if re.match(r'^\s*[\w:.>\-\[\]()]+\s*(\(|\+=|=[^=]|\.|->).*;\s*$', code) and not re.match(
                r'^\s*(return|const|auto|std::|static|using|[A-Z]\w*\s+\w+\s*[=({;])', code):
            yield number, 0, len(line), '', 'drop'


def plan(args):
    rows = []
    for root, _, names in os.walk(os.path.join(TREE, 'tools')):
        for name in sorted(names):
            if name.endswith(('.cpp', '.h')):
                path = os.path.join(root, name)
                rows += [(os.path.relpath(path, TREE),) + m for m in mutants_of(path)]
    rows.sort()
    random.Random(args.seed).shuffle(rows)
    for file, number, start, end, replacement, kind in rows[:args.count]:
        print(f'{file}\t{number}\t{start}\t{end}\t{replacement}\t{kind}')
    print(f'{len(rows)} mutants in tools/, {min(args.count, len(rows))} planned', file=sys.stderr)


def failed_tests(build, file):
    folder = file.split('/')[1]
    suites = REACHES.get(folder, ['walk', 'trace', 'doctor'])
    failed = []
    for suite in suites:
        for program, cwd in GTESTS.get(suite, []):
            r = subprocess.run([os.path.join(build, 'bin', program), '--gtest_brief=1'],
                               cwd=os.path.join(build, cwd), capture_output=True, text=True,
                               timeout=300)
            if r.returncode != 0:
                failed += re.findall(r'\[  FAILED  \] (\S+?),? ', r.stdout)[:2] or [program]
    r = subprocess.run(['ctest', '--test-dir', build, '-j2', '--timeout', '120', '-R',
                        '|'.join(CASES[s] for s in suites)], capture_output=True, text=True)
    if r.returncode != 0:
        listed = r.stdout.split('The following tests FAILED:')[-1]
        failed += re.findall(r'^\s+\d+ - (\S+) \((?!Skipped)', listed, re.M)[:3] or ['ctest']
    return failed


def run(args):
    build = os.path.abspath(args.build)
    if not os.path.exists(os.path.join(build, 'build.ninja')):
        subprocess.run(['cmake', '-G', 'Ninja', '-S', TREE, '-B', build, '-DCMAKE_BUILD_TYPE=Release',
                        '-DCMAKE_CXX_FLAGS_RELEASE=-O1', '-DFINTOP_UNITY=OFF',
                        '-DFINTOP_BUILD_BENCH=OFF'], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(['ninja', '-C', build], check=True, stdout=subprocess.DEVNULL)
    done = set()
    if os.path.exists(args.results):
        done = {'\t'.join(row.split('\t')[:6]) for row in open(args.results)}
    for row in open(args.plan):
        row = row.rstrip('\n')
        if not row or row in done:
            continue
        file, number, start, end, replacement, kind = row.split('\t')
        number, start, end = int(number), int(start), int(end)
        path = os.path.join(TREE, file)
        original = open(path, encoding='utf-8').read()
        lines = original.split('\n')
        before = lines[number - 1]
        lines[number - 1] = before[:start] + replacement + before[end:]
        began = time.time()
        try:
            open(path, 'w', encoding='utf-8').write('\n'.join(lines))
            if subprocess.run(['ninja', '-C', build], capture_output=True).returncode != 0:
                verdict, failed = 'nobuild', []
            else:
                try:
                    failed = failed_tests(build, file)
                except subprocess.TimeoutExpired:
                    failed = ['(a test program hung)']
                verdict = 'caught' if failed else 'missed'
            # A program of the build that a test started and left running (a mutant's endless
            # loop that the test did not wait for) must not outlive its mutant: it would slow
            # every later one. It is said beside the verdict.
            if subprocess.run(['pkill', '-KILL', '-f', os.path.join(build, 'bin') + '/']).returncode == 0:
                failed.append('(left a program running)')
        finally:
            open(path, 'w', encoding='utf-8').write(original)
        with open(args.results, 'a', encoding='utf-8') as out:
            out.write('\t'.join([row, verdict, f'{time.time() - began:.0f}', ' '.join(failed[:4]),
                                 before.strip()[:160], lines[number - 1].strip()[:160]]) + '\n')


def summary(args):
    rows = [row.rstrip('\n').split('\t') for row in open(args.results, encoding='utf-8')]
    built = [r for r in rows if r[6] != 'nobuild']
    caught = sum(r[6] == 'caught' for r in built)
    print(f'{len(rows)} mutants, {len(built)} built, {caught} caught ({100 * caught / max(len(built), 1):.0f}%)')
    for r in built:
        if r[6] == 'missed':
            print(f'missed {r[0]}:{r[1]} [{r[5]}] {r[9]}  =>  {r[10]}')


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    sub = parser.add_subparsers(dest='command', required=True)
    p = sub.add_parser('plan')
    p.add_argument('--seed', type=int, default=1)
    p.add_argument('--count', type=int, default=300)
    p.set_defaults(func=plan)
    p = sub.add_parser('run')
    p.add_argument('plan')
    p.add_argument('results')
    p.add_argument('--build', default=os.path.join(TREE, 'build', 'mutants'))
    p.set_defaults(func=run)
    p = sub.add_parser('summary')
    p.add_argument('results')
    p.set_defaults(func=summary)
    args = parser.parse_args()
    args.func(args)


if __name__ == '__main__':
    main()
