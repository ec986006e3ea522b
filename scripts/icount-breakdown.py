#!/usr/bin/env python3
"""Where a pair's callback side costs more than its bare side, per callback call.

Reads the callgrind dumps of one fintop_icount run made on a build with line tables
(scripts/icount-breakdown.sh makes it) and prints, for the pairs named, the instructions per
callback call that the callback side runs beyond the bare side, split into:
  call and guard
             the exported entry around each worker: its frame, the null-iterator refusal and
             the exception shield (fintop/framework/entries.cpp, Shield), and the framework's
             call through the pointer, on the callback side's driver's lines; less the bare
             side's call and frame of each bare callback call (BareCall in bench/pairs.h)
  clone      clones and their deletion beyond the bare side's: the host's Clone, copy and
             destruction of iterators, and the plug-in's holders (ClonedIterator,
             WorkingIterator)
  attribute  attributes made, assigned and destroyed beyond the bare side's (FIAttribute's
             members in the utility module) and the plug-in's lines that build them
  names      host names copied or made: std::string, strlen, memchr, memcpy beyond the bare
             side's, and the plug-in's lines that quote or copy names (AsOneLevel, DownByName)
  other      everything else: the set-up of the host calls (a line that calls the host counts
             here), the host operations the sides make differently, and the plug-in's own
             lines not named above, less the bare side's

  scripts/icount-breakdown.py [--detail N] [--worst N] DUMPS_DIR [family/pair ...]

--worst N takes the N pairs whose ratio is highest; --detail N lists, under each pair, the N
lines and functions that differ most.
"""
import collections
import glob
import re
import sys

CATEGORIES = ("guard", "clone", "attribute", "names", "other")


def host_category(function):
    """The category of a function outside the plug-in, by its name."""
    if re.search(r"Clone|HostIterator::HostIterator|~HostIterator|DeleteFIIterator|_Sp_counted|"
                 r"operator new|operator delete|malloc|_int_free|\bfree\b|cfree", function):
        return "clone"
    if "FIAttribute" in function:
        return "attribute"
    if re.match(r"(std::__cxx11::basic_string|void std::__cxx11::basic_string|__strlen|"
                r"__memchr|__memcpy|__memmove|strlen|memchr|memcpy)", function):
        return "names"
    return "other"


HOST_CALL = re.compile(r"SetAttribute|GetValue|GetAttribute|\bDown\(|Element\(|Alias\(|"
                       r"\bFirst\(|\bNext\(|\bUp\(|GetName\(")


def line_category(path, text, in_bare_call=False):
    """The category of one line of the plug-in's or the benchmark drivers' source. A line that
    calls the host is "other" (the call's own set-up) unless it is the framework's call."""
    if path.endswith("entries.cpp") or "Shield" in text or "return body()" in text or \
            "catch (...)" in text or "return failure" in text or in_bare_call:
        return "guard"
    # The framework's call of a callback, in the callback side's driver.
    if re.search(r"\bCT[A-Z]\w*\(|\belement\(|\bcollection\(|\.array\(|\.element\(", text):
        return "guard"
    if re.search(r"Cloned|Working|Clone\(|DeleteFIIterator|owned_", text):
        return "clone"
    if re.search(r"AsOneLevel|DownByName|std::string|quoted|level\.|find\('", text):
        return "names"
    if HOST_CALL.search(text):
        return "other"
    if re.search(r"FIAttribute|ElementName|WriteDecimal|magnitude|digits|to_chars|Append|"
                 r"\bvalue = |cut = |memcpy\(text", text) or "charconv" in path:
        return "attribute"
    return "other"


class Dumps:
    def __init__(self, folder):
        self.files = {}  # id -> name, shared by all parts of one run
        self.functions = {}
        self.objects = {}
        self.sources = {}
        self.bare_call = {}
        self.parts = {}
        paths = glob.glob(folder + "/cg.out.*")
        for path in sorted(paths, key=lambda p: int(p.rsplit(".", 1)[1])):
            self.read(path)

    def name(self, table, text):
        m = re.match(r"\((\d+)\)(?: (.*))?$", text)
        if not m:
            return text
        if m.group(2) is not None:
            table[m.group(1)] = m.group(2)
        return table.get(m.group(1), "?")

    def read(self, path):
        label = None
        exclusive = collections.Counter()     # (object, function) -> Ir
        own_lines = collections.Counter()     # (file, line) -> Ir: the plug-in's and the drivers'

        calls = collections.Counter()         # callback calls
        ob = fl = fi = fn = None
        cob = cfn = None
        last_line = 0
        pending_call = False
        for raw in open(path, errors="replace"):
            line = raw.rstrip("\n")
            if line.startswith("desc: Trigger: Client Request: icount "):
                label = line.split("icount ", 1)[1].split()
                continue
            key, _, value = line.partition("=")
            if key in ("ob", "cob"):
                name = self.name(self.objects, value)
                if key == "ob":
                    ob = name
                else:
                    cob = name
                continue
            if key in ("fl", "fi", "fe", "cfi", "cfl"):
                name = self.name(self.files, value)
                if key == "fl":
                    fl = fi = name
                elif key in ("fi", "fe"):
                    fi = name
                continue
            if key in ("fn", "cfn"):
                name = self.name(self.functions, value)
                if key == "fn":
                    fn, cob = name, None
                else:
                    cfn = name
                continue
            if key == "calls":
                pending_call = True
                if re.match(r"CT\w+$", cfn or "") and "libfintop" in (cob or ob or ""):
                    calls["CT"] += int(value.split()[0])
                continue
            m = re.match(r"([+-]?\d+|\*)\s+(\d+)", line)
            if not m or fn is None:
                continue
            pos = m.group(1)
            if pos == "*":
                number = last_line
            elif pos[0] in "+-":
                number = last_line + int(pos)
            else:
                number = int(pos)
            last_line = number
            cost = int(m.group(2))
            if pending_call:  # the inclusive cost of the call just named: not exclusive
                pending_call = False
                cob = None
                continue
            exclusive[(ob, fn)] += cost
            if "libfintop" in (ob or "") or "fintop_icount" in (ob or ""):
                own_lines[(fi, number)] += cost
        if label and not label[2].endswith("-first"):  # the run counted apart is left out
            self.parts[tuple(label[:3])] = (int(label[3]) * int(label[4]), exclusive,
                                            own_lines, calls["CT"])

    def source_line(self, path, number):
        if path not in self.sources:
            try:
                self.sources[path] = open(path, errors="replace").read().split("\n")
            except OSError:
                self.sources[path] = []
        lines = self.sources[path]
        return lines[number - 1] if 0 < number <= len(lines) else ""

    def in_bare_call(self, path, number):
        """True on the lines of the bare side's BareCall (bench/pairs.h): the call and frame
        of a bare callback call, set against the callback side's entry."""
        if not path.endswith("pairs.h"):
            return False
        if path not in self.bare_call:  # its first line to its closing brace, from 1
            self.source_line(path, 1)
            lines = self.sources[path]
            start = next((i for i, text in enumerate(lines) if "long BareCall(" in text), None)
            end = start
            while start is not None and end < len(lines) and lines[end] != "}":
                end += 1
            self.bare_call[path] = (start, end) if start is not None else (0, -1)
        start, end = self.bare_call[path]
        return start < number <= end + 1

    def breakdown(self, family, pair):
        runs, callbacks, lines, calls = self.parts[(family, pair, "callbacks")]
        _, bare, bare_lines, _ = self.parts[(family, pair, "bare")]
        totals = collections.Counter()
        self.detail = collections.Counter()
        # The plug-in's and the drivers' own instructions, by the line they come from: the
        # callback side's less the bare side's (whose sequence is written out in its driver).
        for side, sign in ((lines, 1), (bare_lines, -1)):
            for (path, number), cost in side.items():
                text = self.source_line(path or "", number)
                category = line_category(path or "", text,
                                         self.in_bare_call(path or "", number))
                totals[category] += sign * cost
                self.detail[(category, "%s:%d %s" % ((path or "?").rsplit("/", 1)[-1], number,
                                                     text.strip()[:60]))] += sign * cost
        # The host's and the C library's: the callback side less the bare side, by function.
        for key in set(callbacks) | set(bare):
            obj, function = key
            if "libfintop" in (obj or "") or "fintop_icount" in (obj or ""):
                continue
            difference = callbacks.get(key, 0) - bare.get(key, 0)
            totals[host_category(function)] += difference
            self.detail[(host_category(function), function[:80])] += difference
        total = sum(callbacks.values()) - sum(bare.values())
        return runs, calls, total, totals


def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    detail = 0
    if argv[1] == "--detail":
        detail = int(argv[2])
        argv = argv[:1] + argv[3:]
    worst = 0
    if argv[1] == "--worst":
        worst = int(argv[2])
        argv = argv[:1] + argv[3:]
    dumps = Dumps(argv[1])
    names = argv[2:]
    if worst:  # the pairs whose instruction-count ratio is highest
        ratios = []
        for (family, pair, side), (runs, counts, _, _) in dumps.parts.items():
            if side == "callbacks" and family != "target":
                bare = sum(dumps.parts[(family, pair, "bare")][1].values())
                ratios.append((sum(counts.values()) / bare, family + "/" + pair))
        names = [name for _, name in sorted(ratios, reverse=True)[:worst]]
    headings = {"guard": "call and guard"}
    print("| Pair | ratio | callback calls per unit | beyond the bare side, per call | " +
          " | ".join(headings.get(c, c) for c in CATEGORIES) + " |")
    print("|---|---|---|---|" + "---|" * len(CATEGORIES))
    for name in names:
        family, pair = name.split("/")
        runs, calls, total, totals = dumps.breakdown(family, pair)
        per_call = lambda v: v / calls if calls else 0.0
        cells = " | ".join("%.1f" % per_call(totals[c]) for c in CATEGORIES)
        bare = sum(dumps.parts[(family, pair, "bare")][1].values())
        ratio = (bare + total) / bare
        print("| %s | %.3f | %.1f | **%.1f** | %s |" % (name, ratio, calls / runs, per_call(total),
                                                     cells))
        if detail:
            rows = sorted(dumps.detail.items(), key=lambda item: -abs(item[1]))
            for (category, what), cost in rows[:detail]:
                print("    %-9s %7.1f  %s" % (category, per_call(cost), what))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
