#!/usr/bin/python3
"""Every readable corpus workbook, saved again by tabrix-cli, must read back the same in the independent readers.

For each file of ../shared/corpus/files whose oracle is ok: `tabrix-cli save-as` to .xlsx (and to .xls when the
2003 writer is available and the sheets fit its grid); the copy is described by the corpus's own oracle maker
(openpyxl for .xlsx, xlrd for .xls) and compared with the original's oracle: worksheet names and order, and every
listed cell's type, value and date flag. Also `dump` of the copy must equal `dump` of the original for the
worksheets. Prints one line per file and a summary; exits 1 when any copy differs.
"""
import json
import re
import math
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
from corpus_location import CORPUS, skip_without_corpus  # noqa: E402

CLI = os.environ.get("TABRIX_CLI") or os.path.join(ROOT, "build", "cli", "tabrix-cli")
skip_without_corpus()
sys.path.insert(0, CORPUS)
import make_oracle  # noqa: E402  (the corpus's own reader wrapper)


ESCAPE = re.compile(r"_x([0-9A-Fa-f]{4})_")


def unescape(v):
    # openpyxl leaves some _xHHHH_ escapes undecoded (lower-case hex, control characters); the engine decodes
    # them as the application does, and writes them back escaped. Compare the characters meant.
    return ESCAPE.sub(lambda m: chr(int(m.group(1), 16)), v) if isinstance(v, str) else v


def same_value(a, b):
    if a.get("t") != b.get("t"):
        return False
    va, vb = unescape(a.get("v")), unescape(b.get("v"))
    if isinstance(va, float) and isinstance(vb, float):
        return va == vb or (math.isnan(va) and math.isnan(vb))
    return va == vb


def worksheets(oracle):
    return [s for s in oracle.get("sheets", []) if s.get("kind") == "worksheet" and "cells" in s]


def covered_by_merges(ranges):
    cells = set()
    for rng in ranges:
        (c0, r0), (c1, r1) = [re.match(r"([A-Z]+)(\d+)", p).groups() for p in rng.split(":")]
        col = lambda letters: sum((ord(ch) - 64) * 26 ** i for i, ch in enumerate(reversed(letters)))
        for r in range(int(r0), int(r1) + 1):
            for c in range(col(c0), col(c1) + 1):
                if (r, c) != (int(r0), col(c0)):
                    cells.add(make_oracle.ref(r - 1, c - 1))
    return cells


def saved_name(name):
    # Tab names longer than the application allows are saved shortened (and the save log says so).
    return name[:31]


def compare(orig, copy):
    """First difference between two oracles' worksheets, or None. Only the original's worksheets are compared:
    macro and dialog sheets come back as worksheets, which the save log says."""
    a = worksheets(orig)
    by_name = {s["name"]: s for s in worksheets(copy)}
    missing = [s["name"] for s in a if saved_name(s["name"]) not in by_name]
    if missing:
        return "sheets %s missing from %s" % (missing, sorted(by_name))
    for sa in a:
        sb = by_name[saved_name(sa["name"])]
        # A formula whose result is empty text: openpyxl lists no cell, xlrd lists an empty text cell.
        cells_a = [c for c in sa["cells"] if c.get("v") != ""]
        # openpyxl also drops values hidden under a merged area (all but its first cell); xlrd keeps them.
        hidden = covered_by_merges(sa.get("merged", []))
        cells_a = [c for c in cells_a if c["r"] not in hidden]
        cells_b = [c for c in sb["cells"] if c.get("v") != "" and c["r"] not in hidden]
        if len(cells_a) != len(cells_b):
            return "%s: %d cells != %d" % (sa["name"], len(cells_a), len(cells_b))
        for ca, cb in zip(cells_a, cells_b):
            if ca["r"] != cb["r"] or not same_value(ca, cb) or bool(ca.get("date")) != bool(cb.get("date")):
                return "%s!%s: %s != %s" % (sa["name"], ca["r"], ca, cb)
    return None


def cli(*args):
    return subprocess.run([CLI, *args], capture_output=True, text=True, timeout=300)


def dump_worksheets(path, names=None, formulas=True):
    """dump's text, limited to the named worksheets, optionally without the formula column."""
    out = cli("dump", path)
    if out.returncode != 0:
        return None
    keep, lines = True, []
    for line in out.stdout.splitlines():
        if line.startswith("# sheet "):
            name = line[len("# sheet "):].rsplit(" rows=", 1)[0]
            keep = names is None or name in names
        if keep:
            lines.append(line if formulas else "\t".join(line.split("\t")[:3]))
    return lines


def main():
    files = sorted(os.listdir(os.path.join(CORPUS, "files")))
    checked = failed = 0
    formats = ["xlsx", "xls"]
    with tempfile.TemporaryDirectory() as tmp:
        for name in files:
            with open(os.path.join(CORPUS, "oracle", name + ".json")) as fh:
                orig = json.load(fh)
            if not orig.get("ok"):
                continue
            src = os.path.join(CORPUS, "files", name)
            original_dump = dump_worksheets(src)
            # Only what the engine itself reads as worksheets (a dialog sheet comes back as a worksheet).
            dumped = {l[len("# sheet "):].rsplit(" rows=", 1)[0] for l in original_dump or [] if l.startswith("# sheet ")}
            for fmt in formats:
                copy = os.path.join(tmp, "copy." + fmt)
                if os.path.exists(copy):
                    os.remove(copy)
                res = cli("save-as", src, copy, "--format", fmt)
                if res.returncode != 0:
                    if fmt == "xls" and ("65536" in res.stderr or "256" in res.stderr or "2003" in res.stderr):
                        print("%-58s %-4s skipped: %s" % (name, fmt, res.stderr.strip()[:90]))
                        continue
                    print("%-58s %-4s FAIL save: %s" % (name, fmt, res.stderr.strip()[:200]))
                    failed += 1
                    continue
                checked += 1
                problem = compare(orig, make_oracle.oracle_for(copy))
                # A formula the 2003 format cannot express is saved as its value, and the save log names it.
                formulas = "公式" not in res.stdout
                names = [s["name"] for s in worksheets(orig) if len(s["name"]) <= 31 and s["name"] in dumped]
                if not problem and original_dump is not None and \
                        dump_worksheets(copy, names, formulas) != dump_worksheets(src, names, formulas):
                    problem = "dump of the copy differs from dump of the original"
                if problem:
                    failed += 1
                    print("%-58s %-4s FAIL %s" % (name, fmt, problem[:300]))
                else:
                    print("%-58s %-4s ok" % (name, fmt))
    print("%d copies checked, %d failed" % (checked, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
