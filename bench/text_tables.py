#!/usr/bin/python3
"""Opening tables that come as text under workbook names: a 100,000-row HTML page and a 100,000-row CSV file,
read by the engine (ReadBench: open and every cell in memory) and by pandas (read_html / read_csv, the frame
built), timed in the same run, in process on both sides (no interpreter or program start counted): the median
of --runs reads in one process on each side. The engine's first read, in a fresh process, is shown beside it.

    bench/text_tables.py [--rows N] [--runs N] [--bench-bin build/bench/ReadBench]

The inputs are generated (seeded) into bench/work/text/ as GBK-free UTF-8: an ID column of 18-digit card
numbers, Chinese names, amounts, dates, percentages, a note. Prints the median seconds and the ratio
pandas / tabrix for each file.
"""
import argparse
import os
import random
import statistics
import subprocess
import time

HERE = os.path.dirname(os.path.abspath(__file__))
WORK = os.path.join(HERE, "work", "text")
SURNAMES = "赵钱孙李周吴郑王冯陈褚卫蒋沈韩杨"
GIVEN = "伟芳娜敏静丽强磊军洋勇艳杰涛明超秀霞平刚"
HEADER = ["序号", "身份证号", "姓名", "金额", "日期", "比例", "备注"]


def rows(n, seed=1):
    rnd = random.Random(seed)
    for i in range(1, n + 1):
        card = "%06d%04d%02d%02d%03d%d" % (rnd.randrange(110000, 659999), rnd.randrange(1950, 2005),
                                          rnd.randrange(1, 13), rnd.randrange(1, 29), rnd.randrange(1000), rnd.randrange(10))
        name = rnd.choice(SURNAMES) + rnd.choice(GIVEN) + rnd.choice(GIVEN)
        yield [str(i), card, name, "%.2f" % (rnd.random() * 100000), "2024-%02d-%02d" % (rnd.randrange(1, 13),
               rnd.randrange(1, 29)), "%.1f%%" % (rnd.random() * 100), "第%d批" % rnd.randrange(1, 50)]


def write_inputs(n):
    os.makedirs(WORK, exist_ok=True)
    csv_path = os.path.join(WORK, "table_%d.xls" % n)
    html_path = os.path.join(WORK, "page_%d.xls" % n)
    if not os.path.exists(csv_path):
        with open(csv_path, "w", encoding="utf-8", newline="") as fh:
            fh.write(",".join(HEADER) + "\r\n")
            for r in rows(n):
                fh.write(",".join(r) + "\r\n")
    if not os.path.exists(html_path):
        with open(html_path, "w", encoding="utf-8") as fh:
            fh.write('<html><head><meta charset="utf-8"></head><body><table border=1>\n<tr>')
            fh.write("".join("<th>%s</th>" % h for h in HEADER) + "</tr>\n")
            for r in rows(n):
                fh.write("<tr>" + "".join("<td>%s</td>" % v for v in r) + "</tr>\n")
            fh.write("</table></body></html>\n")
    return csv_path, html_path


def tabrix_seconds(bench_bin, path, runs):
    """Every read of one ReadBench process: the first (a fresh process) and those after it, as pandas is timed."""
    out = subprocess.run([bench_bin] + [path] * runs, capture_output=True, text=True, check=True).stdout
    times = []
    for line in out.strip().splitlines():
        fields = line.split("\t")
        times.append(float(fields[1].split()[1]) + float(fields[2].split()[1]))
    return times


def pandas_seconds(kind, path):
    import pandas
    start = time.perf_counter()
    if kind == "csv":
        frame = pandas.read_csv(path, dtype={"身份证号": str})
    else:
        frame = pandas.read_html(path, flavor="lxml", encoding="utf-8")[0]
    assert len(frame) > 0
    return time.perf_counter() - start


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--rows", type=int, default=100000)
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--bench-bin", default=os.path.join(HERE, "..", "build", "bench", "ReadBench"))
    a = ap.parse_args()
    csv_path, html_path = write_inputs(a.rows)
    for kind, path in (("csv", csv_path), ("html", html_path)):
        # Both sides read the file from the page cache: whichever went first would otherwise pay for the disk.
        with open(path, "rb") as fh:
            fh.read()
        # And both start on a machine that is already busy: pandas' import does that for its side, one untimed
        # process does it for ours (an idle virtual machine's first moments of work run slower).
        tabrix_seconds(a.bench_bin, path, 1)
        times = tabrix_seconds(a.bench_bin, path, a.runs)
        ours, first = statistics.median(times), times[0]
        peer = [pandas_seconds(kind, path) for _ in range(a.runs)]
        theirs, theirFirst = statistics.median(peer), peer[0]
        print("%-5s %d rows (%.1f MB): tabrix %.3f s, pandas %.3f s, pandas / tabrix = %.1f; first reads of each "
              "side: tabrix %.3f s (a fresh process), pandas %.3f s, ratio %.1f" % (
                  kind, a.rows, os.path.getsize(path) / 1e6, ours, theirs, theirs / ours, first, theirFirst,
                  theirFirst / first), flush=True)


if __name__ == "__main__":
    main()
