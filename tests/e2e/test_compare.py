"""Comparing two worksheets, end to end: tabrix-cli compare on workbooks made here, results read back with openpyxl
and xlrd."""
import datetime
import os
import unittest

import openpyxl
import xlrd
import xlwt

from e2e_support import TempDirCase, make_book, patch_part, run_cli, values

SAME = "相同的数据"
FIRST_CHOSEN = "不同的数据“第一个所选工作表”"
SECOND_CHOSEN = "不同的数据“第二个所选工作表”"


def diff_name(file_name):
    return "不同的数据“%s”中" % file_name


class CompareCase(TempDirCase):
    def compare(self, first, second, *flags, out="out.xlsx", sheet1="表一", sheet2="表二"):
        target = self.path(out)
        code, stdout, stderr = run_cli("compare", first, sheet1, second, sheet2, target, *flags)
        return code, stdout + stderr, target

    def books(self, rows1, rows2):
        return (make_book(self.path("first.xlsx"), [("表一", rows1)]),
                make_book(self.path("second.xlsx"), [("表二", rows2)]))

    def result(self, target):
        """The three result sheets' values, in tab order, with their names."""
        wb = openpyxl.load_workbook(target)
        return [(ws.title, [list(r) for r in ws.iter_rows(values_only=True)]) for ws in wb.worksheets]


class PlainCompare(CompareCase):
    def test_three_sheets_in_order_duplicates_kept_header_taking_part_and_log(self):
        rows1 = [["编号", "名称", "数量"], ["a1", "苹果", 5], ["a2", "梨", 6], ["a3", "桃", 7], ["a2", "梨", 9]]
        rows2 = [["编号", "名称", "数量"], ["a2", "梨", 9], ["a4", "李", 8], ["a2", "梨", 9], ["a1", "苹果", 4]]
        first, second = self.books(rows1, rows2)
        code, out, target = self.compare(first, second)
        self.assertEqual(code, 0, out)
        self.assertEqual(self.result(target), [
            (SAME, [rows2[0], rows2[1], rows2[3]]),
            (diff_name("first.xlsx"), [rows1[1], rows1[2], rows1[3]]),
            (diff_name("second.xlsx"), [rows2[2], rows2[4]]),
        ])
        self.assertEqual(out.splitlines(), ["数据处理信息", "正在查找相同的数据", "正在分析不同的数据", "比较数据完成",
                                            "[比较数据完成] 比较数据完成！"])

    def test_only_the_searched_sheets_width_is_compared_and_the_first_width_copied(self):
        rows1 = [["k1", 1], ["k2", 2]]
        rows2 = [["k1", 1, "x"], ["k2", 2, "y", "z"]]
        first, second = self.books(rows1, rows2)
        code, out, target = self.compare(first, second)
        self.assertEqual(code, 0, out)
        # The first pass compares column B only, so both rows of the second sheet match, copied two columns
        # wide; the second pass compares B to D, so neither row of the first sheet matches.
        self.assertEqual(self.result(target), [(SAME, [["k1", 1], ["k2", 2]]),
                                               (diff_name("first.xlsx"), rows1),
                                               (diff_name("second.xlsx"), [])])

    def test_values_compare_by_kind_and_keys_are_found_as_text(self):
        rows1 = [["n", 12], ["t", "12"], ["case", "Abc"], ["zero", 0], ["blank", None, "b"], ["empty", "", "b"],
                 ["date", datetime.datetime(2024, 1, 5)], ["num-key", 1], [7, "seven"], ["KEY", "v"]]
        rows2 = [["n", "12"], ["t", 12], ["case", "abc"], ["zero", None], ["blank", "", "b"], ["empty", 0, "b"],
                 ["date", 45296], ["num-key", 1.0], ["7", "seven"], ["key", "v"]]
        first, second = self.books(rows1, rows2)
        # openpyxl leaves an empty text out; the cell is put in as a writer that keeps it would write it.
        patch_part(second, self.path("second2.xlsx"), "xl/worksheets/sheet1.xml", '<c r="B5" t="inlineStr"></c>',
                   '<c r="B5" t="inlineStr"><is><t></t></is></c>')
        patch_part(first, self.path("first2.xlsx"), "xl/worksheets/sheet1.xml", '<c r="B6" t="inlineStr"></c>',
                   '<c r="B6" t="inlineStr"><is><t></t></is></c>')
        code, out, target = self.compare(self.path("first2.xlsx"), self.path("second2.xlsx"))
        self.assertEqual(code, 0, out)
        same = [r[0] for r in self.result(target)[0][1]]
        # A number never equals a text; letter case counts outside the key; the empty cell equals 0 and the empty
        # text, while the empty text and 0 stay unequal; a date is its serial; keys are found by their text and
        # without regard to case.
        self.assertEqual(same, ["zero", "blank", "date", "num-key", "7", "key"])

    def test_keys_are_searched_literally(self):
        first, second = self.books([["a*", 1], ["a?c", 2], ["x~y", 3]],
                                   [["abc", 2], ["a*", 1], ["x~y", 3], ["azc", 2]])
        code, out, target = self.compare(first, second)
        self.assertEqual(code, 0, out)
        sheets = self.result(target)
        self.assertEqual([r[0] for r in sheets[0][1]], ["a*", "x~y"])
        self.assertEqual([r[0] for r in sheets[1][1]], ["a?c"])
        self.assertEqual([r[0] for r in sheets[2][1]], ["abc", "azc"])

    def test_same_errors_are_equal_and_other_errors_differ(self):
        for name, sheet, rows in (("first.xlsx", "表一", [["e1", "#N/A"], ["e2", "#DIV/0!"], ["e3", "#N/A"]]),
                                  ("second.xlsx", "表二", [["e1", "#N/A"], ["e2", "#N/A"], ["e3", "x"]])):
            wb = openpyxl.Workbook()
            ws = wb.active
            ws.title = sheet
            for row in rows:
                ws.append(row)
                if row[1].startswith("#"):
                    ws.cell(ws.max_row, 2).data_type = "e"
            wb.save(self.path(name))
        code, out, target = self.compare(self.path("first.xlsx"), self.path("second.xlsx"))
        self.assertEqual(code, 0, out)
        self.assertEqual([r[0] for r in self.result(target)[0][1]], ["e1"])

    def test_empty_rows_inside_the_used_range_take_their_place(self):
        rows1 = [["k1", 1], [None, None], ["k3", 3], ["k4", 4]]
        rows2 = [["k1", 1], ["k2", 2], [], ["k4", 4], ["k3", 4]]
        first, second = self.books(rows1, rows2)
        code, out, target = self.compare(first, second)
        self.assertEqual(code, 0, out)
        sheets = self.result(target)
        # The empty row of each side finds the other's empty row and lands on the same-data sheet as an empty row.
        self.assertEqual(sheets[0][1], [["k1", 1], [None, None], ["k4", 4]])
        self.assertEqual(sheets[1][1], [["k3", 3]])
        self.assertEqual(sheets[2][1], [["k2", 2], ["k3", 4]])

    def test_copied_rows_keep_formats_and_dates(self):
        wb = openpyxl.Workbook()
        ws = wb.active
        ws.title = "表一"
        ws.append(["d1", datetime.datetime(2024, 3, 1), 1234.5])
        ws.cell(1, 2).number_format = "yyyy-mm-dd"
        ws.cell(1, 3).number_format = "#,##0.00"
        ws.cell(1, 1).font = openpyxl.styles.Font(bold=True)
        wb.save(self.path("first.xlsx"))
        second = make_book(self.path("second.xlsx"), [("表二", [["d2", 1, 2]])])
        code, out, target = self.compare(self.path("first.xlsx"), second)
        self.assertEqual(code, 0, out)
        ws = openpyxl.load_workbook(target).worksheets[1]
        self.assertEqual(ws.cell(1, 2).value, datetime.datetime(2024, 3, 1))
        self.assertEqual(ws.cell(1, 2).number_format, "yyyy-mm-dd")
        self.assertEqual(ws.cell(1, 3).number_format, "#,##0.00")
        self.assertTrue(ws.cell(1, 1).font.bold)

    def test_one_file_named_twice_in_any_spelling(self):
        path = make_book(self.path("book.xlsx"), [("表一", [["k", 1], ["x", 2]]), ("表二", [["k", 1], ["y", 3]])])
        for second in (path, os.path.join(self.dir, ".", "book.xlsx")):
            code, out, target = self.compare(path, second)
            self.assertEqual(code, 0, out)
            self.assertEqual(self.result(target), [(SAME, [["k", 1]]), (FIRST_CHOSEN, [["x", 2]]),
                                                   (SECOND_CHOSEN, [["y", 3]])])
            os.remove(target)

    def test_the_same_worksheet_on_both_sides_matches_every_row(self):
        rows = [["k", 1], ["k", 1], [None, 2], ["z", None]]
        path = make_book(self.path("book.xlsx"), [("表一", rows)])
        code, out, target = self.compare(path, path, sheet2="表一")
        self.assertEqual(code, 0, out)
        self.assertEqual(self.result(target), [(SAME, rows), (FIRST_CHOSEN, []), (SECOND_CHOSEN, [])])

    def test_sheet_names_cut_cleaned_and_kept_apart(self):
        os.mkdir(self.path("a"))
        os.mkdir(self.path("b"))
        long_name = "月度销售[华东]数据汇总表_2024年第一季度.xlsx"
        first = make_book(os.path.join(self.path("a"), long_name), [("表一", [["k", 1]])])
        second = make_book(os.path.join(self.path("b"), long_name), [("表二", [["k", 2]])])
        code, out, target = self.compare(first, second)
        self.assertEqual(code, 0, out)
        names = openpyxl.load_workbook(target).sheetnames
        self.assertEqual(names[1], diff_name("月度销售_华东_数据汇总表_2024年第一季"))
        self.assertNotEqual(names[2].lower(), names[1].lower())
        self.assertLessEqual(len(names[2]), 31)
        self.assertTrue(names[2].startswith("不同的数据“月度销售_华东_"))

    def test_columns_beyond_zz_are_compared_and_copied(self):
        wide1 = ["k"] + [c for c in range(2, 706)]
        wide2 = list(wide1)
        wide2[-1] = "changed"
        first, second = self.books([wide1], [wide2])
        code, out, target = self.compare(first, second)
        self.assertEqual(code, 0, out)
        sheets = self.result(target)
        self.assertEqual(sheets[0][1], [])
        self.assertEqual(sheets[1][1], [wide1])
        self.assertEqual(sheets[2][1], [wide2])

    def test_xls_books_and_result(self):
        for name, sheet, rows in (("first.xls", "表一", [["k1", "苹果", 5], ["k2", "梨", 6]]),
                                  ("second.xls", "表二", [["k2", "梨", 6], ["k3", "桃", 7]])):
            book = xlwt.Workbook()
            ws = book.add_sheet(sheet)
            for r, row in enumerate(rows):
                for c, v in enumerate(row):
                    ws.write(r, c, v)
            book.save(self.path(name))
        code, out, target = self.compare(self.path("first.xls"), self.path("second.xls"), out="out.xls")
        self.assertEqual(code, 0, out)
        res = xlrd.open_workbook(target)
        self.assertEqual(res.sheet_names(), [SAME, diff_name("first.xls"), diff_name("second.xls")])
        rows = [[s.row_values(r) for r in range(s.nrows)] for s in res.sheets()]
        self.assertEqual(rows, [[["k2", "梨", 6.0]], [["k1", "苹果", 5.0]], [["k3", "桃", 7.0]]])


class EnhancedCompare(CompareCase):
    ROWS1 = [["名称", "编号", "价格"], ["苹果", "p1", 5], ["梨", "p2", 6], ["桃", "p3", 7]]
    ROWS2 = [["编号", "价格", "名称"], ["p3", 7, "桃"], ["p1", 5, "苹果"], ["p2", 9, "梨"], ["p9", 1, "李"]]

    def test_columns_in_another_order_with_source_row_numbers(self):
        first, second = self.books(self.ROWS1, self.ROWS2)
        code, out, target = self.compare(first, second, "--pairs", "B=A,C=B,A=C")
        self.assertEqual(code, 0, out)
        self.assertEqual(self.result(target), [
            (SAME, [self.ROWS2[0] + [1], self.ROWS2[1] + [2], self.ROWS2[2] + [3]]),
            (diff_name("first.xlsx"), [["梨", "p2", 6, 3]]),
            (diff_name("second.xlsx"), [["p2", 9, "梨", 4], ["p9", 1, "李", 5]]),
        ])

    def test_one_pair_matches_on_the_key_alone_and_lowercase_letters_are_read(self):
        first, second = self.books(self.ROWS1, self.ROWS2)
        code, out, target = self.compare(first, second, "--pairs=b=a")
        self.assertEqual(code, 0, out)
        sheets = self.result(target)
        self.assertEqual([r[0] for r in sheets[0][1]], ["编号", "p3", "p1", "p2"])
        self.assertEqual(sheets[2][1], [["p9", 1, "李", 5]])

    def test_a_two_letter_key_column(self):
        rows1 = [[None] * 27 + ["k%d" % i, i] for i in range(3)]
        rows2 = [[i, "x", "k%d" % i] for i in (2, 0, 5)]
        first, second = self.books(rows1, rows2)
        code, out, target = self.compare(first, second, "--pairs", "AB=C,AC=A")
        self.assertEqual(code, 0, out)
        sheets = self.result(target)
        self.assertEqual(sheets[0][1], [[2, "x", "k2", 1], [0, "x", "k0", 2]])
        self.assertEqual([(r[27], r[29]) for r in sheets[1][1]], [("k1", 2)])

    def test_pairs_that_cannot_be_read_are_refused(self):
        first, second = self.books(self.ROWS1, self.ROWS2)
        for pairs in ("B=", "1=2", "", "B=A,,C=B", "B-A"):
            code, out, target = self.compare(first, second, "--pairs", pairs)
            self.assertEqual(code, 1, pairs)
            self.assertIn("--pairs", out)
            self.assertFalse(os.path.exists(target))


class CompareRefusesAndFails(CompareCase):
    def setUp(self):
        super().setUp()
        self.first, self.second = self.books([["k", 1]], [["k", 1]])

    def test_sources_of_different_formats_or_missing(self):
        book = xlwt.Workbook()
        book.add_sheet("表二").write(0, 0, "k")
        book.save(self.path("second.xls"))
        for second in (self.path("second.xls"), self.path("nope.xlsx")):
            code, out, _ = self.compare(self.first, second)
            self.assertEqual((code, out.strip()), (1, "[文件不存在] 原Excel文件不存在，请查实"), second)

    def test_a_sheet_not_chosen(self):
        code, out, _ = self.compare(self.first, self.second, sheet1="")
        self.assertEqual((code, out.strip()), (1, "[没选择工作表] 没有选择工作表，请查实"))

    def test_target_is_either_source(self):
        for source in (self.first, self.second):
            code, out, _ = self.compare(self.first, self.second, "--overwrite", out=os.path.basename(source))
            self.assertEqual((code, out.strip()), (1, "[操作失效] 新的文件不能覆盖原有Excel文件"))
        self.assertEqual(values(self.first), [["k", 1]])


if __name__ == "__main__":
    unittest.main()
