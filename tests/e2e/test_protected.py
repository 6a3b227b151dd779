"""Password-protected workbooks on the command line: the corpus's real protected files, an RC4 CryptoAPI xls
LibreOffice protects and the agile AES-256 xlsx our save-as makes of it (the LibreOffice of Debian 12 writes
no protected xlsx), read through merge-sheets, compare and convert; results of
merge and compare are new, unprotected workbooks; converted ones are protected with the source's password and
open with it in msoffcrypto-tool and LibreOffice, and not without it. A wrong password, a missing one on a pipe:
refused, nothing written. LibreOffice parts are skipped when soffice is not installed, corpus parts when the
corpus is not beside the checkout."""
import io
import os
import shutil
import subprocess
import sys
import unittest

import openpyxl
import xlrd

from e2e_support import CLI, TempDirCase, make_book

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "corpus"))
from corpus_location import CORPUS  # noqa: E402

# LibreOffice is driven through its UNO bridge (python3-uno), which comes with it on a desktop but not always.
OFFICE = shutil.which("soffice") and subprocess.run(["/usr/bin/python3", "-c", "import uno"],
                                                    capture_output=True).returncode == 0
try:
    import msoffcrypto
except ImportError:  # pragma: no cover - the set-up installs it
    msoffcrypto = None


def cli(*args, password=None, password_file=None):
    """tabrix-cli with stdin not a terminal; the password only through the environment or a file."""
    env = {k: v for k, v in os.environ.items() if k != "TABRIX_PASSWORD"}
    if password is not None:
        env["TABRIX_PASSWORD"] = password
    extra = ["--password-file", password_file] if password_file else []
    proc = subprocess.run([os.path.abspath(CLI), *map(str, args), *extra], capture_output=True, text=True,
                          stdin=subprocess.DEVNULL, env=env, timeout=300)
    return proc.returncode, proc.stdout + proc.stderr


def office(*args):
    return subprocess.run(["/usr/bin/python3", os.path.join(HERE, "office_open.py"), *args], capture_output=True,
                          text=True, timeout=300)


def decrypted(path, password):
    f = msoffcrypto.OfficeFile(open(path, "rb"))
    f.load_key(password=password)
    out = io.BytesIO()
    f.decrypt(out)
    out.seek(0)
    return out


def first_sheet_cells(data, xls):
    if xls:
        sheet = xlrd.open_workbook(file_contents=data.getvalue()).sheet_by_index(0)
        return [[c.value for c in sheet.row(r)] for r in range(sheet.nrows)]
    return [list(r) for r in openpyxl.load_workbook(data).worksheets[0].iter_rows(values_only=True)]


def corpus_file(name):
    for sub in ("files", os.path.join("encrypted", "files")):
        path = os.path.join(CORPUS, sub, name)
        if os.path.exists(path):
            return path
    return None


class Protected(TempDirCase):
    def check_through_commands(self, source, password, sheet, cell, expected, merge_shows=True):
        """merge-sheets, compare and convert of one protected workbook; expected: what `cell` of `sheet` shows."""
        xls = source.endswith(".xls")
        work = self.path("work-" + os.path.basename(source))
        os.makedirs(work)
        merged = os.path.join(work, "merged.xlsx")
        code, out = cli("merge-sheets", source, merged, "--start-row", "1", password=password)
        self.assertEqual(code, 0, out)
        rows = openpyxl.load_workbook(merged).active.iter_rows(values_only=True)  # plain: opens without password
        self.assertEqual(merge_shows, any(expected in str(v) for row in rows for v in row))

        compared = os.path.join(work, "compared.xlsx")
        code, out = cli("compare", source, sheet, source, sheet, compared, password=password)
        self.assertEqual(code, 0, out)
        self.assertIn("相同的数据", openpyxl.load_workbook(compared).sheetnames)

        src, dst = os.path.join(work, "src"), os.path.join(work, "dst")
        os.makedirs(src), os.makedirs(dst)
        shutil.copy(source, os.path.join(src, os.path.basename(source)))
        code, out = cli("convert", src, dst, "--to", "xlsx" if xls else "xls", password=password)
        self.assertEqual(code, 0, out)
        self.assertIn("已按原密码加密保存", out)
        (result,) = [os.path.join(dst, n) for n in os.listdir(dst)]
        cells = first_sheet_cells(decrypted(result, password), not xls)
        row, col = int(cell[1:]) - 1, ord(cell[0]) - ord("A")
        self.assertIn(expected, str(cells[row][col]))
        shutil.rmtree(work)

    def test_corpus_files_with_their_passwords(self):
        # poi__password.xls begins with three empty worksheets and the merge leaves its column-D text out, as it
        # would for the same workbook unprotected: there only a plain result of the merge is checked.
        cases = [("poi__password.xls", "password", "Лист1", "D5", "A ZIP bomb is a variant of mail-bombing.", False),
                 ("poi__protected_passtika.xlsx", "tika", "Sheet1", "A1", "This is an Encrypted Excel spreadsheet.", True),
                 ("poi__xor-encryption-abc.xls", "abc", "Sheet1", "A3", "3", True)]
        for name, password, sheet, cell, expected, merge_shows in cases:
            path = corpus_file(name)
            if not path:
                self.skipTest("the workbook corpus was not found")
            with self.subTest(file=name):
                self.check_through_commands(path, password, sheet, cell, expected, merge_shows)

    @unittest.skipIf(msoffcrypto is None, "python3-msoffcrypto-tool (and its olefile) is not installed")
    def test_saved_package_carries_the_data_spaces_the_application_writes(self):
        import olefile
        source = corpus_file("poi__protected_passtika.xlsx")
        if not source:
            self.skipTest("the workbook corpus was not found")
        out = self.path("again.xlsx")
        code, text = cli("save-as", source, out, password="tika")
        self.assertEqual(code, 0, text)
        theirs, ours = olefile.OleFileIO(source), olefile.OleFileIO(out)
        spaces = [e for e in theirs.listdir() if e[0] == "\x06DataSpaces"]
        self.assertEqual(len(spaces), 4)
        for entry in spaces:
            self.assertEqual(ours.openstream(entry).read(), theirs.openstream(entry).read(), entry)

    def test_default_password_opens_without_one(self):
        path = corpus_file("poi__protect.xlsx")
        if not path:
            self.skipTest("the workbook corpus was not found")
        code, out = cli("dump", path, "Лист1")
        self.assertEqual(code, 0, out)
        self.assertIn("При запуске пробной версии Office 2007", out)

    def test_refusals_write_nothing(self):
        protected = corpus_file("poi__protected_passtika.xlsx")
        if not protected:
            self.skipTest("the workbook corpus was not found")
        out_path = self.path("out.xlsx")
        code, out = cli("merge-sheets", protected, out_path, password="wrong")
        self.assertEqual(code, 1, out)
        self.assertIn("密码不正确", out)
        self.assertNotIn("wrong", out)
        code, out = cli("merge-sheets", protected, out_path)
        self.assertEqual(code, 1, out)
        self.assertIn("--password-file", out)
        self.assertIn("TABRIX_PASSWORD", out)
        self.assertFalse(os.path.exists(out_path), "nothing may be written")
        with open(self.path("pw.txt"), "w") as f:
            f.write("tika\nnot this line\n")
        code, out = cli("merge-sheets", protected, out_path, password_file=self.path("pw.txt"))
        self.assertEqual(code, 0, out)
        self.assertNotIn("tika", out)

    @unittest.skipUnless(OFFICE, "LibreOffice (soffice with python3-uno) is not installed")
    def test_workbooks_libreoffice_protects_and_folder_conversion(self):
        plain = make_book(self.path("plain.xlsx"), [("销售", [["地区", "金额"], ["华东", 120], ["华北", 80]])])
        proc = office("--save", plain, self.path("cryptoapi.xls"), "MS Excel 97", "密码1")
        self.assertEqual(proc.returncode, 0, proc.stderr)
        code, out = cli("save-as", self.path("cryptoapi.xls"), self.path("agile.xlsx"), password="密码1")
        self.assertEqual(code, 0, out)
        self.assertIn("已按原密码加密保存", out)
        self.assertIn("华东,120", office(self.path("agile.xlsx"), "密码1").stdout)
        for name in ("cryptoapi.xls", "agile.xlsx"):
            with self.subTest(file=name):
                self.check_through_commands(self.path(name), "密码1", "销售", "A2", "华东")

        # A folder of protected .xls converted: each result opens with the password in LibreOffice, not without.
        src, dst = self.path("folder"), self.path("converted")
        os.makedirs(src), os.makedirs(dst)
        shutil.copy(self.path("cryptoapi.xls"), os.path.join(src, "一.xls"))
        shutil.copy(self.path("cryptoapi.xls"), os.path.join(src, "二.xls"))
        code, out = cli("convert", src, dst, "--to", "xlsx", password="密码1")
        self.assertEqual(code, 0, out)
        for name in ("一.xlsx", "二.xlsx"):
            result = os.path.join(dst, name)
            opened = office(result, "密码1")
            self.assertEqual(opened.returncode, 0, opened.stderr)
            self.assertIn("华东,120", opened.stdout)
            self.assertEqual(office(result).returncode, 3, "opened without its password")


if __name__ == "__main__":
    unittest.main()
