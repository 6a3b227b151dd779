"""Exports as banks and payment platforms hand them out, end to end: a GBK bill whose table stands under a
preamble of account lines, merged by the folder merge, read back with openpyxl."""
import os
import unittest

import openpyxl

from e2e_support import TempDirCase, run_cli

HEADER = ["交易时间", "商户名称", "交易说明", "金额", "收付款方式", "交易状态", "收支", "交易分类", "交易订单号",
          "商家订单号", "备注", "账户"]


def bill(path, tag, rows):
    preamble = ["导出信息："] + ["账户说明第%d行：%s的账单，没有逗号" % (i, tag) for i in range(2, 25)]
    lines = preamble + [""] + [",".join(HEADER)]
    for i in range(rows):
        lines.append("2024-12-%02d 10:0%d:00\t,%s商户%d,说明,%d.50,余额,成功,支出,购物,%018d\t,,备注,%s"
                     % (i + 1, i % 10, tag, i, 10 + i, 123456789012345678 + i, tag))
    with open(path, "wb") as f:
        f.write("\r\n".join(lines).encode("gbk"))


class Bills(TempDirCase):
    def test_bills_with_a_preamble_merge_with_their_tables_in_place(self):
        src = self.path("bills")
        os.mkdir(src)
        bill(os.path.join(src, "a.xls"), "甲", 3)
        bill(os.path.join(src, "b.xls"), "乙", 2)
        out = self.path("merged.xlsx")
        code, log, err = run_cli("merge-folder", src, out, "--start-row", "27", "--ext", "xls")
        self.assertEqual(code, 0, log + err)
        self.assertIn("“a.xls”实际是逗号分隔的文本（CSV），表格从第26行开始，已按表格读取", log)
        rows = [list(r) for r in openpyxl.load_workbook(out).worksheets[0].iter_rows(values_only=True)]
        self.assertEqual(rows[0][0], "导出信息：")
        self.assertEqual(len(rows), 1 + 3 + 2)
        first = rows[1]
        self.assertEqual(first[0].strftime("%Y-%m-%d %H:%M:%S"), "2024-12-01 10:00:00")
        self.assertEqual(first[1:4], ["甲商户0", "说明", 10.5])
        self.assertEqual(first[8], "123456789012345678", "digits a number would lose stay text")
        self.assertEqual(first[11], "甲")
        self.assertEqual(rows[5][1], "乙商户1")

        # The preamble keeps its rows in column A, the table its own rows, when a bill is opened on its own.
        code, dump, _ = run_cli("dump", os.path.join(src, "a.xls"))
        self.assertIn("A1\ts\t导出信息：", dump)
        self.assertIn("A26\ts\t交易时间", dump)
        self.assertIn("L26\ts\t账户", dump)


if __name__ == "__main__":
    unittest.main()
