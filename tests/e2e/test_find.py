"""Finding rows, end to end: tabrix-cli find on workbooks made here, results read back with openpyxl and xlrd."""
import datetime
import os
import unittest

import openpyxl
import xlrd
import xlwt
from openpyxl.styles import Font

from e2e_support import TempDirCase, make_book, run_cli, values

ROWS = [["编号", "名称", "数量"],
        [12, "苹果", 5],
        [7, "A12B", 6],
        [123, "梨", 8],
        ["x", "y", 1],
        ["a12", "b12", "12c"]]


class FindRows(TempDirCase):
    def find(self, src, text, out="out.xlsx", sheet="数据", *flags):
        target = self.path(out)
        code, stdout, _ = run_cli("find", src, sheet, text, target, *flags)
        return code, stdout, target

    def test_part_matches_each_row_once_in_order_with_log(self):
        src = make_book(self.path("src.xlsx"), [("其他", [["12"]]), ("数据", ROWS)])
        code, out, target = self.find(src, "12")
        self.assertEqual(code, 0, out)
        self.assertEqual(values(target, "查找结果"), [ROWS[1], ROWS[2], ROWS[3], ROWS[5]])
        self.assertEqual(openpyxl.load_workbook(target).sheetnames, ["查找结果"])
        self.assertEqual(out.splitlines(), ["数据处理信息", "正在查找相同的数据", "查找数据完成",
                                            "[查找数据完成] 查找数据完成！"])

    def test_row_one_with_hits_in_a1_and_later_is_written_once_and_first(self):
        rows = [["ab", "x", "ab"], ["no", "no", "no"], ["q", "ab", "q"]]
        src = make_book(self.path("src.xlsx"), [("数据", rows)])
        code, _, target = self.find(src, "AB")
        self.assertEqual(code, 0)
        self.assertEqual(values(target), [rows[0], rows[2]])
        only_a1 = [["ab", "x"], ["no", "no"], ["q", "ab"]]
        src = make_book(self.path("a1.xlsx"), [("数据", only_a1)])
        code, _, target = self.find(src, "ab", "a1out.xlsx")
        self.assertEqual(code, 0)
        self.assertEqual(values(target), [only_a1[0], only_a1[2]])

    def test_header_only_when_it_holds_the_text(self):
        src = make_book(self.path("src.xlsx"), [("数据", ROWS)])
        code, _, target = self.find(src, "名")
        self.assertEqual(code, 0)
        self.assertEqual(values(target), [ROWS[0]])

    def test_one_blank_is_searched(self):
        rows = [["a b", 1], ["ab", 2], ["c", "d e"]]
        src = make_book(self.path("src.xlsx"), [("数据", rows)])
        code, _, target = self.find(src, " ")
        self.assertEqual(code, 0)
        self.assertEqual(values(target), [rows[0], rows[2]])

    def test_no_hit_gives_the_empty_result_sheet_alone(self):
        src = make_book(self.path("src.xlsx"), [("数据", ROWS)])
        code, out, target = self.find(src, "不在表中")
        self.assertEqual(code, 0)
        self.assertIn("[查找数据完成] 查找数据完成！", out)
        book = openpyxl.load_workbook(target)
        self.assertEqual(book.sheetnames, ["查找结果"])
        self.assertEqual(values(target), [])

    def test_wildcards_escapes_and_case(self):
        rows = [["a*b"], ["axb"], ["A1B"], ["ab?"], ["xyz"]]
        src = make_book(self.path("src.xlsx"), [("数据", rows)])
        for text, expected in (("a~*b", [["a*b"]]), ("a?b", [["a*b"], ["axb"], ["A1B"]]),
                               ("b~?", [["ab?"]]), ("XY", [["xyz"]])):
            code, _, target = self.find(src, text, "w.xlsx", "数据", "--overwrite")
            self.assertEqual(code, 0)
            self.assertEqual(values(target), expected, text)

    def test_shown_text_and_value_text_both_match(self):
        wb = openpyxl.Workbook()
        ws = wb.active
        ws.title = "数据"
        ws.append(["日期", "金额"])
        ws.append([datetime.datetime(2024, 1, 5), 1234.5])
        ws.append([datetime.datetime(2023, 12, 1), 99])
        for r in (2, 3):
            ws.cell(r, 1).number_format = "yyyy-mm-dd"
            ws.cell(r, 2).number_format = "#,##0.00"
        wb.save(self.path("src.xlsx"))
        for text, expected_rows in (("2024-01", 1), ("1,234.5", 1), ("1234", 1), ("99.00", 1), ("45296", 1),
                                    ("2023-1", 1), ("-", 2)):
            code, _, target = self.find(self.path("src.xlsx"), text, "s.xlsx", "数据", "--overwrite")
            self.assertEqual(code, 0)
            self.assertEqual(len(values(target)), expected_rows, text)

    def test_rows_span_the_used_width_with_values_and_formats(self):
        wb = openpyxl.Workbook()
        ws = wb.active
        ws.title = "数据"
        ws.append(["h1", "h2", "h3", "h4"])
        ws.append(["key", 1.5, datetime.datetime(2024, 2, 29), "=B2*2"])
        ws["A2"].font = Font(bold=True)
        ws["C2"].number_format = "yyyy/m/d"
        ws["E2"] = "far"
        ws["F3"] = "wider"
        wb.save(self.path("src.xlsx"))
        code, _, target = self.find(self.path("src.xlsx"), "KEY")
        self.assertEqual(code, 0)
        res = openpyxl.load_workbook(target).worksheets[0]
        self.assertEqual([c.value for c in res[1]],
                         ["key", 1.5, datetime.datetime(2024, 2, 29), "=B1*2", "far"])
        self.assertTrue(res["A1"].font.b)
        self.assertEqual(res["C1"].number_format, "yyyy/m/d")

    def test_rows_below_a_blank_top_are_searched(self):
        wb = openpyxl.Workbook()
        ws = wb.active
        ws.title = "数据"
        for r in range(4, 10):
            ws.cell(r, 3, "v%d" % r)
        wb.save(self.path("src.xlsx"))
        code, _, target = self.find(self.path("src.xlsx"), "v9")
        self.assertEqual(code, 0)
        self.assertEqual(values(target), [[None, None, "v9"]])

    def test_xls_source_and_result(self):
        book = xlwt.Workbook()
        sheet = book.add_sheet("数据")
        for r, row in enumerate(ROWS):
            for c, v in enumerate(row):
                sheet.write(r, c, v)
        book.save(self.path("src.xls"))
        code, out, target = self.find(self.path("src.xls"), "12", "out.xls")
        self.assertEqual(code, 0, out)
        res = xlrd.open_workbook(target)
        self.assertEqual(res.sheet_names(), ["查找结果"])
        got = [res.sheet_by_index(0).row_values(r) for r in range(res.sheet_by_index(0).nrows)]
        self.assertEqual(got, [[12.0, "苹果", 5.0], [7.0, "A12B", 6.0], [123.0, "梨", 8.0], ["a12", "b12", "12c"]])


class FindRefusesAndFails(TempDirCase):
    def setUp(self):
        super().setUp()
        self.src = make_book(self.path("src.xlsx"), [("数据", ROWS)])

    def test_empty_text_missing_source_and_target_is_source(self):
        code, out, _ = run_cli("find", self.src, "数据", "", self.path("o.xlsx"))
        self.assertEqual((code, out.strip()), (1, "[查找有误] 查找的内容不能为空"))
        code, out, _ = run_cli("find", self.path("nope.xlsx"), "数据", "1", self.path("o.xlsx"))
        self.assertEqual((code, out.strip()), (1, "[文件不存在] 原Excel文件不存在，请查实"))
        code, out, _ = run_cli("find", self.src, "数据", "1", self.src, "--overwrite")
        self.assertEqual((code, out.strip()), (1, "[操作失效] 新的文件不能覆盖原有Excel文件"))
        self.assertEqual(sorted(os.listdir(self.dir)), ["src.xlsx"])

    def test_existing_target_needs_overwrite(self):
        with open(self.path("o.xlsx"), "w") as f:
            f.write("old")
        code, out, _ = run_cli("find", self.src, "数据", "梨", self.path("o.xlsx"))
        self.assertEqual(code, 1)
        self.assertIn("是否替换保存", out)
        with open(self.path("o.xlsx")) as f:
            self.assertEqual(f.read(), "old")
        code, _, _ = run_cli("find", self.src, "数据", "梨", self.path("o.xlsx"), "--overwrite")
        self.assertEqual(code, 0)
        self.assertEqual(values(self.path("o.xlsx")), [ROWS[3]])

    def test_damaged_source_fails_and_leaves_nothing(self):
        with open(self.path("bad.xlsx"), "wb") as f:
            f.write(b"PK\x03\x04 not a zip")
        code, out, _ = run_cli("find", self.path("bad.xlsx"), "数据", "1", self.path("o.xlsx"))
        self.assertEqual(code, 2)
        self.assertIn("查找数据失败", out)
        self.assertNotIn("o.xlsx", os.listdir(self.dir))


if __name__ == "__main__":
    unittest.main()
