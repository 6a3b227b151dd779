"""Headings in merges, end to end: every merge with a header row checks each worksheet's headings against the
first one's and says how they differ; --by-header lines columns up by heading instead of position. Sources are
built with openpyxl and xlwt, results read back with openpyxl and xlrd."""
import os
import unittest

import openpyxl
from openpyxl.styles import Font, PatternFill

from e2e_support import TempDirCase, make_book, run_cli
from test_merge_folder import make, rows_of

BRANCHES = {
    "a": [["姓名", "部门", "工资"], ["张三", "财务", 5000], ["李四", "人事", 6000]],
    "b": [["姓名", "工资", "部门"], ["王五", 7000, "销售"]],
    "c": [["姓名", "部门", "工资", "奖金"], ["赵六", "研发", 8000, 800]],
}


class Headings(TempDirCase):
    def folder(self, books, ext):
        src = self.path("src_" + ext)
        os.makedirs(src, exist_ok=True)
        for tag, sheets in books.items():
            make(os.path.join(src, "%s.%s" % (tag, ext)), sheets)
        return src

    def run_merge(self, command, src, out, *flags):
        code, stdout, stderr = run_cli(command, src, self.path(out), "--overwrite", *flags)
        self.assertEqual(code, 0, stdout + stderr)
        return stdout, self.path(out)

    def test_three_branches_by_position_and_by_heading(self):
        for ext in ("xlsx", "xls"):
            with self.subTest(ext=ext):
                src = self.folder({t: [("Sheet1", rows)] for t, rows in BRANCHES.items()}, ext)
                log, out = self.run_merge("merge-folder", src, "pos." + ext)
                self.assertIn("文件“b.%s”中的工作表“Sheet1”的标题与第一个工作表不同：“工资”和“部门”的位置不同" % ext, log)
                self.assertIn("文件“c.%s”中的工作表“Sheet1”的标题与第一个工作表不同：多出“奖金”" % ext, log)
                self.assertNotIn("a.%s”中的工作表“Sheet1”的标题" % ext, log)
                self.assertIn("[合并完成] 合并数据完成！有2个工作表的标题与第一个工作表不同，请查看处理信息。", log)
                self.assertEqual(rows_of(out)[3], ["王五", 7000, "销售"], "by position nothing moves")

                log, out = self.run_merge("merge-folder", src, "head." + ext, "--by-header")
                self.assertEqual(rows_of(out), [["姓名", "部门", "工资", "奖金"], ["张三", "财务", 5000],
                                                ["李四", "人事", 6000], ["王五", "销售", 7000], ["赵六", "研发", 8000, 800]])
                self.assertIn("文件“b.%s”中的工作表“Sheet1”的列已按标题名称对齐：“工资”移到第C列，“部门”移到第B列" % ext, log)
                self.assertIn("文件“c.%s”中的工作表“Sheet1”的列已按标题名称对齐：“奖金”新增为第D列" % ext, log)
                self.assertIn("已按标题名称对齐列。", log)

                code, quiet, _ = run_cli("merge-folder", src, self.path("q." + ext), "--quiet")
                self.assertEqual(code, 0)
                self.assertNotIn("位置不同", quiet)
                self.assertIn("有2个工作表的标题与第一个工作表不同", quiet)

    def test_as_sheets_checks_headings_too(self):
        src = self.folder({t: [("Sheet1", rows)] for t, rows in BRANCHES.items()}, "xlsx")
        log, out = self.run_merge("merge-folder", src, "sheets.xlsx", "--as-sheets")
        self.assertIn("文件“b.xlsx”中的工作表“Sheet1”的标题与第一个工作表不同：“工资”和“部门”的位置不同", log)
        self.assertIn("有2个工作表的标题与第一个工作表不同", log)

    def test_repeated_headings_spaces_full_width_and_missing_ones(self):
        book = make_book(self.path("src.xlsx"), [
            ("一", [["ID", "备注", "数量", "备注", "地区"], [1, "a", 10, "b", "东"]]),
            # full-width letters, a trailing ideographic space, case, the repeated heading in other places,
            # "地区" missing and "单价" new
            ("二", [["备注 ", "ｉｄ", "备注", "数量　", "单价"], ["c", 2, "d", 20, 3.5]]),
        ])
        log, out = self.run_merge("merge-sheets", book, "out.xlsx", "--by-header")
        self.assertEqual(rows_of(out), [["ID", "备注", "数量", "备注", "地区", "单价"], [1, "a", 10, "b", "东"],
                                        [2, "c", 20, "d", None, 3.5]])
        self.assertIn("工作表“二”的列已按标题名称对齐：“备注”移到第B列，“ｉｄ”移到第A列，“备注”移到第D列，"
                      "“数量”移到第C列，“单价”新增为第F列", log)
        log, _ = self.run_merge("merge-sheets", book, "pos.xlsx")
        self.assertIn("工作表“二”的标题与第一个工作表不同：", log)
        self.assertIn("多出“ｉｄ”和“单价”", log)
        self.assertIn("缺少“ID”和“地区”", log)

    def test_start_row_one_is_refused_before_anything_is_read(self):
        book = make_book(self.path("src.xlsx"), [("一", [["a"]])])
        src = self.folder({"a": [("S", [["a"]])]}, "xlsx")
        for args in (("merge-sheets", book), ("merge-folder", src)):
            with self.subTest(command=args[0]):
                out = self.path(args[0] + ".xlsx")
                code, stdout, _ = run_cli(*args, out, "--start-row", "1", "--by-header")
                self.assertEqual(code, 1)
                self.assertIn("按标题名称对齐列需要标题行", stdout)
                self.assertFalse(os.path.exists(out))

    def test_formulas_formats_and_name_columns_follow_their_headings(self):
        wb = openpyxl.Workbook()
        one = wb.active
        one.title = "一"
        for row in (["姓名", "工资", "双倍"], ["甲", 100, "=B2*2"]):
            one.append(row)
        two = wb.create_sheet("二")
        for row in (["工资", "姓名", "双倍"], [300, "乙", "=A2*2+SUM($A$2:A2)"]):
            two.append(row)
        two["A2"].font = Font(bold=True)
        two["A2"].fill = PatternFill("solid", fgColor="FFFF00")
        two["A2"].number_format = "#,##0.00"
        src = self.path("f.xlsx")
        wb.save(src)
        log, out = self.run_merge("merge-sheets", src, "out.xlsx", "--by-header", "--sheet-name-column")
        ws = openpyxl.load_workbook(out).worksheets[0]
        self.assertEqual([c.value for c in ws[1]], ["所属的原工作表", "姓名", "工资", "双倍"])
        self.assertEqual([c.value for c in ws[3]], ["二", "乙", 300, "=C3*2+SUM($A$2:C3)"])
        self.assertEqual(ws["D2"].value, "=C2*2")
        self.assertTrue(ws["C3"].font.b)
        self.assertEqual(ws["C3"].fill.fgColor.rgb[-6:], "FFFF00")
        self.assertEqual(ws["C3"].number_format, "#,##0.00")
        self.assertIn("工作表“二”的列已按标题名称对齐：“工资”移到第C列，“姓名”移到第B列", log)

        folder = self.folder({"a": [("S", [["姓名", "工资"], ["甲", 1]])], "b": [("T", [["工资", "姓名"], [2, "乙"]])]},
                             "xls")
        log, out = self.run_merge("merge-folder", folder, "n.xls", "--by-header", "--name-columns")
        self.assertEqual(rows_of(out), [["所属的原Excel文件名", "工作表名", "姓名", "工资"], ["a", "S", "甲", 1],
                                        ["b", "T", "乙", 2]])


if __name__ == "__main__":
    unittest.main()
