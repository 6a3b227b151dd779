#!/usr/bin/python3
"""openpyxl peers for the split jobs the shared peers do not cover, in the same streaming style (read_only in,
write_only out, values only).

  openpyxl_split.py sheets IN.xlsx OUTDIR          one workbook per worksheet, named after it
  openpyxl_split.py book IN.xlsx COLUMN_INDEX OUT  one worksheet per value of a column in one workbook
"""
import os
import sys

from openpyxl import Workbook, load_workbook


def sheets(src, outdir):
    wb = load_workbook(src, read_only=True, data_only=True)
    os.makedirs(outdir, exist_ok=True)
    for ws in wb.worksheets:
        out = Workbook(write_only=True)
        target = out.create_sheet(ws.title)
        for row in ws.iter_rows(values_only=True):
            target.append(row)
        out.save(os.path.join(outdir, ws.title + ".xlsx"))
    wb.close()
    print("wrote %d workbooks" % len(wb.worksheets))


def book(src, column, out):
    col = int(column)
    wb = load_workbook(src, read_only=True, data_only=True)
    rows = wb.worksheets[0].iter_rows(values_only=True)
    header = next(rows)
    groups = {}
    for r in rows:
        groups.setdefault(r[col] if col < len(r) else None, []).append(r)
    wb.close()
    result = Workbook(write_only=True)
    for value in sorted(groups, key=lambda v: (v is None, str(v))):
        ws = result.create_sheet(("空白" if value is None else str(value))[:31])
        ws.append(header)
        for r in groups[value]:
            ws.append(r)
    result.save(out)
    print("wrote %d sheets" % len(groups))


if __name__ == "__main__":
    {"sheets": sheets, "book": book}[sys.argv[1]](*sys.argv[2:])
