"""What tabrix-cli says about itself: the overview, each command's help, the version, the manual page, and the
usage shown when a command is called wrongly. Every command the README lists has its help."""
import os
import re
import unittest

from e2e_support import run_cli

README = os.path.join(os.environ.get("TABRIX_SOURCE_DIR") or os.path.join(os.path.dirname(__file__), "..", ".."),
                      "README.md")


def readme_commands():
    with open(README, encoding="utf-8") as fh:
        return re.findall(r"^\| `([a-z-]+) ", fh.read(), re.M)


class Help(unittest.TestCase):
    def test_the_overview_lists_every_command_of_the_readme(self):
        code, out, _ = run_cli("--help")
        self.assertEqual(code, 0)
        commands = readme_commands()
        self.assertGreaterEqual(len(commands), 6)
        for command in commands:
            self.assertIn("\n  %s " % command, out)
        self.assertIn("退出码: 0 完成; 1 输入被拒绝", out)

    def test_each_command_has_its_own_help_on_stdout(self):
        for command in readme_commands():
            code, out, err = run_cli(command, "--help")
            self.assertEqual(code, 0, command)
            self.assertTrue(out.startswith("用法: tabrix-cli %s " % command), out)
            self.assertIn("--quiet", out)
            self.assertEqual(err, "")

    def test_a_command_called_wrongly_shows_its_usage_and_is_refused(self):
        code, out, err = run_cli("find", "only-one-argument.xlsx")
        self.assertEqual(code, 1)
        self.assertTrue(err.startswith("用法: tabrix-cli find BOOK SHEET TEXT OUT"), err)
        code, _, err = run_cli("no-such-command")
        self.assertEqual(code, 1)
        self.assertIn("命令:", err)

    def test_version_and_manual_page(self):
        code, out, _ = run_cli("--version")
        self.assertEqual(code, 0)
        self.assertRegex(out, r"^tabrix-cli \d+\.\d+\.\d+\n$")
        code, man, _ = run_cli("--man")
        self.assertEqual(code, 0)
        self.assertTrue(man.startswith(".TH TABRIX\\-CLI 1 "))
        for command in readme_commands():
            self.assertIn(".B " + command.replace("-", "\\-") + " ", man)


if __name__ == "__main__":
    unittest.main()
