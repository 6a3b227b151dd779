"""Splitting, end to end: tabrix-cli split-sheets and split-column on workbooks made here with openpyxl (and saved
as .xls by the tool), results read back with openpyxl and xlrd."""
import collections
import datetime
import os
import unittest

import openpyxl
import xlrd

from e2e_support import TempDirCase, make_book, patch_part, run_cli

HEADER = ["编号", "地区", "数量", "单价", "金额"]


def read_book(path):
    """{sheet name: rows} in tab order, formulas as text (xlsx) or values (xls); numbers as floats."""
    def norm(v):
        return float(v) if isinstance(v, (int, float)) and not isinstance(v, bool) else v
    if path.endswith(".xls"):
        book = xlrd.open_workbook(path)
        return collections.OrderedDict(
            (s.name, [[norm(c.value) if c.ctype != xlrd.XL_CELL_EMPTY else None for c in s.row(r)]
                      for r in range(s.nrows)]) for s in book.sheets())
    book = openpyxl.load_workbook(path)
    return collections.OrderedDict(
        (ws.title, [[norm(v) for v in row] for row in ws.iter_rows(values_only=True)]) for ws in book.worksheets)


def trimmed(rows):
    """Rows without trailing empty cells (the readers differ on the width of a sheet)."""
    out = []
    for row in rows:
        row = list(row)
        while row and row[-1] in (None, ""):
            row.pop()
        out.append(tuple(row))
    return out


class SplitCase(TempDirCase):
    def source(self, rows, name="src.xlsx", fmt="xlsx", sheet="数据", extra=()):
        path = make_book(self.path(name), [(sheet, rows)] + list(extra))
        if fmt == "xls":
            xls = path[:-1]
            code, _, err = run_cli("save-as", path, xls)
            self.assertEqual(code, 0, err)
            os.remove(path)
            return xls
        return path

    def split_folder(self, src, column, *flags, sheet="数据", folder="out"):
        out = self.path(folder)
        code, stdout, stderr = run_cli("split-column", src, sheet, column, "--to-folder", out, *flags)
        return code, stdout + stderr, out

    def parts(self, folder):
        """{file name: rows of its first sheet} for every workbook in the folder."""
        return {f: list(read_book(os.path.join(folder, f)).values())[0] for f in sorted(os.listdir(folder))}

    def assert_rows_preserved(self, source_rows, parts, header=True):
        """Every data row of the source lands in exactly one part."""
        data = source_rows[1:] if header else source_rows
        got = [row for rows in parts for row in trimmed(rows[1:] if header else rows)]
        expected = trimmed([[float(v) if isinstance(v, int) else v for v in r] for r in data])
        self.assertEqual(collections.Counter(got), collections.Counter(expected))


def region_rows():
    regions = ["北京", "上海", "北京", "广州", "上海", "北京", "广州", "上海"]
    return [HEADER] + [["K%02d" % i, r, i, 1.5, None] for i, r in enumerate(regions, 1)]


class SplitColumnIntoFolder(SplitCase):
    def test_one_workbook_per_value_header_on_each_stable_order_both_formats(self):
        for fmt in ("xlsx", "xls"):
            with self.subTest(fmt=fmt):
                rows = region_rows()
                src = self.source(rows, name="src_%s.xlsx" % fmt, fmt=fmt)
                code, out, folder = self.split_folder(src, "B", folder="out_" + fmt)
                self.assertEqual(code, 0, out)
                parts = self.parts(folder)
                self.assertEqual(sorted(parts), sorted("%s.%s" % (v, fmt) for v in ("上海", "北京", "广州")))
                for name, part in parts.items():
                    self.assertEqual(part[0][:4], HEADER[:4])
                    self.assertTrue(all(r[1] == name.split(".")[0] for r in part[1:]))
                    ids = [r[0] for r in part[1:]]
                    self.assertEqual(ids, sorted(ids), "rows keep their source order inside a part")
                self.assert_rows_preserved(rows, parts.values())
                lines = out.splitlines()
                self.assertEqual(lines[0], "数据处理信息")
                self.assertEqual(lines[1:4], ["正在拆分出“上海”文件", "正在拆分出“北京”文件", "正在拆分出“广州”文件"])
                self.assertEqual(lines[-2:], ["拆分数据完成", "[拆分完成] 拆分数据完成！"])

    def test_numeric_and_date_values_and_empty_conditions_last(self):
        day = datetime.datetime(2024, 1, 5)
        rows = [["编号", "值", "日期"], ["a", 3, day], ["b", 1.5, day + datetime.timedelta(days=1)],
                ["c", None, day], ["d", 3, None], ["e", 1.5, day]]
        path = self.path("src.xlsx")
        make_book(path, [("数据", rows)])
        wb = openpyxl.load_workbook(path)
        for cell in wb["数据"]["C"][1:]:
            cell.number_format = "yyyy/m/d"
        wb.save(path)
        code, out, folder = self.split_folder(path, "B", folder="by_number")
        self.assertEqual(code, 0, out)
        parts = self.parts(folder)
        self.assertEqual(sorted(parts), ["1.5.xlsx", "3.xlsx", "空白.xlsx"])
        self.assertEqual([r[0] for r in parts["3.xlsx"][1:]], ["a", "d"])
        self.assertEqual([r[0] for r in parts["空白.xlsx"][1:]], ["c"])
        self.assertIn("拆分条件为空的行归入“空白”", out)
        self.assertLess(out.index("“3”文件"), out.index("“空白”文件"), "the empty part is written last")

        code, out, folder = self.split_folder(path, "C", folder="by_date")
        self.assertEqual(code, 0, out)
        parts = self.parts(folder)
        self.assertEqual(sorted(parts), ["2024_1_5.xlsx", "2024_1_6.xlsx", "空白.xlsx"])
        self.assertEqual([r[0] for r in parts["2024_1_5.xlsx"][1:]], ["a", "c", "e"])
        self.assertIn("“2024/1/5”不能直接用作文件名，改为“2024_1_5”", out)
        self.assert_rows_preserved(rows, parts.values())

    def test_header_guess(self):
        # Row 1 already holds the smallest value: the sort leaves it, so it is taken as every part's header.
        rows = [["a", 1], ["a", 2], ["b", 3]]
        code, out, folder = self.split_folder(self.source(rows), "A", folder="smallest_first")
        self.assertEqual(code, 0, out)
        parts = self.parts(folder)
        self.assertEqual(parts["a.xlsx"], [["a", 1.0], ["a", 2.0]])
        self.assertEqual(parts["b.xlsx"], [["a", 1.0], ["b", 3.0]])
        # Without a header and row 1 not the smallest, every row is data.
        rows = [["b", 1], ["a", 2], ["c", 3], ["a", 4]]
        code, out, folder = self.split_folder(self.source(rows, name="s2.xlsx"), "A", folder="no_header")
        parts = self.parts(folder)
        self.assertEqual(parts["a.xlsx"], [["a", 2.0], ["a", 4.0]])
        self.assertEqual(parts["b.xlsx"], [["b", 1.0]])
        self.assert_rows_preserved(rows, parts.values(), header=False)

    def test_drop_column_keeps_formulas_on_their_cells(self):
        rows = [HEADER + ["标签"]]
        for i, region in enumerate(["乙", "甲", "乙", "甲"], 2):
            rows.append(["K%d" % i, region, i, 2.5, "=C%d*D%d" % (i, i), '=B%d&"-"&A%d' % (i, i)])
        code, out, folder = self.split_folder(self.source(rows), "B", "--drop-column")
        self.assertEqual(code, 0, out)
        parts = self.parts(folder)
        self.assertEqual(parts["甲.xlsx"][0], ["编号", "数量", "单价", "金额", "标签"])
        for part in parts.values():
            for n, row in enumerate(part[1:], 2):
                self.assertEqual(len(row), 5)
                self.assertEqual(row[3], "=B%d*C%d" % (n, n), "the product still multiplies its row's cells")
                self.assertEqual(row[4], '=#REF!&"-"&A%d' % n, "the dropped column reads #REF!")
        self.assertEqual([r[0] for r in parts["甲.xlsx"][1:]], ["K3", "K5"])

    def test_names_made_valid_and_unique(self):
        long_value = "长" * 100
        values = ["a/b", "a_b", "abc", "ABC", "abc", "CON", "end.", "x\ty", long_value]
        rows = [["编号", "值"]] + [[i, v] for i, v in enumerate(values)]
        for fmt in ("xlsx", "xls"):
            with self.subTest(fmt=fmt):
                src = self.source(rows, name="n_%s.xlsx" % fmt, fmt=fmt)
                code, out, folder = self.split_folder(src, "B", folder="names_" + fmt)
                self.assertEqual(code, 0, out)
                parts = self.parts(folder)
                stems = sorted(os.path.splitext(f)[0] for f in parts)
                self.assertEqual(stems, sorted(["a_b", "a_b (2)", "abc", "ABC (2)", "abc (3)", "CON_", "end", "x_y",
                                                "长" * 83]))
                self.assertTrue(all(len(f.encode()) <= 255 for f in parts))
                self.assertEqual(parts["ABC (2).%s" % fmt][1], [3.0, "ABC"])
                self.assertIn("“abc”与前面的文件名重名，改为“abc (3)”", out)
                self.assert_rows_preserved(rows, parts.values())

    def test_existing_files_are_never_replaced(self):
        folder = self.path("busy")
        os.mkdir(folder)
        with open(os.path.join(folder, "北京.xlsx.bak"), "w") as f:
            f.write("keep")
        os.mkdir(os.path.join(folder, "上海.xls"))
        src = self.source(region_rows(), fmt="xls")
        code, out, _ = self.split_folder(src, "B", folder="busy")
        self.assertEqual(code, 0, out)
        self.assertIn("上海 (2).xls", os.listdir(folder))
        with open(os.path.join(folder, "北京.xlsx.bak")) as f:
            self.assertEqual(f.read(), "keep")

    def test_folder_with_a_workbook_is_refused(self):
        folder = self.path("has_book")
        os.mkdir(folder)
        make_book(os.path.join(folder, "old.xlsx"), [("s", [[1]])])
        code, out, _ = self.split_folder(self.source(region_rows()), "B", folder="has_book")
        self.assertEqual(code, 1)
        self.assertIn("[安全提示] 为确保数据的安全，所选的文件夹内不能有excel文档,请选择其它文件夹", out)
        self.assertEqual(os.listdir(folder), ["old.xlsx"])

    def test_refusals(self):
        code, out, _ = self.split_folder(self.path("missing.xlsx"), "B")
        self.assertEqual(code, 1)
        self.assertIn("[原文件] 没有找到原Excel文件", out)
        code, out, _ = self.split_folder(self.source(region_rows()), "Z", folder="z")
        self.assertEqual(code, 1)
        self.assertIn("[条件不足] 请认真检查，有没有选择工作表，有没有选择拆分条件", out)


class SplitColumnIntoBook(SplitCase):
    def split_book(self, src, column, out="result.xlsx", *flags):
        target = self.path(out)
        code, stdout, stderr = run_cli("split-column", src, "数据", column, "--to-book", target, *flags)
        return code, stdout + stderr, target

    def test_one_sheet_per_value_in_order_both_formats(self):
        for fmt in ("xlsx", "xls"):
            with self.subTest(fmt=fmt):
                rows = region_rows()
                code, out, target = self.split_book(self.source(rows, name="b_%s.xlsx" % fmt), "B",
                                                    "result." + fmt, "--drop-column")
                self.assertEqual(code, 0, out)
                book = read_book(target)
                self.assertEqual(list(book), ["上海", "北京", "广州"])
                self.assertEqual(book["北京"][0][:3], ["编号", "数量", "单价"])
                self.assertEqual([r[0] for r in book["北京"][1:]], ["K01", "K03", "K06"])
                self.assertIn("正在拆分出“广州”工作表", out)

    def test_sheet_names_made_valid_and_unique(self):
        values = ["a:b", "'q'", "Sheet1", "x" * 40, "abc", "ABC", None]
        rows = [["编号", "值"]] + [[i, v] for i, v in enumerate(values)]
        code, out, target = self.split_book(self.source(rows), "B")
        self.assertEqual(code, 0, out)
        book = read_book(target)
        self.assertEqual(sorted(book), sorted(["_q_", "a_b", "abc", "ABC (2)", "Sheet1", "x" * 31, "空白"]))
        self.assertEqual(list(book)[-1], "空白")
        self.assert_rows_preserved(rows, book.values())

    def test_header_only_keeps_one_empty_sheet(self):
        code, out, target = self.split_book(self.source([HEADER]), "B")
        self.assertEqual(code, 0, out)
        self.assertEqual(read_book(target), {"Sheet1": []})
        self.assertIn("除标题行外没有数据，没有可拆分的内容", out)

    def test_failed_save_is_reported_and_leaves_nothing(self):
        target = os.path.join(self.dir, "no_such_folder", "r.xlsx")
        code, stdout, _ = run_cli("split-column", self.source(region_rows()), "数据", "B", "--to-book", target)
        self.assertEqual(code, 2)
        self.assertIn("[拆分数据失败]", stdout)
        self.assertIn("r.xlsx", stdout)
        self.assertFalse(os.path.exists(os.path.dirname(target)))


class SplitSheets(SplitCase):
    def test_one_workbook_per_worksheet_both_formats(self):
        src = make_book(self.path("src.xlsx"), [("a", [["x", 1]]), ("b<c", [["y", 2]]), ("b>c", [["z", 3]])])
        wb = openpyxl.load_workbook(src)
        wb.create_chartsheet("图表")
        wb["a"].sheet_state = "hidden"
        wb.save(src)
        for ext in ("xls", "xlsx"):
            with self.subTest(ext=ext):
                folder = self.path("sheets_" + ext)
                code, out, err = run_cli("split-sheets", src, folder, "--ext", ext)
                self.assertEqual(code, 0, out + err)
                self.assertEqual(sorted(os.listdir(folder)), sorted("%s.%s" % (n, ext) for n in ("a", "b_c", "b_c (2)")))
                self.assertEqual(read_book(os.path.join(folder, "a." + ext)), {"a": [["x", 1.0]]})
                self.assertEqual(read_book(os.path.join(folder, "b_c (2)." + ext)), {"b>c": [["z", 3.0]]})
                lines = out.splitlines()
                self.assertEqual(lines[1:3], ["正在复制工作表“a”数据", "正在复制工作表“b<c”数据"])
                self.assertEqual(lines[-1], "[拆分完成] 拆分数据完成！")

    def test_sheet_names_a_workbook_may_not_carry_are_made_valid(self):
        # openpyxl refuses such names, so they are put into the package by hand, as a lax producer would.
        made = make_book(self.path("made.xlsx"), [("s1", [["x", 1]]), ("s2", [["y", 2]]), ("s3", [["z", 3]])])
        step = self.path("step.xlsx")
        patch_part(made, step, "xl/workbook.xml", 'name="s1"', 'name="a/b"')
        src = self.path("src.xlsx")
        patch_part(step, src, "xl/workbook.xml", 'name="s2"', 'name="../x"')
        for ext in ("xlsx", "xls"):
            with self.subTest(ext=ext):
                folder = self.path("raw_" + ext)
                code, out, err = run_cli("split-sheets", src, folder, "--ext", ext)
                self.assertEqual(code, 0, out + err)
                self.assertIn("“a/b”不能直接用作工作表名，改为“a_b”", out)
                self.assertIn("“../x”不能直接用作工作表名，改为“.._x”", out)
                self.assertEqual(sorted(os.listdir(folder)), sorted("%s.%s" % (n, ext) for n in ("a_b", ".._x", "s3")))
                self.assertEqual(read_book(os.path.join(folder, "a_b." + ext)), {"a_b": [["x", 1.0]]})
                self.assertEqual(read_book(os.path.join(folder, ".._x." + ext)), {".._x": [["y", 2.0]]})
                self.assertEqual(read_book(os.path.join(folder, "s3." + ext)), {"s3": [["z", 3.0]]})

    def test_missing_source_and_unsafe_folder(self):
        code, out, _ = run_cli("split-sheets", self.path("none.xlsx"), self.dir)
        self.assertEqual(code, 1)
        self.assertIn("[文件不存在] 原Excel文件不存在，请查实", out)
        src = make_book(self.path("src.xlsx"), [("a", [[1]])])
        code, out, _ = run_cli("split-sheets", src, self.dir)
        self.assertEqual(code, 1, "the source itself is a workbook in that folder")
        self.assertIn("[安全提示]", out)


CORPUS = os.environ.get("TABRIX_CORPUS_DIR") or os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "shared", "corpus")


@unittest.skipUnless(os.path.isdir(os.path.join(CORPUS, "files")), "the workbook corpus is not beside the checkout")
class SplitSheetsOfRealWorkbooks(SplitCase):
    def test_every_worksheet_arrives_whole(self):
        checked = 0
        for name in sorted(os.listdir(os.path.join(CORPUS, "files"))):
            src = os.path.join(CORPUS, "files", name)
            code, listing, _ = run_cli("sheets", src)
            if code != 0 or len(listing.splitlines()) < 2 or checked >= 8:
                continue
            checked += 1
            with self.subTest(workbook=name):
                folder = self.path("corpus_%d" % checked)
                code, out, err = run_cli("split-sheets", src, folder)
                self.assertEqual(code, 0, out + err)
                files = os.listdir(folder)
                self.assertEqual(len(files), len(listing.splitlines()))
                for part in files:
                    path = os.path.join(folder, part)
                    code, sheet, _ = run_cli("sheets", path)
                    self.assertEqual(code, 0)
                    self.assertEqual(len(sheet.splitlines()), 1, part)
                    expected = run_cli("dump", src, sheet.strip())[1].splitlines()
                    got = run_cli("dump", path)[1].splitlines()
                    self.assertEqual(len(got), len(expected), part)
                    for want, have in zip(expected, got):
                        if want == have:
                            continue
                        # A formula naming a sheet the new workbook lacks reads it in the source workbook, and the
                        # log names that workbook.
                        self.assertEqual(have.split("\t")[:3], want.split("\t")[:3], part)
                        self.assertIn("[%s]" % name, have, part)
                        self.assertIn("结果中的公式引用了原工作簿“%s”" % name, out, part)
        self.assertGreater(checked, 0)


class SplitFailures(SplitCase):
    def test_unreadable_source_is_reported_and_nothing_is_written(self):
        src = self.path("broken.xlsx")
        with open(src, "wb") as f:
            f.write(b"PK\x03\x04 a damaged package")
        code, out, _ = self.split_folder(src, "A", folder="broken_out")
        self.assertEqual(code, 2)
        self.assertIn("[拆分数据失败]", out)
        self.assertIn("broken.xlsx", out)
        self.assertEqual(os.listdir(self.path("broken_out")), [])


if __name__ == "__main__":
    unittest.main()
