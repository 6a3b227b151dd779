"""Merging the worksheets of one workbook, end to end: tabrix-cli merge-sheets on workbooks made here with
openpyxl, results read back with openpyxl."""
import datetime
import os
import unittest

import openpyxl
from openpyxl.styles import Border, Font, PatternFill, Side

from e2e_support import TempDirCase, make_book, patch_part, run_cli, values

HEADER = ["编号", "名称", "数量"]


def block(n, tag):
    return [HEADER] + [["%s%d" % (tag, i), "name%d" % i, i] for i in range(2, n + 1)]


class MergeRows(TempDirCase):
    def merge(self, src, *flags, out="out.xlsx"):
        target = self.path(out)
        code, stdout, stderr = run_cli("merge-sheets", src, target, *flags)
        return code, stdout, target

    def test_header_once_short_sheet_skipped_but_logged(self):
        src = make_book(self.path("src.xlsx"), [("一", block(10, "a")), ("二", block(5, "b")), ("三", [HEADER])])
        code, out, target = self.merge(src)
        self.assertEqual(code, 0, out)
        rows = values(target)
        self.assertEqual(rows[0], HEADER)
        self.assertEqual(len(rows), 14)
        self.assertEqual(rows[1][0], "a2")
        self.assertEqual(rows[9][0], "a10")
        self.assertEqual(rows[10][0], "b2")
        self.assertEqual(rows[13][0], "b5")
        lines = out.splitlines()
        self.assertEqual(lines[0], "数据处理信息")
        self.assertEqual(lines[1:4], ["正在复制工作表“一”数据", "正在复制工作表“二”数据", "正在复制工作表“三”数据"])
        self.assertEqual(lines[4], "合并数据完成")
        self.assertEqual(lines[5], "合并后数据保存在" + target)
        self.assertEqual(lines[6], "[合并完成] 合并数据完成！")

    def test_start_row_one_appends_every_row(self):
        src = make_book(self.path("src.xlsx"), [("a", [[1, 2], [3, 4]]), ("b", [[5, 6]])])
        code, _, target = self.merge(src, "--start-row", "1")
        self.assertEqual(code, 0)
        self.assertEqual(values(target), [[1, 2], [3, 4], [5, 6]])

    def test_start_row_three_drops_row_two_of_every_sheet(self):
        src = make_book(self.path("src.xlsx"), [("a", [["h"], ["x"], ["a3"], ["a4"]]), ("b", [["h"], ["y"], ["b3"]])])
        code, _, target = self.merge(src, "--start-row", "3")
        self.assertEqual(code, 0)
        self.assertEqual([r[0] for r in values(target)], ["h", "a3", "a4", "b3"])

    def test_sheet_name_column(self):
        src = make_book(self.path("src.xlsx"), [("甲", block(3, "a")), ("乙", block(2, "b"))])
        code, _, target = self.merge(src, "--sheet-name-column")
        self.assertEqual(code, 0)
        rows = values(target)
        self.assertEqual(rows[0], ["所属的原工作表"] + HEADER)
        self.assertEqual(rows[1], ["甲", "a2", "name2", 2])
        self.assertEqual(rows[3], ["乙", "b2", "name2", 2])
        self.assertEqual(len(rows), 4)

    def test_sheet_name_column_with_start_row_one(self):
        src = make_book(self.path("src.xlsx"), [("s1", [[1], [2]]), ("s2", [[3]])])
        code, _, target = self.merge(src, "--sheet-name-column", "--start-row", "1")
        self.assertEqual(code, 0)
        self.assertEqual(values(target), [["s1", 1], ["s1", 2], ["s2", 3]])

    def test_every_sheet_too_short_still_saves_with_completion(self):
        src = make_book(self.path("src.xlsx"), [("a", [[1]]), ("b", [[2]])])
        code, out, target = self.merge(src, "--start-row", "5")
        self.assertEqual(code, 0)
        self.assertEqual(out.count("正在复制工作表"), 2)
        self.assertIn("[合并完成] 合并数据完成！", out)
        self.assertTrue(os.path.exists(target))
        self.assertEqual(values(target), [])

    def test_used_range_not_at_a1_is_taken_by_size(self):
        wb = openpyxl.Workbook()
        ws = wb.active
        ws.title = "data"
        for r in range(5, 21):
            for c in range(3, 7):
                ws.cell(r, c, r * 100 + c)
        wb.save(self.path("src.xlsx"))
        code, _, target = self.merge(self.path("src.xlsx"))
        self.assertEqual(code, 0)
        rows = values(target)
        # 16 rows x 4 columns counted as A1:D16: A2:D16 copied below an A1:D1 header (all empty above row 5).
        self.assertEqual(rows[4], [None, None, 503, 504])
        self.assertEqual(rows[-1], [None, None, 1603, 1604])
        self.assertEqual(len(rows), 16)

    def test_default_sheets_kept(self):
        src = make_book(self.path("src.xlsx"), [("a", block(3, "a"))])
        code, _, target = self.merge(src)
        self.assertEqual(code, 0)
        self.assertEqual(openpyxl.load_workbook(target).sheetnames, ["Sheet1", "Sheet2", "Sheet3"])


class MergeKeepsData(TempDirCase):
    def test_formats_survive(self):
        wb = openpyxl.Workbook()
        ws = wb.active
        ws.title = "s"
        ws.append(["日期", "金额"])
        ws.append([datetime.datetime(2024, 1, 5), 1234.5])
        ws["A1"].font = Font(bold=True, color="FFFF0000")
        ws["B2"].number_format = "#,##0.00"
        ws["A2"].number_format = "yyyy/m/d"
        ws["B1"].fill = PatternFill("solid", fgColor="FF00FF00")
        ws["B2"].border = Border(left=Side("thin"), bottom=Side("double", color="FF0000FF"))
        wb.save(self.path("src.xlsx"))
        code, out, _ = run_cli("merge-sheets", self.path("src.xlsx"), self.path("out.xlsx"))
        self.assertEqual(code, 0, out)
        res = openpyxl.load_workbook(self.path("out.xlsx")).worksheets[0]
        self.assertEqual(res["A2"].value, datetime.datetime(2024, 1, 5))
        self.assertTrue(res["A2"].is_date)
        self.assertEqual(res["A2"].number_format, "yyyy/m/d")
        self.assertTrue(res["A1"].font.b)
        self.assertEqual(res["A1"].font.color.rgb, "FFFF0000")
        self.assertEqual(res["B1"].fill.fill_type, "solid")
        self.assertEqual(res["B1"].fill.fgColor.rgb, "FF00FF00")
        self.assertEqual(res["B2"].number_format, "#,##0.00")
        self.assertEqual(res["B2"].border.left.style, "thin")
        self.assertEqual(res["B2"].border.bottom.style, "double")
        self.assertEqual(res["B2"].border.bottom.color.rgb, "FF0000FF")

    def test_formulas_move_with_their_rows(self):
        make_book(self.path("src.xlsx"), [
            ("a", [["x", "y", "z"], [1, 2, "=A2*B2"], [3, 4, "=A3*$B$2"], [5, 6, "=SUM(A2:B2)"]]),
            ("b", [["x", "y", "z"], [7, 8, "=A2*B2"], [9, 10, "=A3*$B$2+Sheet9!A1"]])])
        code, out, _ = run_cli("merge-sheets", self.path("src.xlsx"), self.path("out.xlsx"))
        self.assertEqual(code, 0, out)
        rows = values(self.path("out.xlsx"))
        self.assertEqual(rows[1][2], "=A2*B2")
        self.assertEqual(rows[2][2], "=A3*$B$2")
        self.assertEqual(rows[4][2], "=A5*B5")
        # A sheet the result does not hold is read in the source workbook, at the cell the formula read there.
        self.assertEqual(rows[5][2], "=A6*$B$2+[1]Sheet9!A1")

    def test_formula_from_row_two_of_later_sheet_lands_on_row_six(self):
        make_book(self.path("src.xlsx"), [("a", [["h", "h"], [1, 1], [2, 2], [3, 3], [4, 4]]),
                                          ("b", [["h", "h", "h"], [5, 6, "=A2*B2"]])])
        code, _, _ = run_cli("merge-sheets", self.path("src.xlsx"), self.path("out.xlsx"))
        self.assertEqual(code, 0)
        self.assertEqual(values(self.path("out.xlsx"))[5][2], "=A6*B6")

    def test_exact_values(self):
        long_cjk = "数据" * 5000
        wb = openpyxl.Workbook()
        ws = wb.active
        ws.append(["h"] * 8)
        ws.append([123456789012345, 1e-300, 0.1 + 0.2, long_cjk, "a\tb\nc", True, False, -0.5])
        ws["I2"] = "#DIV/0!"
        ws["I2"].data_type = "e"
        wb.save(self.path("plain.xlsx"))
        # openpyxl writes floats with 15 digits; put the exact 17-digit text into the part by hand.
        patch_part(self.path("plain.xlsx"), self.path("src.xlsx"), "xl/worksheets/sheet1.xml",
                   "<v>0.3</v>", "<v>0.30000000000000004</v>")
        code, out, _ = run_cli("merge-sheets", self.path("src.xlsx"), self.path("out.xlsx"))
        self.assertEqual(code, 0, out)
        res = openpyxl.load_workbook(self.path("out.xlsx")).worksheets[0]
        got = [c.value for c in res[2]]
        self.assertEqual(got[0], 123456789012345)
        self.assertEqual(got[1], 1e-300)
        self.assertEqual(got[2], 0.1 + 0.2)
        self.assertEqual(got[3], long_cjk)
        self.assertEqual(got[4], "a\tb\nc")
        self.assertIs(got[5], True)
        self.assertIs(got[6], False)
        self.assertEqual(got[7], -0.5)
        self.assertEqual(got[8], "#DIV/0!")
        self.assertEqual(res["I2"].data_type, "e")


class MergeRefusesAndFails(TempDirCase):
    def test_empty_start_row(self):
        src = make_book(self.path("src.xlsx"), [("a", [[1]])])
        code, out, _ = run_cli("merge-sheets", src, self.path("out.xlsx"), "--start-row", "")
        self.assertEqual(code, 1)
        self.assertIn("[开始行有误] 没有开始行，将默认设置为2", out)
        self.assertFalse(os.path.exists(self.path("out.xlsx")))

    def test_start_row_zero_refused(self):
        src = make_book(self.path("src.xlsx"), [("a", [[1]])])
        code, out, _ = run_cli("merge-sheets", src, self.path("out.xlsx"), "--start-row", "0")
        self.assertEqual(code, 1)
        self.assertIn("开始行有误", out)

    def test_missing_source(self):
        code, out, _ = run_cli("merge-sheets", self.path("nope.xlsx"), self.path("out.xlsx"))
        self.assertEqual(code, 1)
        self.assertIn("[文件不存在] 原Excel文件不存在，请查实", out)

    def test_target_is_source_in_another_spelling(self):
        src = make_book(self.path("src.xlsx"), [("a", [[1]])])
        before = open(src, "rb").read()
        os.mkdir(self.path("sub"))
        code, out, _ = run_cli("merge-sheets", src, self.path("sub/../src.xlsx"), "--overwrite")
        self.assertEqual(code, 1)
        self.assertIn("[操作失效] 新的文件不能覆盖原有Excel文件", out)
        self.assertEqual(open(src, "rb").read(), before)

    def test_existing_target_needs_overwrite(self):
        src = make_book(self.path("src.xlsx"), [("a", [["h"], [1]])])
        with open(self.path("out.xlsx"), "w") as f:
            f.write("old")
        code, out, _ = run_cli("merge-sheets", src, self.path("out.xlsx"))
        self.assertEqual(code, 1)
        self.assertIn("是否替换保存", out)
        self.assertEqual(open(self.path("out.xlsx")).read(), "old")
        code, out, _ = run_cli("merge-sheets", src, self.path("out.xlsx"), "--overwrite")
        self.assertEqual(code, 0, out)
        self.assertEqual(values(self.path("out.xlsx")), [["h"], [1]])

    def test_damaged_source_fails_clearly_and_leaves_no_target(self):
        with open(self.path("bad.xlsx"), "wb") as f:
            f.write(b"PK\x03\x04 this is not really a zip")
        code, out, _ = run_cli("merge-sheets", self.path("bad.xlsx"), self.path("out.xlsx"))
        self.assertEqual(code, 2)
        self.assertIn("合并数据失败", out)
        self.assertIn("bad.xlsx", out)
        self.assertEqual(sorted(os.listdir(self.dir)), ["bad.xlsx"])

    def test_unwritable_target_folder_fails_and_leaves_nothing(self):
        src = make_book(self.path("src.xlsx"), [("a", [["h"], [1]])])
        code, out, _ = run_cli("merge-sheets", src, self.path("no/such/dir/out.xlsx"))
        self.assertEqual(code, 2)
        self.assertIn("合并数据失败", out)
        self.assertEqual(sorted(os.listdir(self.dir)), ["src.xlsx"])


if __name__ == "__main__":
    unittest.main()
