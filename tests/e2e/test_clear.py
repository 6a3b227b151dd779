"""Clearing unwanted rows, end to end: tabrix-cli clear on workbooks made here, results read back with openpyxl
and xlrd."""
import datetime
import os
import unittest

import openpyxl
import xlrd
import xlwt

from e2e_support import TempDirCase, make_book, run_cli, values

HEADER = ["编号", "名称", "数量"]
DATA = [HEADER,
        ["a1", "苹果", 5],
        ["a2", "梨", 6],
        ["a3", "桃", 7],
        ["a2", "梨", 9],
        ["a4", "李", 8]]


class ClearRows(TempDirCase):
    def clear(self, data, remove, out="out.xlsx", data_sheet="数据", remove_sheet="删除", *flags):
        target = self.path(out)
        code, stdout, _ = run_cli("clear", data, data_sheet, remove, remove_sheet, target, *flags)
        return code, stdout, target

    def books(self, data_rows, remove_rows, same=False):
        if same:
            path = make_book(self.path("data.xlsx"), [("数据", data_rows), ("删除", remove_rows)])
            return path, path
        return (make_book(self.path("data.xlsx"), [("数据", data_rows)]),
                make_book(self.path("remove.xlsx"), [("删除", remove_rows)]))

    def test_full_matches_removed_order_kept_header_shared_with_log(self):
        data, remove = self.books(DATA, [HEADER, ["a3", "桃", 7], ["a1", "苹果", 5]])
        code, out, target = self.clear(data, remove)
        self.assertEqual(code, 0, out)
        self.assertEqual(values(target), [DATA[2], DATA[4], DATA[5]])
        self.assertEqual(openpyxl.load_workbook(target).sheetnames, ["Sheet1"])
        # The progress line goes to a terminal only; the window's log is checked in the window's tests.
        self.assertEqual(out.splitlines(), ["数据处理信息", "正在分析数据", "删除数据完成",
                                            "[删除数据完成] 删除数据完成！"])

    def test_key_with_another_column_differing_unless_a_later_occurrence_matches(self):
        data, remove = self.books(DATA, [["a2", "梨", 1], ["a4", "李", 1], ["a2", "梨", 9], ["a2", "梨", 2]])
        code, _, target = self.clear(data, remove)
        self.assertEqual(code, 0)
        # a2/6 differs from every a2 of the removal sheet; a2/9 matches its second occurrence; a4 differs.
        self.assertEqual(values(target), [HEADER, DATA[1], DATA[2], DATA[3], DATA[5]])

    def test_removal_of_column_a_only_removes_on_the_key(self):
        data, remove = self.books(DATA, [["a2"], ["A4"]])
        code, _, target = self.clear(data, remove)
        self.assertEqual(code, 0)
        self.assertEqual([r[0] for r in values(target)], ["编号", "a1", "a3"])

    def test_extra_data_columns_are_copied_not_compared(self):
        data_rows = [["k1", 1, "x", "extra1"], ["k2", 2, "y", "extra2"], ["k3", 3, "z", "extra3", "far"]]
        data, remove = self.books(data_rows, [["k2", 2], ["k3", 4]])
        code, _, target = self.clear(data, remove)
        self.assertEqual(code, 0)
        self.assertEqual(values(target), [["k1", 1, "x", "extra1", None], ["k3", 3, "z", "extra3", "far"]])

    def test_both_sheets_in_one_workbook(self):
        data, remove = self.books(DATA, [HEADER, ["a4", "李", 8]], same=True)
        code, _, target = self.clear(data, remove)
        self.assertEqual(code, 0)
        self.assertEqual(values(target), DATA[1:5])

    def test_everything_removed_leaves_an_empty_sheet(self):
        data, remove = self.books(DATA, DATA)
        code, out, target = self.clear(data, remove)
        self.assertEqual(code, 0)
        self.assertIn("[删除数据完成] 删除数据完成！", out)
        self.assertEqual(values(target), [])

    def test_values_compare_by_kind(self):
        data_rows = [["n", 12], ["t", "12"], ["case", "Abc"], ["zero", 0], ["blank", None, "b"],
                     ["date", datetime.datetime(2024, 1, 5)], ["bool", True]]
        remove_rows = [["n", "12"], ["t", 12], ["case", "abc"], ["zero", None], ["blank", "", "b"],
                       ["date", 45296], ["bool", 1]]
        data, remove = self.books(data_rows, remove_rows)
        code, _, target = self.clear(data, remove)
        self.assertEqual(code, 0)
        # A number never equals a text, letter case counts, a blank equals 0 and the empty text, a date is its
        # serial, TRUE is not 1.
        self.assertEqual([r[0] for r in values(target)], ["n", "t", "case", "bool"])

    def test_keys_are_searched_literally(self):
        data_rows = [["a*"], ["a?c"], ["x~y"], ["abc"]]
        data, remove = self.books(data_rows, [["abc"], ["x~y"], ["A*"]])
        code, _, target = self.clear(data, remove)
        self.assertEqual(code, 0)
        self.assertEqual(values(target), [["a?c"]])

    def test_same_errors_are_equal(self):
        wb = openpyxl.Workbook()
        ws = wb.active
        ws.title = "数据"
        for row in (["e1", "#N/A"], ["e2", "#DIV/0!"], ["e3", "#N/A"]):
            ws.append(row)
        for r in (1, 2, 3):
            ws.cell(r, 2).data_type = "e"
        wb.save(self.path("data.xlsx"))
        wb = openpyxl.Workbook()
        ws = wb.active
        ws.title = "删除"
        for row in (["e1", "#N/A"], ["e2", "#N/A"], ["e3", "x"]):
            ws.append(row)
        for r in (1, 2):
            ws.cell(r, 2).data_type = "e"
        wb.save(self.path("remove.xlsx"))
        code, out, target = self.clear(self.path("data.xlsx"), self.path("remove.xlsx"))
        self.assertEqual(code, 0, out)
        self.assertEqual([r[0] for r in values(target)], ["e2", "e3"])

    def test_xls_books_and_result(self):
        for name, sheet, rows in (("data.xls", "数据", DATA), ("remove.xls", "删除", [HEADER, ["a1", "苹果", 5]])):
            book = xlwt.Workbook()
            ws = book.add_sheet(sheet)
            for r, row in enumerate(rows):
                for c, v in enumerate(row):
                    ws.write(r, c, v)
            book.save(self.path(name))
        code, out, target = self.clear(self.path("data.xls"), self.path("remove.xls"), "out.xls")
        self.assertEqual(code, 0, out)
        res = xlrd.open_workbook(target)
        self.assertEqual(res.nsheets, 1)
        sheet = res.sheet_by_index(0)
        self.assertEqual([sheet.row_values(r) for r in range(sheet.nrows)],
                         [["a2", "梨", 6.0], ["a3", "桃", 7.0], ["a2", "梨", 9.0], ["a4", "李", 8.0]])


class ClearRefusesAndFails(TempDirCase):
    def setUp(self):
        super().setUp()
        self.data = make_book(self.path("data.xlsx"), [("数据", DATA)])
        self.remove = make_book(self.path("remove.xlsx"), [("删除", [["a1"]])])

    def run_clear(self, data, remove, out, *flags, data_sheet="数据", remove_sheet="删除"):
        return run_cli("clear", data, data_sheet, remove, remove_sheet, out, *flags)

    def test_sources_of_different_formats_or_missing(self):
        book = xlwt.Workbook()
        book.add_sheet("删除").write(0, 0, "a1")
        book.save(self.path("remove.xls"))
        for remove in (self.path("remove.xls"), self.path("nope.xlsx")):
            code, out, _ = self.run_clear(self.data, remove, self.path("o.xlsx"))
            self.assertEqual((code, out.strip()), (1, "[文件不存在] 原Excel文件不存在，请查实"), remove)

    def test_a_sheet_not_chosen(self):
        code, out, _ = self.run_clear(self.data, self.remove, self.path("o.xlsx"), remove_sheet="")
        self.assertEqual((code, out.strip()), (1, "[请核查] 没有选择工作表"))

    def test_target_is_either_source(self):
        for source in (self.data, self.remove):
            code, out, _ = self.run_clear(self.data, self.remove, source, "--overwrite")
            self.assertEqual((code, out.strip()), (1, "[操作失效] 新的文件不能覆盖原有Excel文件"))
        self.assertEqual(values(self.data), DATA)

    def test_existing_target_needs_overwrite(self):
        with open(self.path("o.xlsx"), "w") as f:
            f.write("old")
        code, out, _ = self.run_clear(self.data, self.remove, self.path("o.xlsx"))
        self.assertEqual(code, 1)
        self.assertIn("是否替换保存", out)
        code, _, _ = self.run_clear(self.data, self.remove, self.path("o.xlsx"), "--overwrite")
        self.assertEqual(code, 0)
        self.assertEqual(values(self.path("o.xlsx")), [DATA[0]] + DATA[2:])


if __name__ == "__main__":
    unittest.main()
