"""Writes the figures of one scripts/bench.sh run into BENCHMARKS.md's tables.

    /usr/bin/python3 scripts/bench-tables.py RESULTS_DIR [BENCHMARKS.md]

RESULTS_DIR holds what scripts/bench.sh wrote: icount.txt (instruction counts of the overhead
pairs), overhead.json (CPU times) and walk-<n>.json (whole walks). Only the numeric cells of
the tables of sections 1 and 3, and the line naming the run, are replaced; the text around
them is left as it is. A row the results do not name is an error, so no figure is left over
from an earlier run.
"""
import datetime
import json
import os
import re
import sys


def number(value, digits=0):
    return f"{value:,.{digits}f}"


def read_icount(path):
    pairs, families, targets = {}, {}, {}
    section = "pairs"
    with open(path) as f:
        for line in f:
            if line.startswith("families"):
                section = "families"
            elif line.startswith("family       icount"):
                section = "cpu"
            fields = line.split()
            if len(fields) == 6 and section == "pairs" and fields[0] != "family":
                row = (int(fields[2]), float(fields[3]), float(fields[4]), fields[5])
                (targets if fields[0] == "target" else pairs)[(fields[0], fields[1])] = row
            elif len(fields) == 5 and section == "families" and fields[1] == "(all)":
                families[fields[0]] = (float(fields[2]), float(fields[3]), fields[4])
    return pairs, families, targets


def medians(path):
    with open(path) as f:
        data = json.load(f)
    return {b["run_name"]: b for b in data["benchmarks"] if b.get("aggregate_name") == "median"}


def replace_cells(line, cells):
    """Replaces the last len(cells) cells of a table row."""
    parts = line.rstrip("\n").split("|")
    body = parts[1:-1]
    body[len(body) - len(cells):] = [f" {c} " for c in cells]
    return "|" + "|".join(body) + "|\n"


def main():
    results = sys.argv[1]
    target = sys.argv[2] if len(sys.argv) > 2 else "BENCHMARKS.md"
    pairs, families, targets = read_icount(os.path.join(results, "icount.txt"))
    overhead = medians(os.path.join(results, "overhead.json"))
    walks = {}
    for n in (1000, 10000, 100000, 1000000):
        walks[n] = medians(os.path.join(results, f"walk-{n}.json"))[f"WholeWalk/{n}"]

    with open(target) as f:
        lines = f.readlines()
    out, seen = [], set()
    for line in lines:
        cells = [c.strip() for c in line.strip().strip("|").split("|")] if line.startswith("|") else []
        key = cells[0] if cells else ""
        if key in families and len(cells) == 7:
            callbacks, bare, ratio = families[key]
            cpu = overhead[f"Overhead/{key}"]["ratio"]
            line = replace_cells(line, [number(callbacks), number(bare), f"**{ratio}**", f"{cpu:.3f}"])
            seen.add(key)
        elif " / " in key and tuple(key.split(" / ")) in pairs and len(cells) == 7:
            units, callbacks, bare, ratio = pairs[tuple(key.split(" / "))]
            line = replace_cells(line, [str(units), number(callbacks), number(bare), f"**{ratio}**"])
            seen.add(key)
        elif ("target", key) in targets and len(cells) == 4:
            _, callbacks, bare, ratio = targets[("target", key)]
            line = replace_cells(line, [number(callbacks), number(bare), f"**{ratio}**"])
            seen.add(key)
        elif re.fullmatch(r"10\^[3-6]", key) and len(cells) == 5:
            walk = walks[10 ** int(key[3:])]
            line = replace_cells(line, [number(walk["objects"]), number(walk["calls"]),
                                        number(walk["ns_per_object"] * 1e9, 1),
                                        f"{walk['peak_bytes_per_object']:.0f} B"])
            seen.add(key)
        elif re.fullmatch(r"[0-9,]+", key) and len(cells) == 4:
            n = key.replace(",", "")
            row = [overhead[f"GrowingSelection/{what}/{n}"]["ns_per_index"] * 1e9
                   for what in ("pipe_segment", "reactions", "column_feeds")]
            line = replace_cells(line, [f"{v:.1f} ns" for v in row])
            seen.add(key)
        elif line.startswith("Spread, largest over smallest time per object:"):
            times = [walks[n]["ns_per_object"] * 1e9 for n in sorted(walks)]
            line = re.sub(r"\*\*[0-9.]+\*\* \([0-9.]+ / [0-9.]+\)",
                          f"**{max(times) / min(times):.2f}** ({max(times):.1f} / {min(times):.1f})", line)
        elif line.startswith("Figures of sections 1 and 3: one run of `scripts/bench.sh`"):
            day = datetime.datetime.utcnow().strftime("%Y-%m-%d, %H:%M UTC")
            line = f"Figures of sections 1 and 3: one run of `scripts/bench.sh` (finished {day}).\n"
        out.append(line)
    wanted = set(families) | {" / ".join(k) for k in pairs} | {k for _, k in targets}
    if not wanted <= seen:
        sys.exit(f"bench-tables: no row in {target} for {sorted(wanted - seen)}")
    with open(target, "w") as f:
        f.writelines(out)


if __name__ == "__main__":
    main()
