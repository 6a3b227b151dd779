"""Folder conversion end to end: tabrix-cli convert between the two formats, results read by xlrd and openpyxl,
and round trips that must leave every cell (and the formats users see) as they were."""
import datetime
import os
import shutil

import openpyxl
import xlrd
from openpyxl.styles import Border, Font, PatternFill, Side

import unittest
from e2e_support import TempDirCase, dump_lines, run_cli


def rich_book(path):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "销售"
    ws.append(["日期", "地区", "数量", "单价", "金额", "备注"])
    for i in range(2, 40):
        ws.append([datetime.datetime(2024, 1, i % 28 + 1), "北京" if i % 2 else "上海", i, i * 1.25,
                   "=C%d*D%d" % (i, i), "第%d行\t含制表符" % i if i % 5 == 0 else None])
        ws["E%d" % i].value = "=C%d*D%d" % (i, i)
    ws["A1"].font = Font(name="Arial", bold=True, color="FFFF0000", size=12)
    ws["B1"].fill = PatternFill("solid", fgColor="FFFFFF00")
    ws["C1"].border = Border(bottom=Side("thin"))
    for r in range(2, 40):
        ws["A%d" % r].number_format = "yyyy-mm-dd"
        ws["D%d" % r].number_format = "#,##0.00"
    ws.column_dimensions["B"].width = 20
    ws.merge_cells("F1:G1")
    ws2 = wb.create_sheet("其他")
    ws2.append([True, False, 123456789012345, 1e-300])
    wb.save(path + ".plain")
    # openpyxl leaves formula results empty; give them the results a spreadsheet application would have saved.
    with_results(path + ".plain", path, {"E%d" % i: i * i * 1.25 for i in range(2, 40)})
    os.remove(path + ".plain")


def with_results(src, dst, results):
    import re
    import zipfile
    with zipfile.ZipFile(src) as zin, zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            data = zin.read(item.filename)
            if item.filename == "xl/worksheets/sheet1.xml":
                data = re.sub(r'<c r="(E\d+)"><f>([^<]*)</f><v></v></c>',
                              lambda m: '<c r="%s"><f>%s</f><v>%r</v></c>' % (m.group(1), m.group(2),
                                                                            results[m.group(1)]),
                              data.decode()).encode()
            zout.writestr(item, data)


class Convert(TempDirCase):
    def folders(self):
        src, dst = self.path("src"), self.path("dst")
        os.mkdir(src)
        os.mkdir(dst)
        return src, dst

    def test_xlsx_to_xls_is_read_by_xlrd_with_dates_formats_and_merges(self):
        src, dst = self.folders()
        rich_book(os.path.join(src, "report.xlsx"))
        code, out, err = run_cli("convert", src, dst, "--to", "xls")
        self.assertEqual(code, 0, out + err)
        self.assertIn("完成“report.xlsx”转换", out)
        self.assertIn("[转换完成] 所有转换完成！", out)
        book = xlrd.open_workbook(os.path.join(dst, "report.xls"), formatting_info=True)
        self.assertEqual(book.sheet_names(), ["销售", "其他"])
        sh = book.sheet_by_index(0)
        self.assertEqual(sh.cell(1, 0).ctype, xlrd.XL_CELL_DATE)
        self.assertEqual(xlrd.xldate_as_tuple(sh.cell(1, 0).value, book.datemode)[:3], (2024, 1, 3))
        self.assertEqual(sh.cell(1, 4).value, 2 * 2.5)  # formula's cached result
        self.assertEqual(sh.cell(4, 5).value, "第5行\t含制表符")
        self.assertIn((0, 1, 5, 7), sh.merged_cells)
        xf = book.xf_list[sh.cell_xf_index(0, 0)]
        font = book.font_list[xf.font_index]
        self.assertTrue(font.bold)
        self.assertEqual(font.name, "Arial")
        self.assertEqual(book.colour_map[font.colour_index], (255, 0, 0))
        self.assertEqual(book.format_map[book.xf_list[sh.cell_xf_index(1, 3)].format_key].format_str, "#,##0.00")
        fill = book.xf_list[sh.cell_xf_index(0, 1)].background
        self.assertEqual(book.colour_map[fill.pattern_colour_index], (255, 255, 0))
        self.assertAlmostEqual(sh.colinfo_map[1].width / 256.0, 20, delta=1)
        other = book.sheet_by_index(1)
        self.assertEqual(other.row_values(0), [1, 0, 123456789012345, 1e-300])
        self.assertEqual(other.cell(0, 0).ctype, xlrd.XL_CELL_BOOLEAN)

    def test_round_trips_keep_the_dump_and_the_formats(self):
        src, mid, back = self.path("a"), self.path("b"), self.path("c")
        for d in (src, mid, back):
            os.mkdir(d)
        rich_book(os.path.join(src, "book.xlsx"))
        self.assertEqual(run_cli("convert", src, mid, "--to", "xls")[0], 0)
        self.assertEqual(run_cli("convert", mid, back, "--to", "xlsx")[0], 0)
        original = dump_lines(os.path.join(src, "book.xlsx"))
        self.assertEqual(dump_lines(os.path.join(mid, "book.xls")), original)
        self.assertEqual(dump_lines(os.path.join(back, "book.xlsx")), original)
        ws = openpyxl.load_workbook(os.path.join(back, "book.xlsx"))["销售"]
        self.assertTrue(ws["A1"].font.b)
        self.assertEqual(ws["A1"].font.name, "Arial")
        self.assertEqual(ws["A1"].font.color.rgb, "FFFF0000")
        self.assertEqual(ws["B1"].fill.fgColor.rgb, "FFFFFF00")
        self.assertEqual(ws["C1"].border.bottom.style, "thin")
        self.assertEqual(ws["D2"].number_format, "#,##0.00")
        self.assertTrue(ws["A2"].is_date)
        self.assertAlmostEqual(ws.column_dimensions["B"].width, 20, delta=1)
        self.assertEqual(ws["E3"].value, "=C3*D3")

        # and the other way: xls -> xlsx -> xls
        xsrc, xmid, xback = self.path("x1"), self.path("x2"), self.path("x3")
        for d in (xsrc, xmid, xback):
            os.mkdir(d)
        shutil.copy(os.path.join(mid, "book.xls"), os.path.join(xsrc, "book.xls"))
        self.assertEqual(run_cli("convert", xsrc, xmid, "--to", "xlsx")[0], 0)
        self.assertEqual(run_cli("convert", xmid, xback, "--to", "xls")[0], 0)
        self.assertEqual(dump_lines(os.path.join(xback, "book.xls")), dump_lines(os.path.join(xsrc, "book.xls")))

    def test_too_many_rows_for_the_2003_format_is_a_clear_failure(self):
        src, dst = self.folders()
        wb = openpyxl.Workbook(write_only=True)
        ws = wb.create_sheet("big")
        for i in range(65537):
            ws.append([i])
        wb.save(os.path.join(src, "big.xlsx"))
        code, out, _ = run_cli("convert", src, dst, "--to", "xls")
        self.assertEqual(code, 2)
        self.assertIn("未能转换“big.xlsx”", out)
        self.assertIn("65536", out)
        self.assertEqual(os.listdir(dst), [])

    def test_refusals(self):
        src, dst = self.folders()
        code, out, _ = run_cli("convert", src, dst, "--to", "xlsx")
        self.assertEqual(code, 1)
        self.assertIn("[未找到] 转换前Excel所在文件夹中  没有找到excel文件", out)
        code, _, err = run_cli("convert", src, dst)
        self.assertEqual(code, 1)


if __name__ == "__main__":
    unittest.main()
