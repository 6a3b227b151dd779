"""The command line's progress line: a bar with counts and the share done on a terminal (a pseudo-terminal
here), nothing extra in a pipe, nothing at all with --quiet."""
import os
import pty
import re
import subprocess
import unittest

from e2e_support import CLI, TempDirCase, make_book, run_cli


def run_on_terminal(*args):
    """Runs tabrix-cli with stdout and stderr on a pseudo-terminal; returns (exit code, everything it wrote)."""
    try:
        controller, terminal = pty.openpty()
    except OSError as error:  # a machine (a bare chroot, say) without pseudo-terminal devices
        raise unittest.SkipTest("no pseudo-terminal here: %s" % error)
    proc = subprocess.Popen([CLI, *args], stdout=terminal, stderr=terminal, stdin=subprocess.DEVNULL)
    os.close(terminal)
    chunks = []
    while True:
        try:
            data = os.read(controller, 65536)
        except OSError:  # the terminal is gone with the process
            break
        if not data:
            break
        chunks.append(data)
    os.close(controller)
    return proc.wait(timeout=120), b"".join(chunks).decode("utf-8", "replace")


class ProgressOutput(TempDirCase):
    def setUp(self):
        super().setUp()
        self.src = self.path("src")
        self.dst = self.path("dst")
        os.mkdir(self.src)
        os.mkdir(self.dst)
        for i in range(5):
            make_book(os.path.join(self.src, "分店%d.xlsx" % i), [("数据", [["a", "b"], [i, i * 2]])])

    def test_a_terminal_gets_a_bar_with_counts_ending_on_the_total(self):
        code, text = run_on_terminal("convert", self.src, self.dst, "--to", "xls")
        self.assertEqual(code, 0, text)
        bars = re.findall(r"\r\x1b\[K\[([#-]{24})\] (\d+)/5 +(\d+)%", text)
        self.assertTrue(bars, text)
        self.assertEqual(bars[-1], ("#" * 24, "5", "100"))
        self.assertIn("所有转换完成！", text)

    def test_a_pipe_gets_the_log_lines_only(self):
        code, out, err = run_cli("convert", self.src, self.dst, "--to", "xls")
        self.assertEqual(code, 0, err)
        self.assertNotIn("\r", out + err)
        self.assertNotIn("[#", out + err)
        self.assertEqual(out.count("完成“"), 5)

    def test_quiet_leaves_only_the_message(self):
        code, text = run_on_terminal("convert", self.src, self.dst, "--to", "xls", "--quiet")
        self.assertEqual(code, 0, text)
        self.assertNotIn("\x1b[K", text)  # (the terminal itself turns each line end into CR LF)
        self.assertNotIn("完成“", text)
        self.assertIn("所有转换完成！", text)


if __name__ == "__main__":
    unittest.main()
