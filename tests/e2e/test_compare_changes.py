"""Compare --changes and --lenient, clear --lenient, end to end on workbooks made here; results read back with
openpyxl (fills included) and xlrd."""
import unittest

import openpyxl
import xlrd

from e2e_support import TempDirCase, make_book, run_cli

CHANGES = "变化的数据"
FILL = "FFEB9C"

STAFF_2023 = [["工号", "姓名", "部门", "月薪"], ["E1", "张三", "销售部", 100], ["E2", "李四", "财务部", 200],
              ["E3", "王五", "人事部", 300]]
STAFF_2024 = [["工号", "姓名", "部门", "月薪"], ["E1", "张三", "市场部", 100], ["E2", "李四", "财务部", 200],
              ["E3", "王五", "人事部", 350], ["E4", "赵六", "研发部", 400]]


def sheet_rows(path, name):
    """[(value, filled)] per cell of each row, openpyxl for .xlsx and xlrd for .xls."""
    if path.endswith(".xls"):
        book = xlrd.open_workbook(path, formatting_info=True)
        ws = book.sheet_by_name(name)
        def filled(r, c):
            colour = book.colour_map.get(book.xf_list[ws.cell_xf_index(r, c)].background.pattern_colour_index)
            return colour == (0xFF, 0xEB, 0x9C)
        def value(v):
            return int(v) if isinstance(v, float) and v.is_integer() else (None if v == "" else v)
        return [[(value(ws.cell_value(r, c)), filled(r, c)) for c in range(ws.ncols)] for r in range(ws.nrows)]
    ws = openpyxl.load_workbook(path)[name]
    return [[(c.value, bool(c.fill.fill_type) and c.fill.fgColor.rgb[-6:] == FILL) for c in row] for row in ws.iter_rows()]


class Changes(TempDirCase):
    def compare(self, first, second, *flags, out="out.xlsx", sheets=("员工", "员工")):
        target = self.path(out)
        code, stdout, stderr = run_cli("compare", first, sheets[0], second, sheets[1], target, *flags)
        self.assertEqual(code, 0, stdout + stderr)
        return stdout, target

    def test_staff_lists_pair_each_changed_person_with_the_changed_cells_filled(self):
        for ext in ("xlsx", "xls"):
            with self.subTest(ext=ext):
                a = make_book(self.path("员工名单_2023.xlsx"), [("员工", STAFF_2023)])
                b = make_book(self.path("员工名单_2024.xlsx"), [("员工", STAFF_2024)])
                if ext == "xls":
                    for p in (a, b):
                        self.assertEqual(run_cli("save-as", p, p[:-1])[0], 0)
                    a, b = a[:-1], b[:-1]
                log, out = self.compare(a, b, "--changes", out="r." + ext)
                self.assertIn("正在标出变化的数据", log)
                self.assertIn("有变化的数据共2行", log)
                names = openpyxl.load_workbook(out).sheetnames if ext == "xlsx" else xlrd.open_workbook(out).sheet_names()
                self.assertEqual(names[3], CHANGES)
                self.assertEqual(len(names), 4)
                rows = sheet_rows(out, CHANGES)
                values = [[v for v, _ in row] for row in rows]
                marks = [[f for _, f in row] for row in rows]
                side1, side2 = "员工名单_2023." + ext, "员工名单_2024." + ext
                self.assertEqual(values[0], ["来源", "工号", "姓名", "部门", "月薪"])
                self.assertEqual(values[1], [side1, "E1", "张三", "销售部", 100])
                self.assertEqual(values[2], [side2, "E1", "张三", "市场部", 100])
                self.assertEqual(values[4], [side1, "E3", "王五", "人事部", 300])
                self.assertEqual(values[5], [side2, "E3", "王五", "人事部", 350])
                self.assertEqual(marks[1], [False, False, False, True, False])
                self.assertEqual(marks[2], marks[1])
                self.assertEqual(marks[5], [False, False, False, False, True])
                self.assertFalse(any(marks[0]) or any(marks[3]))
                self.assertEqual(len(values), 6, "the new person E4 has no key in 2023 and is no change")

    def test_a_key_on_three_rows_pairs_with_the_closest_and_pairs_decide_the_columns(self):
        first = make_book(self.path("a.xlsx"), [("员工", [["K", 1, 2, 3], ["K", 1, 9, 9], ["K", 1, 2, 9],
                                                         ["K", 8, 2, 9]])])
        second = make_book(self.path("b.xlsx"), [("员工", [["K", 1, 2, 4]])])
        _, out = self.compare(first, second, "--changes")
        rows = sheet_rows(out, CHANGES)
        self.assertEqual([v for v, _ in rows[1]], ["a.xlsx", "K", 1, 2, 3], "the first of the rows one cell apart")
        self.assertEqual([f for _, f in rows[1]], [False, False, False, False, True])

        # With --pairs only the pairs are shown and compared, the key pair first: here B of the second sheet
        # is compared with C of the first, and the differing D column is not compared at all.
        _, out = self.compare(first, second, "--changes", "--pairs", "A=A,C=B", out="pairs.xlsx")
        rows = sheet_rows(out, CHANGES)
        self.assertEqual([v for v, _ in rows[0]], ["来源", "K", 1])
        self.assertEqual([v for v, _ in rows[1]], ["a.xlsx", "K", 2])
        self.assertEqual([v for v, _ in rows[2]], ["b.xlsx", "K", 1])
        self.assertEqual([f for _, f in rows[1]], [False, False, True])

    def test_the_same_file_on_both_sides_has_no_changes(self):
        book = make_book(self.path("s.xlsx"), [("员工", STAFF_2023)])
        log, out = self.compare(book, book, "--changes")
        self.assertIn("有变化的数据共0行", log)
        self.assertEqual([[v for v, _ in r] for r in sheet_rows(out, CHANGES)], [["来源", "工号", "姓名", "部门", "月薪"]])


LOOSE = [["A001 ", "x"], ["１２３", "y"], ["\u3000B7", " z\u00a0"], ["C9\t", "w"]]
TIGHT = [["A001", "x"], ["123", "y"], ["b7", "z"], ["C9", "w"]]


class Lenient(TempDirCase):
    def test_compare_and_clear_match_leniently_only_when_asked_and_keep_the_text(self):
        loose = make_book(self.path("loose.xlsx"), [("表", LOOSE)])
        tight = make_book(self.path("tight.xlsx"), [("表", TIGHT)])
        for flags, same in (((), 0), (("--lenient",), 4)):
            with self.subTest(flags=flags):
                target = self.path("cmp%d.xlsx" % same)
                code, out, err = run_cli("compare", tight, "表", loose, "表", target, *flags)
                self.assertEqual(code, 0, out + err)
                wb = openpyxl.load_workbook(target)
                rows = [list(r) for r in wb["相同的数据"].iter_rows(values_only=True)]
                self.assertEqual(len(rows), same)
                if same:
                    self.assertEqual(rows, LOOSE, "the result keeps the source's text unchanged")

                target = self.path("clr%d.xlsx" % same)
                code, out, err = run_cli("clear", loose, "表", tight, "表", target, *flags)
                self.assertEqual(code, 0, out + err)
                kept = [list(r) for r in openpyxl.load_workbook(target).worksheets[0].iter_rows(values_only=True)]
                self.assertEqual(kept, [] if same else LOOSE)

    def test_numbers_stored_as_text_with_padding_and_xls(self):
        loose = make_book(self.path("n.xlsx"), [("表", [[" １０ ", "a"], ["20", "b"]])])
        tight = make_book(self.path("m.xlsx"), [("表", [[10, "a"], [20, "B"]])])
        for p in (loose, tight):
            self.assertEqual(run_cli("save-as", p, p[:-1])[0], 0)
        target = self.path("r.xls")
        code, out, err = run_cli("compare", tight[:-1], "表", loose[:-1], "表", target, "--lenient", "--changes")
        self.assertEqual(code, 0, out + err)
        book = xlrd.open_workbook(target)
        self.assertEqual(book.sheet_by_name("相同的数据").row_values(0), [" １０ ", "a"])
        # Letter case still counts for compared values: "b" and "B" differ, shown as a change.
        changes = book.sheet_by_name(CHANGES)
        self.assertEqual(changes.row_values(1)[1:], [20.0, "B"])
        self.assertEqual(changes.row_values(2)[1:], ["20", "b"])


if __name__ == "__main__":
    unittest.main()
