#!/usr/bin/python3
"""Writes the removal workbook of the clear benchmark from a data workbook, the same every time:

    make_removal.py DATA.xlsx REMOVAL.xlsx

The removal sheet holds the header and every second data row (50,000 of medium's 100,000); in every tenth of
those the third column (Qty) is one higher, so those rows stay in the result, as do the rows not taken. Dates keep
their serials (written with a date format), so every unchanged row is equal cell for cell.
"""
import sys

import openpyxl
import xlsxwriter


def main(src, dst):
    rows = openpyxl.load_workbook(src, read_only=True).worksheets[0].iter_rows(values_only=True)
    book = xlsxwriter.Workbook(dst, {"constant_memory": True})
    sheet = book.add_worksheet("remove")
    date = book.add_format({"num_format": "yyyy-mm-dd"})
    out = 0
    for i, row in enumerate(rows):
        if i > 0 and i % 2 == 1:
            continue
        row = list(row)
        if i > 0 and (i // 2) % 10 == 0:
            row[2] += 1
        for c, value in enumerate(row):
            if value is None:
                continue
            if hasattr(value, "year"):
                sheet.write_datetime(out, c, value, date)
            else:
                sheet.write(out, c, value)
        out += 1
    book.close()


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
