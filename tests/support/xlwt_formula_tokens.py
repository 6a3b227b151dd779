#!/usr/bin/python3
"""Prints the BIFF8 token bytes xlwt writes for a list of formulas, as C++ table rows for BiffFormulaTest.cpp.

xlwt is an independent producer of 2003-format formulas: its bytes are what our decoder must read back, and where
its choice of token classes agrees with ours, what our encoder must write. The workbook has the sheets Sheet1,
Sheet2 and 'My Sheet'; every formula goes into Sheet1 and the FORMULA records are pulled out of the saved stream,
so 3-D references carry the EXTERNSHEET indexes xlwt really assigned (printed as a comment first).

Run: /usr/bin/python3 tests/support/xlwt_formula_tokens.py
"""
import io
import struct
import sys

import xlrd.compdoc
import xlwt

FORMULAS = [
    "A1+B1", "$A$1*2", "$A1+A$1", "SUM(A1:B2)", "SUM(A1,B2)", "-A1", "A1%", "2^3", "(1+2)*3",
    '"a""b"&A1', 'LEN("中文")', "TRUE", "FALSE", "1.5", "0.1", "100000", "65535", "-1",
    "A1<>B1", "A1<=B1", "A1>=B1", "A1=B1", "A1<B1", "A1>B1", "A1-B1/C1",
    "NOW()", "PI()", "ROUND(A1,2)", "IF(A1>0,1,2)", "VLOOKUP(A1,B1:C5,2,FALSE)", 'COUNTIF(A1:A5,">3")',
    "SUMPRODUCT(A1:A3,B1:B3)", "AVERAGE(A1:A3)*2", "INDEX(A1:B2,1,1)", "MAX(A1,,B1)", "IV65536",
    "Sheet2!A1", "'My Sheet'!A1:B2", "Sheet2!$B$3*2", "SUM(Sheet2:'My Sheet'!A1)",
]


def formula_records(stream):
    pos = 0
    while pos + 4 <= len(stream):
        rid, size = struct.unpack_from("<HH", stream, pos)
        body = stream[pos + 4:pos + 4 + size]
        pos += 4 + size
        if rid == 0x0006:
            row, col = struct.unpack_from("<HH", body, 0)
            cce = struct.unpack_from("<H", body, 20)[0]
            yield row, col, body[22:22 + cce]
        elif rid == 0x0017:
            count = struct.unpack_from("<H", body, 0)[0]
            for i in range(count):
                print("// EXTERNSHEET %d: SUPBOOK %d, sheets %d..%d" % ((i,) + struct.unpack_from("<HHH", body, 2 + 6 * i)))


def main():
    book = xlwt.Workbook()
    sheet = book.add_sheet("Sheet1")
    book.add_sheet("Sheet2")
    book.add_sheet("My Sheet")
    for row, text in enumerate(FORMULAS):
        sheet.write(row, 0, xlwt.Formula(text))
    buffer = io.BytesIO()
    book.save(buffer)
    stream = xlrd.compdoc.CompDoc(buffer.getvalue()).get_named_stream("Workbook")
    for row, _col, tokens in formula_records(stream):
        text = FORMULAS[row].replace("\\", "\\\\").replace('"', '\\"')
        print('    {"%s", "%s"},' % (text, tokens.hex()))


if __name__ == "__main__":
    sys.exit(main())
