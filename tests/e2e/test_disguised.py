"""Files that are tables in another form under workbook names (HTML pages, 2003 XML spreadsheets, CSV/TSV text),
end to end: the folder merge, the conversion and the comparison take them like workbooks, the log says what each
file really is, and the results are real workbooks read back with openpyxl and xlrd."""
import datetime
import os
import unittest

import openpyxl
import xlrd
import xlwt

from e2e_support import TempDirCase, run_cli

GBK_PAGE = ('<html><head><meta http-equiv="Content-Type" content="text/html; charset=gb2312"></head><body>'
            '<table border=1><tr><th rowspan=2>姓名</th><th colspan=2>证件</th></tr>'
            '<tr><th>身份证号</th><th>类型</th></tr>%s</table></body></html>')
PEOPLE = [[("张三", "110101199003071234", "居民")], [("李四", "44030519851231002X", "居民"),
                                                      ("王五", "310104200001010015", "外籍")]]

SSML = '''<?xml version="1.0"?>
<?mso-application progid="Excel.Sheet"?>
<Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet" xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet">
 <Styles><Style ss:ID="d"><NumberFormat ss:Format="Short Date"/></Style></Styles>
 <Worksheet ss:Name="报表"><Table>
  <Row><Cell><Data ss:Type="String">日期</Data></Cell><Cell><Data ss:Type="String">数量</Data></Cell>
       <Cell><Data ss:Type="String">合计</Data></Cell></Row>
  <Row><Cell ss:StyleID="d"><Data ss:Type="DateTime">2024-03-15T00:00:00.000</Data></Cell>
       <Cell><Data ss:Type="Number">7</Data></Cell>
       <Cell ss:Formula="=RC[-1]*2+R1C2"><Data ss:Type="Number">14</Data></Cell></Row>
 </Table></Worksheet>
</Workbook>'''


def gbk_page(path, rows):
    body = "".join("<tr>%s</tr>" % "".join("<td>%s</td>" % v for v in row) for row in rows)
    with open(path, "wb") as fh:
        fh.write((GBK_PAGE % body).encode("gbk"))


class FolderMerge(TempDirCase):
    def folder(self):
        os.mkdir(self.path("in"))
        for i, rows in enumerate(PEOPLE):
            gbk_page(self.path("in/导出%d.xls" % (i + 1)), rows)
        return self.path("in")

    def test_stacked_into_xlsx_ids_and_chinese_intact_log_says_html(self):
        target = self.path("合并.xlsx")
        code, out, err = run_cli("merge-folder", self.folder(), target, "--start-row", "3", "--ext", "xls")
        self.assertEqual(code, 0, out + err)
        self.assertIn("“导出1.xls”实际是网页表格（HTML），已按表格读取", out.splitlines())
        self.assertIn("“导出2.xls”实际是网页表格（HTML），已按表格读取", out.splitlines())
        ws = openpyxl.load_workbook(target).active
        rows = [list(r) for r in ws.iter_rows(values_only=True)]
        self.assertEqual(rows, [["姓名", "证件", None], ["张三", "110101199003071234", "居民"],
                                ["李四", "44030519851231002X", "居民"], ["王五", "310104200001010015", "外籍"]])
        self.assertEqual([str(r) for r in ws.merged_cells.ranges], ["B1:C1"])

    def test_as_sheets_keeps_the_rowspan_header(self):
        target = self.path("合并.xlsx")
        code, out, err = run_cli("merge-folder", self.folder(), target, "--as-sheets", "--ext", "xls")
        self.assertEqual(code, 0, out + err)
        self.assertIn("“导出1.xls”实际是网页表格（HTML），已按表格读取", out.splitlines())
        wb = openpyxl.load_workbook(target)
        self.assertEqual(len(wb.worksheets), 2)
        second = wb.worksheets[1]
        self.assertEqual(sorted(str(r) for r in second.merged_cells.ranges), ["A1:A2", "B1:C1"])
        self.assertEqual(second["B4"].value, "310104200001010015")
        self.assertEqual(second["A2"].value, None)
        self.assertEqual(second["B2"].value, "身份证号")


class Conversion(TempDirCase):
    def test_spreadsheetml_under_xlsx_name_to_xls_formula_and_date(self):
        os.mkdir(self.path("src"))
        os.mkdir(self.path("dst"))
        with open(self.path("src/报表.xlsx"), "w", encoding="utf-8") as fh:
            fh.write(SSML)
        code, out, err = run_cli("convert", self.path("src"), self.path("dst"), "--to", "xls")
        self.assertEqual(code, 0, out + err)
        self.assertIn("“报表.xlsx”实际是2003 XML 表格（XML Spreadsheet），已按表格读取", out.splitlines())
        book = xlrd.open_workbook(self.path("dst/报表.xls"), formatting_info=True)
        sheet = book.sheet_by_index(0)
        self.assertEqual(sheet.name, "报表")
        self.assertEqual(sheet.cell_type(1, 0), xlrd.XL_CELL_DATE)
        self.assertEqual(xlrd.xldate_as_datetime(sheet.cell_value(1, 0), book.datemode), datetime.datetime(2024, 3, 15))
        self.assertEqual(sheet.cell_value(1, 2), 14)
        # The formula itself went over as A1 tokens: our own reader decodes them back.
        code, dump, _ = run_cli("dump", self.path("dst/报表.xls"))
        self.assertIn("C2\tn\t14\t=B2*2+$B$1", dump.splitlines())

    def test_html_under_xls_name_becomes_a_real_xlsx(self):
        os.mkdir(self.path("src"))
        os.mkdir(self.path("dst"))
        gbk_page(self.path("src/名单.xls"), PEOPLE[0])
        with open(self.path("src/坏.xls"), "wb") as fh:
            fh.write(b"PK\x03\x04 a damaged package")
        code, out, err = run_cli("convert", self.path("src"), self.path("dst"), "--to", "xlsx")
        lines = out.splitlines()
        self.assertIn("“名单.xls”实际是网页表格（HTML），已按表格读取", lines)
        self.assertIn("完成“名单.xls”转换", lines)
        self.assertTrue(any(l.startswith("未能转换“坏.xls”：") and "不是工作簿" in l for l in lines), lines)
        ws = openpyxl.load_workbook(self.path("dst/名单.xlsx")).active
        self.assertEqual(ws["B3"].value, "110101199003071234")
        self.assertEqual(ws["A1"].value, "姓名")


class CompareText(TempDirCase):
    def test_utf16_tsv_export_against_a_real_workbook(self):
        text = "编号\t名称\t数量\r\n0012\t苹果\t5\r\nA2\t梨\t6\r\nA3\t桃\t7\r\n"
        with open(self.path("export.xls"), "wb") as fh:
            fh.write(b"\xff\xfe" + text.encode("utf-16-le"))
        # The page takes two workbooks of one format: the real one is a 2003 workbook written by xlwt.
        real = self.path("real.xls")
        book = xlwt.Workbook()
        sheet = book.add_sheet("表二")
        for r, row in enumerate([["编号", "名称", "数量"], ["0012", "苹果", 5], ["A3", "桃", 8], ["A9", "李", 1]]):
            for c, v in enumerate(row):
                sheet.write(r, c, v)
        book.save(real)
        target = self.path("out.xlsx")
        code, out, err = run_cli("compare", self.path("export.xls"), "export", real, "表二", target)
        self.assertEqual(code, 0, out + err)
        self.assertIn("“export.xls”实际是制表符分隔的文本，已按表格读取", out.splitlines())
        wb = openpyxl.load_workbook(target)
        same = [list(r) for r in wb.worksheets[0].iter_rows(values_only=True)]
        self.assertIn(["0012", "苹果", 5], same)
        self.assertNotIn(["A3", "桃", 8], same)


if __name__ == "__main__":
    unittest.main()
