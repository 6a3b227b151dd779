"""Shared pieces of the end-to-end tests: running tabrix-cli and reading results with openpyxl."""
import os
import shutil
import subprocess
import tempfile
import unittest

import openpyxl

CLI = os.environ.get("TABRIX_CLI") or os.path.join(
    os.path.dirname(__file__), "..", "..", "build", "cli", "tabrix-cli")


def run_cli(*args, timeout=300, cwd=None):
    """Runs tabrix-cli (in cwd when given); returns (exit code, stdout, stderr)."""
    # Never a terminal on stdin: a protected workbook must not wait for a password typed there.
    proc = subprocess.run([os.path.abspath(CLI), *map(str, args)], capture_output=True, text=True, timeout=timeout,
                          cwd=cwd, stdin=subprocess.DEVNULL)
    return proc.returncode, proc.stdout, proc.stderr


class TempDirCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tabrix-e2e-")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.dir, name)


def make_book(path, sheets):
    """sheets: list of (name, rows) where rows is a list of lists, written from A1; returns the path."""
    wb = openpyxl.Workbook()
    wb.remove(wb.active)
    for name, rows in sheets:
        ws = wb.create_sheet(name)
        for row in rows:
            ws.append(row)
    wb.save(path)
    return path


def values(path, sheet=None):
    """All values of a sheet as a list of row lists (openpyxl, formulas as text)."""
    wb = openpyxl.load_workbook(path)
    ws = wb[sheet] if sheet else wb.worksheets[0]
    return [list(r) for r in ws.iter_rows(values_only=True)]


def dump_lines(path, sheet=None):
    code, out, err = run_cli("dump", path, *([sheet] if sheet else []))
    if code != 0:
        raise AssertionError("dump failed: %s" % err)
    return out.splitlines()


def patch_part(src, dst, part, old, new):
    """Copies a zip package, replacing text in one part (for values a writer would not produce)."""
    import zipfile
    with zipfile.ZipFile(src) as zin, zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            data = zin.read(item.filename)
            if item.filename == part:
                text = data.decode("utf-8")
                if old not in text:
                    raise AssertionError("%s not in %s" % (old, part))
                data = text.replace(old, new).encode("utf-8")
            zout.writestr(item, data)
