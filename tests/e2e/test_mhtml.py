"""A workbook saved as a single-file web page under a .xls name, end to end: saved again as xlsx, its worksheets
come out named as its tabs with their values, and the tab strip is no worksheet. The page is written with Python's
own MIME and quoted-printable writers, the result read back with openpyxl."""
import email.policy
import quopri
import unittest
from email.mime.multipart import MIMEMultipart
from email.mime.nonmultipart import MIMENonMultipart

import openpyxl

from e2e_support import TempDirCase, run_cli

META = '<meta http-equiv=Content-Type content="text/html; charset=gb2312">'
SHEETS = [("销售", "sheet001.htm", [("产品", "数量"), ("苹果", "12"), ("梨", "7")]),
          ("库存", "sheet002.htm", [("仓库", "编号"), ("北京", "00123")])]


def page(location, html, content_type="text/html"):
    maintype, subtype = content_type.split("/")
    part = MIMENonMultipart(maintype, subtype, charset="gb2312")
    part.set_payload(quopri.encodestring(html.encode("gb2312")).decode("ascii"))
    part["Content-Transfer-Encoding"] = "quoted-printable"
    part["Content-Location"] = "file:///C:/0A1B2C3D/" + location
    return part


def single_file_page():
    listing = "".join('<x:ExcelWorksheet><x:Name>%s</x:Name><x:WorksheetSource HRef="book_files/%s"/>'
                      "</x:ExcelWorksheet>" % (name, href) for name, href, _ in SHEETS)
    book = MIMEMultipart("related")
    book.attach(page("book.htm", "<html><head>%s<!--[if gte mso 9]><xml><x:ExcelWorkbook><x:ExcelWorksheets>%s"
                                 "</x:ExcelWorksheets></x:ExcelWorkbook></xml><![endif]--></head>"
                                 '<frameset rows="*,39"><frame src="book_files/sheet001.htm"></frameset></html>'
                     % (META, listing)))
    tabs = "".join('<td><a href="%s" target="frSheet">%s</a></td>' % (href, name) for name, href, _ in SHEETS)
    book.attach(page("book_files/tabstrip.htm", "<html><head>%s</head><body><table><tr>%s</tr></table></body>"
                                                "</html>" % (META, tabs)))
    book.attach(page("book_files/stylesheet.css", '.xl65 {mso-number-format:"\\@";}', "text/css"))
    for _, href, rows in SHEETS:
        body = "".join("<tr>%s</tr>" % "".join('<td class=xl65>%s</td>' % v if v.startswith("0") else
                                               "<td>%s</td>" % v for v in row) for row in rows)
        book.attach(page("book_files/" + href, "<html><head>%s<link rel=Stylesheet href=stylesheet.css></head>"
                                               "<body><table>%s</table></body></html>" % (META, body)))
    return book.as_bytes(policy=email.policy.SMTP)


class SingleFilePage(TempDirCase):
    def test_saved_as_xlsx_with_its_sheets_named_as_the_tabs(self):
        source, target = self.path("book.xls"), self.path("out.xlsx")
        with open(source, "wb") as fh:
            fh.write(single_file_page())
        code, out, err = run_cli("save-as", source, target)
        self.assertEqual(code, 0, out + err)
        wb = openpyxl.load_workbook(target)
        self.assertEqual(wb.sheetnames, ["销售", "库存"])
        self.assertEqual([list(r) for r in wb["销售"].iter_rows(values_only=True)],
                         [["产品", "数量"], ["苹果", 12], ["梨", 7]])
        self.assertEqual([list(r) for r in wb["库存"].iter_rows(values_only=True)],
                         [["仓库", "编号"], ["北京", "00123"]])


if __name__ == "__main__":
    unittest.main()
