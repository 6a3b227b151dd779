"""A worksheet the workbook does not have is a refused input on every command that takes a sheet: exit 1, a
message naming the workbook and the sheet, and nothing written."""
import os
import unittest

from e2e_support import TempDirCase, make_book, run_cli


class MissingSheet(TempDirCase):
    def setUp(self):
        super().setUp()
        self.book = make_book(self.path("book.xlsx"), [("数据", [["编号", "姓名"], ["A1", "张三"]])])
        self.out = self.path("result.xlsx")
        self.folder = self.path("parts")

    def assert_refused(self, *args):
        code, out, err = run_cli(*args)
        self.assertEqual(code, 1, out + err)
        self.assertIn("工作簿“book.xlsx”中没有名为“缺少”的工作表", out + err)
        self.assertFalse(os.path.exists(self.out), "nothing may be written")
        self.assertFalse(os.path.isdir(self.folder) and os.listdir(self.folder), "nothing may be written")

    def test_every_command_that_takes_a_sheet(self):
        b, out = self.book, self.out
        commands = {
            "find": ("find", b, "缺少", "张", out),
            "compare first": ("compare", b, "缺少", b, "数据", out),
            "compare second": ("compare", b, "数据", b, "缺少", out),
            "compare pairs": ("compare", b, "数据", b, "缺少", out, "--pairs", "A=A"),
            "clear data": ("clear", b, "缺少", b, "数据", out),
            "clear removal": ("clear", b, "数据", b, "缺少", out),
            "split-column folder": ("split-column", b, "缺少", "A", "--to-folder", self.folder),
            "split-column book": ("split-column", b, "缺少", "A", "--to-book", out),
            "columns": ("columns", b, "缺少"),
            "dump": ("dump", b, "缺少"),
        }
        for name, args in commands.items():
            with self.subTest(command=name):
                self.assert_refused(*args)

    def test_sheet_names_match_ignoring_case(self):
        book = make_book(self.path("latin.xlsx"), [("Data", [["k"], ["v"]])])
        code, out, err = run_cli("find", book, "DATA", "v", self.out)
        self.assertEqual(code, 0, out + err)


if __name__ == "__main__":
    unittest.main()
