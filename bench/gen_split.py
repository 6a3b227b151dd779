#!/usr/bin/python3
"""Workloads for the split benchmarks: 100,000 rows like the shared `medium` preset, with a column C "Code" that
holds a chosen number of distinct values, so the time per part can be followed as the number of parts grows.

    bench/gen_split.py DATA_DIR [--parts 100,1000,10000] [--rows 100000] [--seed 1]

Writes DATA_DIR/split_<parts>.xlsx (skipped when present); deterministic for a seed.
"""
import argparse
import datetime
import os
import random

from openpyxl import Workbook

REGIONS = ["北京", "上海", "广州", "深圳", "杭州", "南京", "成都", "武汉", "西安", "重庆",
           "天津", "苏州", "长沙", "郑州", "青岛", "大连", "厦门", "宁波", "合肥", "济南"]
HEADER = ["Key", "Region", "Code", "Qty", "Price", "Amount", "Date", "Name", "Note", "Score"]


def write(path, rows, parts, seed):
    rng = random.Random(seed)
    codes = ["C%05d-%s" % (i, REGIONS[i % len(REGIONS)]) for i in range(parts)]
    wb = Workbook(write_only=True)
    ws = wb.create_sheet("Sheet1")
    ws.append(HEADER)
    base = datetime.date(2020, 1, 1)
    for r in range(rows):
        qty = rng.randint(1, 500)
        price = round(rng.uniform(1, 1000), 2)
        # Every code appears at least once; the rest at random.
        code = codes[r] if r < parts else rng.choice(codes)
        ws.append(["K%08d" % (r + 1), rng.choice(REGIONS), code, qty, price, round(qty * price, 2),
                   base + datetime.timedelta(days=rng.randint(0, 1500)), "名称%d" % rng.randint(1, 9999),
                   "备注" if rng.random() < 0.7 else None, rng.randint(0, 100) if rng.random() < 0.9 else None])
    tmp = path + ".tmp"
    wb.save(tmp)
    os.replace(tmp, path)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("data")
    ap.add_argument("--parts", default="100,1000,10000")
    ap.add_argument("--rows", type=int, default=100000)
    ap.add_argument("--seed", type=int, default=1)
    a = ap.parse_args()
    os.makedirs(a.data, exist_ok=True)
    for n in map(int, a.parts.split(",")):
        path = os.path.join(a.data, "split_%d.xlsx" % n)
        if not os.path.exists(path):
            write(path, a.rows, n, a.seed)
            print("written", path)


if __name__ == "__main__":
    main()
