#!/usr/bin/python3
"""Writes a compare pair whose key "DUP" stands REPEATS times on each side (the rows differ in column B, the
right side shuffled), next to as many rows of unique keys: each DUP row is tried against the other side's DUP
rows until its own turns up, about REPEATS² / 2 tries per pass.

    make_dupkey.py LEFT.xlsx RIGHT.xlsx REPEATS
"""
import random
import sys

import openpyxl


def write(path, name, rows):
    wb = openpyxl.Workbook(write_only=True)
    ws = wb.create_sheet(name)
    for row in rows:
        ws.append(row)
    wb.save(path)


def main():
    left_path, right_path, repeats = sys.argv[1], sys.argv[2], int(sys.argv[3])
    rows = [["DUP", i, "值%d" % (i % 97)] for i in range(repeats)]
    rows += [["U%07d" % i, i, "值%d" % (i % 97)] for i in range(repeats)]
    right = list(rows)
    random.Random(1).shuffle(right)
    write(left_path, "Left", rows)
    write(right_path, "Right", right)


if __name__ == "__main__":
    main()
