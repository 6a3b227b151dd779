"""Every package the writer makes is valid by the standard and opens in other spreadsheet programs with the
values openpyxl reads: results of the operations on a workbook with many kinds of formatting, and, where the
corpus of real workbooks is beside the checkout, every one of them saved as .xlsx."""
import csv
import glob
import os
import shutil
import subprocess
import unittest

import openpyxl
from openpyxl.styles import Alignment, Border, Font, PatternFill, Side
from openpyxl.workbook.defined_name import DefinedName

from e2e_support import TempDirCase, run_cli
from xlsx_schema import check_package

CORPUS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "shared", "corpus", "files")
LONG_FORMAT = '[$-804]yyyy"年"m"月"d"日" dddd;' + '"' + "很长的格式" * 30 + '"'


def formatted_book(path):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "名单"
    ws.append(["部门", "姓名", "金额", "日期"])
    for i in range(1, 30):
        ws.append(["销售部" if i % 2 else "财务部", "员工%d" % i, i * 1.25, 45000 + i])
    ws["A1"].font = Font(name="黑体", size=14, bold=True, italic=True, underline="double", color="FF0000")
    ws["B1"].fill = PatternFill("darkTrellis", fgColor="FF00FF00", bgColor="FF0000FF")
    ws["C1"].fill = PatternFill("solid", fgColor="FFFFEB9C")
    ws["D1"].border = Border(left=Side("thick", color="FF123456"), diagonal=Side("dashDot"), diagonalUp=True)
    ws["A2"].alignment = Alignment(horizontal="centerContinuous", vertical="top", textRotation=255, indent=2,
                                   wrap_text=True, shrink_to_fit=True)
    for row in range(2, 31):
        ws.cell(row, 3).number_format = "#,##0.00"
        ws.cell(row, 4).number_format = LONG_FORMAT
    ws.merge_cells("F1:G2")
    ws.column_dimensions["B"].width = 20
    ws.column_dimensions["E"].hidden = True
    ws.column_dimensions["C"].outlineLevel = 2
    ws.sheet_format.defaultRowHeight = 18
    hidden = wb.create_sheet("备用")
    hidden.append(["x", 1])
    hidden.sheet_state = "veryHidden"
    wb.create_sheet("空表").sheet_state = "hidden"
    name = DefinedName("总额", attr_text="'名单'!$C$2:$C$30")
    # openpyxl 3.1 (Debian 13) keeps names in a dict, 3.0 (Debian 12) in a list.
    wb.defined_names.add(name) if hasattr(wb.defined_names, "add") else wb.defined_names.append(name)
    wb.epoch = openpyxl.utils.datetime.CALENDAR_MAC_1904
    wb.save(path)
    return path


def csv_rows(path):
    with open(path, newline="", encoding="utf-8") as f:
        return [[c for c in row] for row in csv.reader(f)]


def shown(value):
    if value is None:
        return ""
    if isinstance(value, float) and value.is_integer():
        return str(int(value))
    return str(value)


class WrittenPackagesAreValid(TempDirCase):
    def assertSound(self, path):
        self.assertEqual(check_package(path), [], path)

    def test_every_operation_result_is_valid_and_keeps_its_formatting(self):
        src = formatted_book(self.path("源.xlsx"))
        results = []
        for args in (("save-as", src, self.path("另存.xlsx")),
                     ("merge-sheets", src, self.path("合并.xlsx")),
                     ("split-column", src, "名单", "A", "--to-book", self.path("拆分.xlsx")),
                     ("compare", src, "名单", src, "名单", self.path("比较.xlsx"))):
            code, _, err = run_cli(*args)
            self.assertEqual(code, 0, err)
            results.append(args[-1])
        code, _, err = run_cli("split-sheets", src, self.path("各表"))
        self.assertEqual(code, 0, err)
        results += sorted(glob.glob(self.path("各表/*.xlsx")))
        for path in results:
            self.assertSound(path)
        wb = openpyxl.load_workbook(self.path("另存.xlsx"))
        self.assertEqual(wb.sheetnames, ["名单", "备用", "空表"])
        self.assertEqual([ws.sheet_state for ws in wb.worksheets], ["visible", "veryHidden", "hidden"])
        self.assertEqual(wb.epoch, openpyxl.utils.datetime.CALENDAR_MAC_1904)
        names = wb.defined_names
        total = names["总额"] if hasattr(names, "keys") else names.get("总额")
        self.assertEqual(total.attr_text, "'名单'!$C$2:$C$30")
        ws = wb["名单"]
        a1 = ws["A1"].font
        self.assertEqual((a1.name, a1.sz, a1.b, a1.i, a1.u, a1.color.rgb), ("黑体", 14, True, True, "double", "FFFF0000"))
        self.assertEqual((ws["B1"].fill.patternType, ws["B1"].fill.fgColor.rgb, ws["B1"].fill.bgColor.rgb),
                         ("darkTrellis", "FF00FF00", "FF0000FF"))
        self.assertEqual(ws["C1"].fill.fgColor.rgb, "FFFFEB9C")
        self.assertEqual((ws["D1"].border.left.style, ws["D1"].border.diagonal.style, ws["D1"].border.diagonalUp),
                         ("thick", "dashDot", True))
        al = ws["A2"].alignment
        self.assertEqual((al.horizontal, al.vertical, al.textRotation, al.indent, al.wrap_text, al.shrink_to_fit),
                         ("centerContinuous", "top", 255, 2, True, True))
        self.assertEqual(ws["D2"].number_format, LONG_FORMAT)
        self.assertEqual(ws["C2"].number_format, "#,##0.00")
        self.assertEqual([str(m) for m in ws.merged_cells.ranges], ["F1:G2"])
        self.assertEqual(ws.column_dimensions["B"].width, 20)  # the stored width, as it came in
        self.assertTrue(ws.column_dimensions["E"].hidden)
        self.assertEqual(ws.column_dimensions["C"].outlineLevel, 2)
        self.assertEqual(ws.sheet_format.defaultRowHeight, 18)

    @unittest.skipUnless(shutil.which("soffice") or shutil.which("ssconvert"),
                         "LibreOffice and Gnumeric are not installed: other programs' reading is not checked")
    def test_other_spreadsheet_programs_read_the_values_openpyxl_reads(self):
        src = formatted_book(self.path("源.xlsx"))
        out = self.path("合并.xlsx")
        code, _, err = run_cli("merge-sheets", src, out)
        self.assertEqual(code, 0, err)
        ws = openpyxl.load_workbook(out).worksheets[0]
        expected = [[shown(v) for v in row] for row in ws.iter_rows(min_col=1, max_col=3, values_only=True)]
        converters = []
        if shutil.which("soffice"):
            converters.append(("soffice", ["soffice", "-env:UserInstallation=file://" + self.path("profile"),
                                           "--headless", "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76",
                                           "--outdir", self.path("lo"), out], self.path("lo/合并.csv")))
        if shutil.which("ssconvert"):
            converters.append(("ssconvert", ["ssconvert", out, self.path("gnumeric.csv")], self.path("gnumeric.csv")))
        for name, command, result in converters:
            proc = subprocess.run(command, capture_output=True, text=True, timeout=300)
            self.assertEqual(proc.returncode, 0, name + ": " + proc.stderr)
            self.assertNotIn("error", proc.stderr.lower(), name)
            rows = [[c for c in row[:3]] for row in csv_rows(result)]
            # Amounts are compared as numbers: one program shows them in their format (#,##0.00), one does not.
            number = lambda text, i: float(text.replace(",", "")) if i else text
            got = [[r[0], r[1], number(r[2], i)] for i, r in enumerate(rows)]
            want = [[e[0], e[1], number(e[2], i)] for i, e in enumerate(expected)]
            self.assertEqual(got, want, name)

    @unittest.skipUnless(os.path.isdir(CORPUS), "no corpus of real workbooks beside the checkout (../shared/corpus)")
    def test_every_corpus_workbook_saved_as_xlsx_is_valid(self):
        saved = 0
        for src in sorted(glob.glob(os.path.join(CORPUS, "*.xls*"))):
            out = self.path("%d.xlsx" % saved)
            code, _, err = run_cli("save-as", src, out)
            if code != 0:
                self.assertIn("密码", err, src)  # only protected workbooks may be refused
                continue
            saved += 1
            self.assertEqual(check_package(out), [], os.path.basename(src))
        self.assertGreater(saved, 50)


if __name__ == "__main__":
    unittest.main()
