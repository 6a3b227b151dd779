"""Formulas still compute after every operation: each result is opened by LibreOffice set to recalculate every
formula on load, and the values it computes are compared with the source's. Sources are written with openpyxl and
saved again by LibreOffice, so they hold cached values as a spreadsheet program leaves them."""
import glob
import os
import shutil
import subprocess
import unittest
import zipfile

import openpyxl
from openpyxl.workbook.defined_name import DefinedName
from openpyxl.worksheet.table import Table

from e2e_support import TempDirCase, dump_lines, run_cli
from xlsx_schema import check_package

SOFFICE = shutil.which("soffice")

# Every formula recalculated on load, whatever the file says.
RECALC_PROFILE = """<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema"
 xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Calc/Formula/Load"><prop oor:name="OOXMLRecalcMode" oor:op="fuse"><value>0</value></prop></item>
<item oor:path="/org.openoffice.Office.Calc/Formula/Load"><prop oor:name="ODFRecalcMode" oor:op="fuse"><value>0</value></prop></item>
</oor:items>
"""

# Where the sources' formulas are, and what they compute: cross-sheet references, names, arrays, tables.
CALC = {"A1": 20, "A2": 60, "A3": 400, "A4": 60}
ARRAYS = {"C1": 4, "C2": 10, "C3": 18, "D1": 32}
TABLE = {"C2": 20, "C3": 40, "C4": 60, "E1": 60}


def set_array_formula(ws, ref, text):
    """An array formula over ref, in the form the installed openpyxl writes one (3.0: cell attributes)."""
    first = ref.split(":")[0]
    try:
        from openpyxl.worksheet.formula import ArrayFormula
        ws[first] = ArrayFormula(ref, text)
    except ImportError:
        ws[first] = text
        ws.formula_attributes[first] = {"t": "array", "ref": ref}


def build_source(path, with_table):
    wb = openpyxl.Workbook()
    data = wb.active
    data.title = "Data"
    for row in (["Item", "Amount"], ["a", 10], ["b", 20], ["c", 30]):
        data.append(row)
    calc = wb.create_sheet("Calc")
    calc["A1"] = "=Data!$B$2*2"
    calc["A2"] = "=SUM(Data!$B$2:$B$4)"
    calc["A3"] = "=Data!$B$2*2*Rate"
    calc["A4"] = "=SUM(Amounts)"
    wb.defined_names.append(DefinedName("Rate", attr_text="Data!$B$3"))
    wb.defined_names.append(DefinedName("Amounts", attr_text="Data!$B$2:$B$4"))
    arr = wb.create_sheet("Arr")
    for i in range(3):
        arr.append([i + 1, i + 4])
    set_array_formula(arr, "C1:C3", "=A1:A3*B1:B3")
    set_array_formula(arr, "D1", "=SUM(A1:A3*B1:B3)")
    if with_table:
        tab = wb.create_sheet("Tab")
        for row in (["Region", "Amount", "Double"], ["n", 10, None], ["s", 20, None], ["e", 30, None]):
            tab.append(row)
        for r in range(2, 5):
            tab["C%d" % r] = "=Sales[[#This Row],[Amount]]*2"
        tab["E1"] = "=SUM(Sales[Amount])"
        tab.add_table(Table(displayName="Sales", ref="A1:C4"))
    wb.save(path)


@unittest.skipUnless(SOFFICE, "LibreOffice is not installed: results cannot be recalculated by another program")
class FormulasKeptTest(TempDirCase):
    def soffice(self, book, fmt, outdir):
        """book converted by LibreOffice (recalculating on load) into outdir; the converted file's path."""
        profile = self.path("lo-profile")
        if not os.path.isdir(profile):
            os.makedirs(os.path.join(profile, "user"))
            with open(os.path.join(profile, "user", "registrymodifications.xcu"), "w") as f:
                f.write(RECALC_PROFILE)
        proc = subprocess.run([SOFFICE, "-env:UserInstallation=file://" + profile, "--headless", "--convert-to",
                               fmt, "--outdir", outdir, book], capture_output=True, text=True, timeout=300)
        out = os.path.join(outdir, os.path.splitext(os.path.basename(book))[0] + "." + fmt.split(":")[0])
        self.assertTrue(os.path.exists(out), proc.stderr)
        return out

    def source(self, fmt):
        """The source workbook in fmt, saved by LibreOffice so that its formulas carry cached values."""
        plain = self.path("plain-%s.xlsx" % fmt)
        build_source(plain, with_table=fmt == "xlsx")
        os.makedirs(self.path(fmt), exist_ok=True)
        made = self.soffice(plain, "xlsx" if fmt == "xlsx" else "xls:MS Excel 97", self.path(fmt))
        src = self.path("源.%s" % fmt)
        os.rename(made, src)
        return src

    def recalculated(self, book, sheet):
        """The values of a sheet of book after LibreOffice recalculated every formula."""
        outdir = self.path("lo-%d" % len(os.listdir(self.dir)))
        wb = openpyxl.load_workbook(self.soffice(book, "xlsx", outdir), data_only=True)
        return {c.coordinate: c.value for row in wb[sheet].iter_rows() for c in row if c.value is not None}

    def assertComputes(self, book, sheet, expected):
        got = self.recalculated(book, sheet)
        self.assertEqual({k: got.get(k) for k in expected}, expected, book)

    def formulas(self, book, sheet=None):
        return {p[0]: p[3] for p in (line.split("\t") for line in dump_lines(book, sheet)) if len(p) > 3}

    def test_parts_of_a_split_compute_what_the_source_computed(self):
        for fmt in ("xlsx", "xls"):
            with self.subTest(fmt=fmt):
                src = self.source(fmt)
                parts = self.path("parts-" + fmt)
                code, out, err = run_cli("split-sheets", src, parts)
                self.assertEqual(code, 0, err)
                # Data stays behind: the part refers to the source workbook, with its values and names.
                self.assertIn("结果中的公式引用了原工作簿“源.%s”" % fmt, out)
                calc = os.path.join(parts, "Calc." + fmt)
                self.assertEqual(self.formulas(calc)["A1"], "=[源.%s]Data!$B$2*2" % fmt)
                self.assertComputes(calc, "Calc", CALC)
                arr = os.path.join(parts, "Arr." + fmt)
                self.assertEqual(self.formulas(arr)["C1"], "{=A1:A3*B1:B3}")
                self.assertComputes(arr, "Arr", ARRAYS)
                if fmt == "xlsx":
                    # The link, array and table markup is valid against the schemas.
                    for part in ("Calc", "Arr", "Tab"):
                        self.assertEqual(check_package(os.path.join(parts, part + ".xlsx")), [], part)
                    tab = os.path.join(parts, "Tab.xlsx")
                    self.assertEqual(list(openpyxl.load_workbook(tab)["Tab"].tables), ["Sales"])
                    self.assertComputes(tab, "Tab", TABLE)

    def test_saved_in_the_other_format_every_formula_computes(self):
        for fmt, other in (("xlsx", "xls"), ("xls", "xlsx")):
            with self.subTest(fmt=fmt):
                src = self.source(fmt)
                out = self.path("saved-%s.%s" % (fmt, other))
                code, log, err = run_cli("save-as", src, out)
                self.assertEqual(code, 0, err)
                self.assertComputes(out, "Calc", CALC)
                self.assertComputes(out, "Arr", ARRAYS)
                if fmt == "xlsx":
                    # No tables in the 2003 format: the log says so and the formulas refer to the same cells.
                    self.assertIn("表格“Sales”无法保存为 2003 格式", log)
                    self.assertEqual(self.formulas(out, "Tab")["E1"], "=SUM($B$2:$B$4)")
                    self.assertComputes(out, "Tab", TABLE)

    def test_rows_merged_into_one_sheet_compute_their_stored_values(self):
        for fmt in ("xlsx", "xls"):
            with self.subTest(fmt=fmt):
                src = self.source(fmt)
                out = self.path("merged-%s.xlsx" % fmt)
                code, log, err = run_cli("merge-sheets", src, out)
                self.assertEqual(code, 0, err)
                stored = {p[0]: p for p in (l.split("\t") for l in dump_lines(out)) if len(p) > 3}
                got = self.recalculated(out, openpyxl.load_workbook(out).sheetnames[0])
                # The heading row is taken once: Calc!A1 and the arrays' first row stay out.
                self.assertGreaterEqual(len(stored), 6 if fmt == "xlsx" else 3)
                for cell, (_, kind, value, formula) in stored.items():
                    want = float(value) if kind == "n" else value
                    self.assertEqual(got.get(cell), want, "%s %s" % (cell, formula))
                # A table's rows copied into another sheet leave no structured reference behind.
                self.assertFalse(any("Sales[" in p[3] for p in stored.values()))

    def test_a_reference_to_a_sheet_that_came_along_stays_inside_the_result(self):
        folder = self.path("folder")
        os.makedirs(folder)
        first = openpyxl.Workbook()
        first.active.title = "Data"
        first.active["A1"] = "first"
        first.save(os.path.join(folder, "1.xlsx"))
        shutil.copy(self.source("xlsx"), os.path.join(folder, "2.xlsx"))
        out = self.path("all.xlsx")
        code, log, err = run_cli("merge-folder", folder, out, "--as-sheets")
        self.assertEqual(code, 0, err)
        # The second workbook's Data arrived as "Data (2)": its formulas and names follow it there.
        self.assertEqual(self.formulas(out, "Calc")["A1"], "='Data (2)'!$B$2*2")
        names = openpyxl.load_workbook(out).defined_names
        self.assertEqual(names["Rate"].attr_text, "'Data (2)'!$B$3")
        with zipfile.ZipFile(out) as z:
            self.assertFalse([n for n in z.namelist() if "externalLink" in n])
        self.assertNotIn("结果中的公式引用了原工作簿", log)
        self.assertComputes(out, "Calc", CALC)

    def test_a_workbook_with_links_converted_there_and_back_keeps_them(self):
        src = self.source("xlsx")
        parts = self.path("parts")
        self.assertEqual(run_cli("split-sheets", src, parts)[0], 0)
        to_xls, back = self.path("xls"), self.path("back")
        os.makedirs(to_xls)
        os.makedirs(back)
        for p in glob.glob(os.path.join(parts, "*.xlsx")):
            if not p.endswith("Calc.xlsx"):
                os.remove(p)
        self.assertEqual(run_cli("convert", parts, to_xls, "--to", "xls")[0], 0)
        self.assertEqual(run_cli("convert", to_xls, back, "--to", "xlsx")[0], 0)
        calc = os.path.join(back, "Calc.xlsx")
        self.assertEqual(self.formulas(calc)["A2"], "=SUM([源.xlsx]Data!$B$2:$B$4)")
        self.assertEqual(openpyxl.load_workbook(calc).defined_names["Rate"].attr_text, "[1]Data!$B$3")
        self.assertComputes(calc, "Calc", CALC)


if __name__ == "__main__":
    unittest.main()
