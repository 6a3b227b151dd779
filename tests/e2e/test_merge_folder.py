"""Merging the workbooks of a folder, end to end: tabrix-cli merge-folder on folders built here with openpyxl and
xlwt, results read back with openpyxl and xlrd."""
import datetime
import os
import re
import unittest
import zipfile

import openpyxl
import xlrd
import xlwt
from openpyxl.styles import Font, PatternFill

from e2e_support import TempDirCase, make_book, run_cli

HEADER = ["编号", "名称", "数量"]


def block(tag, n=3):
    """A header and n - 1 data rows."""
    return [HEADER] + [["%s%d" % (tag, i), "name%d" % i, i] for i in range(2, n + 1)]


def make_xls(path, sheets):
    book = xlwt.Workbook(encoding="utf-8")
    for name, rows in sheets:
        ws = book.add_sheet(name)
        for r, row in enumerate(rows):
            for c, v in enumerate(row):
                if v is not None:
                    ws.write(r, c, v)
    book.save(path)
    return path


def make(path, sheets):
    return make_xls(path, sheets) if path.endswith(".xls") else make_book(path, sheets)


def plain(v):
    return int(v) if isinstance(v, float) and v.is_integer() else v


def rows_of(path, sheet=0):
    """Values of one sheet as row lists, trailing empties dropped; xlrd for .xls, openpyxl otherwise."""
    if path.endswith(".xls"):
        book = xlrd.open_workbook(path)
        ws = book.sheet_by_index(sheet) if isinstance(sheet, int) else book.sheet_by_name(sheet)
        rows = [[plain(v) if v != "" else None for v in ws.row_values(r)] for r in range(ws.nrows)]
    else:
        wb = openpyxl.load_workbook(path)
        ws = wb.worksheets[sheet] if isinstance(sheet, int) else wb[sheet]
        rows = [list(r) for r in ws.iter_rows(values_only=True)]
    for row in rows:
        while row and row[-1] is None:
            row.pop()
    return rows


def sheet_names(path):
    """Every sheet's name in tab order, chart sheets included."""
    if path.endswith(".xls"):
        return xlrd.open_workbook(path).sheet_names()
    with zipfile.ZipFile(path) as z:
        return re.findall(r'<sheet [^>]*name="([^"]*)"', z.read("xl/workbook.xml").decode())


class FolderCase(TempDirCase):
    def setUp(self):
        super().setUp()
        self.src = self.path("src")
        os.mkdir(self.src)

    def book(self, name, sheets):
        return make(os.path.join(self.src, name), sheets)

    def two_books(self, ext):
        for tag in ("a", "b"):
            self.book("%s.%s" % (tag, ext), [("S1", block(tag + "1")), ("S2", block(tag + "2"))])

    def merge(self, out, *flags, folder=None, cwd=None):
        target = out if os.path.isabs(out) or cwd else self.path(out)
        args = ["merge-folder", self.src if folder is None else folder, target, *flags]
        code, stdout, _ = run_cli(*args, cwd=cwd)
        return code, stdout.splitlines(), target


class IntoOneSheet(FolderCase):
    def test_two_books_in_both_formats(self):
        for ext in ("xlsx", "xls"):
            with self.subTest(ext=ext):
                self.two_books(ext)
                code, lines, target = self.merge("out." + ext, "--overwrite")
                self.assertEqual(code, 0, lines)
                rows = rows_of(target)
                self.assertEqual(rows[0], HEADER)
                self.assertEqual([r[0] for r in rows[1:]], ["a12", "a13", "a22", "a23", "b12", "b13", "b22", "b23"])
                self.assertEqual(rows[1], ["a12", "name2", 2])
                self.assertEqual(lines[0], "数据处理信息")
                self.assertEqual(lines[1:5], ["正在复制文件“a.%s”中的工作表“S1”数据" % ext,
                                              "正在复制文件“a.%s”中的工作表“S2”数据" % ext,
                                              "正在复制文件“b.%s”中的工作表“S1”数据" % ext,
                                              "正在复制文件“b.%s”中的工作表“S2”数据" % ext])
                self.assertEqual(lines[5:], ["合并数据完成", "合并后数据保存在" + target, "[合并完成] 合并数据完成！"])
                self.assertEqual(sheet_names(target), ["Sheet1", "Sheet2", "Sheet3"])

    def test_name_columns_in_both_formats(self):
        for ext in ("xlsx", "xls"):
            with self.subTest(ext=ext):
                self.book("a.%s" % ext, [("S1", block("a1")), ("S2", block("a2"))])
                self.book("b.v2.%s" % ext, [("S1", block("b1"))])
                code, lines, target = self.merge("named." + ext, "--name-columns", "--overwrite")
                self.assertEqual(code, 0, lines)
                rows = rows_of(target)
                self.assertEqual(rows[0], ["所属的原Excel文件名", "工作表名"] + HEADER)
                self.assertEqual(rows[1], ["a", "S1", "a12", "name2", 2])
                self.assertEqual([r[:2] for r in rows[1:]],
                                 [["a", "S1"]] * 2 + [["a", "S2"]] * 2 + [["b.v2", "S1"]] * 2)

    def test_name_columns_with_start_row_one_have_no_headings(self):
        self.book("a.xlsx", [("S", [[1], [2]])])
        self.book("b.xlsx", [("T", [[3]])])
        code, _, target = self.merge("out.xlsx", "--name-columns", "--start-row", "1")
        self.assertEqual(code, 0)
        self.assertEqual(rows_of(target), [["a", "S", 1], ["a", "S", 2], ["b", "T", 3]])

    def test_start_rows_one_and_three(self):
        self.book("a.xlsx", [("S", [["h"], ["x"], ["a3"], ["a4"]])])
        self.book("b.xlsx", [("S", [["h"], ["y"], ["b3"]])])
        code, _, target = self.merge("one.xlsx", "--start-row", "1")
        self.assertEqual(code, 0)
        self.assertEqual([r[0] for r in rows_of(target)], ["h", "x", "a3", "a4", "h", "y", "b3"])
        code, _, target = self.merge("three.xlsx", "--start-row", "3")
        self.assertEqual(code, 0)
        self.assertEqual([r[0] for r in rows_of(target)], ["h", "a3", "a4", "b3"])

    def test_header_once_from_the_first_merged_sheet_short_sheets_logged(self):
        self.book("a.xlsx", [("只有表头", [["不是这个表头"]])])
        self.book("b.xlsx", [("S", block("b", 4)), ("空", [])])
        self.book("c.xlsx", [("S", block("c", 2))])
        code, lines, target = self.merge("out.xlsx")
        self.assertEqual(code, 0)
        self.assertEqual(rows_of(target), [HEADER, ["b2", "name2", 2], ["b3", "name3", 3], ["b4", "name4", 4],
                                           ["c2", "name2", 2]])
        self.assertEqual(sum("正在复制文件" in line for line in lines), 4)
        self.assertIn("正在复制文件“a.xlsx”中的工作表“只有表头”数据", lines)

    def test_every_sheet_too_short_saves_an_empty_result(self):
        self.book("a.xlsx", [("S", [[1]])])
        code, lines, target = self.merge("out.xlsx", "--start-row", "5")
        self.assertEqual(code, 0)
        self.assertEqual(rows_of(target), [])
        self.assertEqual(lines[-1], "[合并完成] 合并数据完成！")

    def test_scan_order_ignores_case_then_bytes(self):
        for name in ("b.xlsx", "a.xlsx", "C.xlsx", "A.xlsx", "9.xlsx", "10.xlsx"):
            self.book(name, [("S", [["h"], [name]])])
        code, lines, target = self.merge("out.xlsx")
        self.assertEqual(code, 0)
        self.assertEqual([r[0] for r in rows_of(target)[1:]],
                         ["10.xlsx", "9.xlsx", "A.xlsx", "a.xlsx", "b.xlsx", "C.xlsx"])

    def test_only_files_with_the_exact_extension(self):
        for name in ("in.xlsx", "upper.XLSX", "other.xls", "backup.xlsx.bak", "longer.xlsxx"):
            make(os.path.join(self.src, name), [("S", [["h"], [name]])])
        os.mkdir(os.path.join(self.src, "folder.xlsx"))
        code, _, target = self.merge("out.xlsx")
        self.assertEqual(code, 0)
        self.assertEqual(rows_of(target), [["h"], ["in.xlsx"]])
        code, _, target = self.merge("out.xls")
        self.assertEqual(code, 0)
        self.assertEqual(rows_of(target), [["h"], ["other.xls"]])

    def test_ext_chooses_the_sources_and_the_name_the_format(self):
        self.two_books("xlsx")
        code, lines, target = self.merge("out.xls", "--ext", "xlsx")
        self.assertEqual(code, 0, lines)
        self.assertEqual(len(rows_of(target)), 9)  # read by xlrd: written in the 2003 format

    def test_chart_sheets_are_passed_over(self):
        wb = openpyxl.Workbook()
        wb.active.title = "数据"
        for row in block("a"):
            wb.active.append(row)
        wb.create_chartsheet("图表")
        wb.create_sheet("后面").append(HEADER)
        wb["后面"].append(["z", "z", 9])
        wb.save(os.path.join(self.src, "a.xlsx"))
        code, lines, target = self.merge("out.xlsx")
        self.assertEqual(code, 0, lines)
        self.assertEqual([r[0] for r in rows_of(target)], ["编号", "a2", "a3", "z"])
        self.assertFalse(any("图表" in line for line in lines))


class KeepsData(FolderCase):
    def rich_xlsx(self, name):
        wb = openpyxl.Workbook()
        ws = wb.active
        ws.title = "明细"
        ws.append(["日期", "金额", "两倍", "合计", "备注", "说明"])
        ws.append([datetime.datetime(2024, 1, 5), 1234.5, "=B2*2", "=SUM($B$2:B2)", "合并"])
        ws.append([datetime.datetime(2024, 2, 6), 10, "=B3*2", "=SUM($B$2:B3)"])
        ws["A2"].number_format = "yyyy/m/d"
        ws["B2"].number_format = "#,##0.00"
        ws["A1"].font = Font(bold=True, color="FFFF0000")
        ws["B3"].fill = PatternFill("solid", fgColor="FF00FF00")
        ws.merge_cells("E2:F2")
        wb.save(os.path.join(self.src, name))

    def test_formats_dates_merges_and_shifted_formulas(self):
        self.rich_xlsx("a.xlsx")
        self.rich_xlsx("b.xlsx")
        code, lines, target = self.merge("out.xlsx")
        self.assertEqual(code, 0, lines)
        ws = openpyxl.load_workbook(target).worksheets[0]
        self.assertTrue(ws["A1"].font.b)
        self.assertEqual(ws["A4"].value, datetime.datetime(2024, 1, 5))
        self.assertEqual(ws["A4"].number_format, "yyyy/m/d")
        self.assertEqual(ws["B4"].number_format, "#,##0.00")
        self.assertEqual(ws["B5"].fill.fgColor.rgb, "FF00FF00")
        self.assertEqual(ws["C4"].value, "=B4*2")
        self.assertEqual(ws["D5"].value, "=SUM($B$2:B5)")
        self.assertEqual(sorted(str(r) for r in ws.merged_cells.ranges), ["E2:F2", "E4:F4"])

    def test_xls_sources_keep_dates_merges_and_formulas(self):
        for tag in ("a", "b"):
            book = xlwt.Workbook()
            ws = book.add_sheet("S")
            ws.write(0, 0, "日期")
            ws.write(1, 0, datetime.date(2024, 3, 4), xlwt.easyxf(num_format_str="yyyy-mm-dd"))
            ws.write(1, 1, 21)
            ws.write(1, 2, xlwt.Formula("B2*2"))
            ws.write_merge(2, 2, 0, 1, tag)
            book.save(os.path.join(self.src, tag + ".xls"))
        code, lines, target = self.merge("out.xls")
        self.assertEqual(code, 0, lines)
        book = xlrd.open_workbook(target, formatting_info=True)
        ws = book.sheet_by_index(0)
        self.assertEqual(ws.nrows, 5)
        self.assertEqual(xlrd.xldate_as_tuple(ws.cell_value(3, 0), book.datemode)[:3], (2024, 3, 4))
        fmt = book.format_map[book.xf_list[ws.cell_xf_index(3, 0)].format_key].format_str
        self.assertEqual(fmt, "yyyy-mm-dd")
        self.assertEqual(sorted(ws.merged_cells), [(2, 3, 0, 2), (4, 5, 0, 2)])
        dump = run_cli("dump", target)[1].splitlines()
        self.assertTrue(any(line.startswith("C4\t") and line.endswith("\t=B4*2") for line in dump), dump)


class AsSheets(FolderCase):
    def test_base_copied_others_appended_with_copy_names(self):
        for ext in ("xlsx", "xls"):
            with self.subTest(ext=ext):
                self.two_books(ext)
                code, lines, target = self.merge("out." + ext, "--as-sheets", "--overwrite")
                self.assertEqual(code, 0, lines)
                self.assertEqual(sheet_names(target), ["S1", "S2", "S1 (2)", "S2 (2)"])
                self.assertEqual(rows_of(target, "S1 (2)")[1], ["b12", "name2", 2])
                self.assertEqual(rows_of(target, "S2")[2], ["a23", "name3", 3])
                self.assertEqual(lines, ["数据处理信息", "正在复制文件“b.%s”中的工作表“S1”数据" % ext,
                                         "正在复制文件“b.%s”中的工作表“S2”数据" % ext, "合并数据完成",
                                         "合并后数据保存在" + target, "[合并完成] 合并数据完成！"])
                self.assertFalse([n for n in os.listdir(self.dir) if ".tabrix-" in n])

    def test_start_row_and_name_columns_do_not_apply(self):
        self.two_books("xlsx")
        code, _, target = self.merge("out.xlsx", "--as-sheets", "--start-row", "", "--name-columns")
        self.assertEqual(code, 0)
        self.assertEqual(rows_of(target, "S1"), block("a1"))

    def test_chart_sheets_of_other_books_passed_over_the_base_keeps_its_own(self):
        for name in ("a.xlsx", "b.xlsx"):
            wb = openpyxl.Workbook()
            wb.active.title = "数据"
            wb.active.append([name])
            wb.create_chartsheet("图表")
            wb.save(os.path.join(self.src, name))
        code, lines, target = self.merge("out.xlsx", "--as-sheets")
        self.assertEqual(code, 0, lines)
        self.assertEqual(sheet_names(target), ["数据", "图表", "数据 (2)"])


class RefusesAndFails(FolderCase):
    def assert_nothing_written(self):
        self.assertEqual(sorted(os.listdir(self.dir)), ["src"])

    def test_result_inside_the_folder_in_any_spelling(self):
        self.two_books("xlsx")
        os.symlink(self.src, self.path("link"))
        os.mkdir(os.path.join(self.src, "sub"))
        for out in (os.path.join(self.src, "r.xlsx"), self.path("link/r.xlsx"), self.path("src/sub/../r.xlsx")):
            code, lines, _ = self.merge(out)
            self.assertEqual(code, 1, out)
            self.assertIn("[操作失效] 新的文件不能与原有Excel文件在同一个目录", lines)
        code, lines, _ = self.merge("r.xlsx", "--as-sheets", cwd=self.src)
        self.assertEqual(code, 1)
        self.assertIn("[操作失效] 新的文件不能与原有Excel文件在同一个目录", lines)
        self.assertEqual(sorted(os.listdir(self.src)), ["a.xlsx", "b.xlsx", "sub"])

    def test_empty_missing_or_workbookless_folder(self):
        make_book(os.path.join(self.src, "a.xls.xlsx"), [("S", [[1]])])
        for folder, ext in (("", "xlsx"), (self.path("nope"), "xlsx"), (self.src, "xls")):
            for flags in ((), ("--as-sheets",)):
                code, lines, _ = self.merge("out." + ext, *flags, folder=folder)
                self.assertEqual(code, 1, (folder, flags))
                self.assertIn("[文件不存在] 所选的目录没有Excel文件，请查实", lines)
        self.assertFalse(os.path.exists(self.path("out.xlsx")) or os.path.exists(self.path("out.xls")))

    def test_start_row_empty_or_zero(self):
        self.two_books("xlsx")
        code, lines, _ = self.merge("out.xlsx", "--start-row", "")
        self.assertEqual((code, lines), (1, ["[开始行有误] 没有开始行，将默认设置为2"]))
        code, lines, _ = self.merge("out.xlsx", "--start-row", "0")
        self.assertEqual(code, 1)
        self.assertIn("开始行有误", lines[0])
        self.assertFalse(os.path.exists(self.path("out.xlsx")))

    def test_unreadable_workbook_in_the_middle_stops_both_merges(self):
        self.book("a.xlsx", [("S", block("a"))])
        with open(os.path.join(self.src, "b.xlsx"), "wb") as f:
            f.write(b"PK\x03\x04 not really a zip")
        with open(os.path.join(self.src, "c.xlsx"), "w") as f:
            f.write("plain text")
        self.book("d.xlsx", [("S", block("d"))])
        for flags in ((), ("--as-sheets",)):
            code, lines, _ = self.merge("out.xlsx", *flags)
            self.assertEqual(code, 2, flags)
            failure = [line for line in lines if line.startswith("合并数据失败")]
            self.assertEqual(len(failure), 1, lines)
            self.assertIn("无法读取文件“b.xlsx”", failure[0])
            self.assertIn("[合并数据失败] " + failure[0], lines)
            self.assertNotIn("合并数据完成", lines)
            self.assert_nothing_written()

    def test_password_protected_workbook_is_named(self):
        corpus = os.path.join(os.environ.get("TABRIX_SOURCE_DIR", "."), "..", "shared", "corpus", "files")
        protected = os.path.join(corpus, "poi__protected_passtika.xlsx")
        if not os.path.exists(protected):
            self.skipTest("workbook corpus not beside the checkout")
        self.book("a.xlsx", [("S", block("a"))])
        with open(protected, "rb") as f, open(os.path.join(self.src, "b.xlsx"), "wb") as g:
            g.write(f.read())
        code, lines, _ = self.merge("out.xlsx", "--as-sheets")
        # No password on a pipe: a refused input naming the workbook and how to give one.
        self.assertEqual(code, 1)
        self.assertTrue(any("b.xlsx" in line and "TABRIX_PASSWORD" in line for line in lines), lines)
        self.assert_nothing_written()

    def test_unreadable_base_workbook_is_named_by_its_own_name(self):
        with open(os.path.join(self.src, "a.xlsx"), "wb") as f:
            f.write(b"PK\x03\x04 a damaged package")
        self.book("b.xlsx", [("S", block("b"))])
        code, lines, _ = self.merge("out.xlsx", "--as-sheets")
        self.assertEqual(code, 2)
        failure = next(line for line in lines if line.startswith("合并数据失败"))
        self.assertIn("无法读取文件“a.xlsx”", failure)
        self.assertIn(os.path.join(self.src, "a.xlsx"), failure)
        self.assertNotIn(".tabrix-", failure)
        self.assert_nothing_written()

    def test_row_limit_of_the_2003_format_names_where_it_is_reached(self):
        rows = [["h"]] + [[i] for i in range(40000)]
        self.book("a.xlsx", [("S", rows)])
        self.book("b.xlsx", [("第一", [["h"], [1]]), ("第二", rows)])
        code, lines, _ = self.merge("out.xls", "--ext", "xlsx")
        self.assertEqual(code, 2)
        failure = next(line for line in lines if line.startswith("合并数据失败"))
        self.assertIn("65536", failure)
        self.assertIn("文件“b.xlsx”的工作表“第二”", failure)
        self.assert_nothing_written()
        # The same rows fit the newer format.
        code, _, target = self.merge("out.xlsx")
        self.assertEqual(code, 0)
        self.assertEqual(len(rows_of(target)), 80002)


if __name__ == "__main__":
    unittest.main()
