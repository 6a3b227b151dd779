#!/usr/bin/python3
"""Writes a set of small, realistic workbooks with which every page of Tabrix can be tried at once.

    make_examples.py DIR

DIR/
  销售明细.xlsx, 销售明细.xls        six monthly sheets of sales (pages 1, 3, 4, 7)
  员工名单_2023.xlsx/.xls, 员工名单_2024.xlsx/.xls
                                     a staff list of two years: some left, some joined, some changed (page 6)
  离职人员.xlsx/.xls                  the staff who left, to clear from the 2023 list (page 8)
  分店报表/                           five branch reports, .xlsx (page 2, page 9)
  分店报表_2003/                      the same reports as .xls (page 2, page 9)
The data is made from a fixed seed, so the same files come out every time.
"""
import datetime
import os
import random
import sys

import openpyxl
import xlwt
from openpyxl.styles import Font, PatternFill

REGIONS = ["北京", "上海", "广州", "深圳", "杭州", "成都"]
PRODUCTS = [("笔记本电脑", 5999.0), ("显示器", 1299.0), ("键盘", 199.0), ("鼠标", 89.0), ("打印机", 1599.0)]
MONTHS = ["一月", "二月", "三月", "四月", "五月", "六月"]
DEPARTMENTS = ["财务部", "销售部", "技术部", "人事部", "市场部"]
SURNAMES = "王李张刘陈杨黄赵周吴徐孙马朱胡郭何高林罗"
GIVEN = ["伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "娟", "涛", "明", "超", "秀英", "华", "平"]
BRANCHES = ["北京分店", "上海分店", "广州分店", "深圳分店", "成都分店"]
HEADER_FONT = Font(bold=True, color="FFFFFFFF")
HEADER_FILL = PatternFill("solid", fgColor="FF3377CC")


class Book:
    """One workbook written in both formats: openpyxl for .xlsx, xlwt for .xls."""

    def __init__(self):
        self.sheets = []  # (name, rows, widths, formats by column)

    def sheet(self, name, rows, widths=None, formats=None):
        self.sheets.append((name, rows, widths or {}, formats or {}))

    def save(self, stem):
        self.save_xlsx(stem + ".xlsx")
        self.save_xls(stem + ".xls")

    def save_xlsx(self, path):
        wb = openpyxl.Workbook()
        wb.remove(wb.active)
        for name, rows, widths, formats in self.sheets:
            ws = wb.create_sheet(name)
            for r, row in enumerate(rows, 1):
                for c, value in enumerate(row, 1):
                    cell = ws.cell(r, c, value)
                    if r == 1:
                        cell.font, cell.fill = HEADER_FONT, HEADER_FILL
                    elif c in formats:
                        cell.number_format = formats[c]
            for c, width in widths.items():
                ws.column_dimensions[openpyxl.utils.get_column_letter(c)].width = width
        wb.save(path)

    def save_xls(self, path):
        wb = xlwt.Workbook(encoding="utf-8")
        header = xlwt.easyxf("font: bold on, colour white; pattern: pattern solid, fore_colour ocean_blue")
        styles = {}
        for name, rows, widths, formats in self.sheets:
            ws = wb.add_sheet(name)
            for r, row in enumerate(rows):
                for c, value in enumerate(row):
                    if r == 0:
                        ws.write(r, c, value, header)
                        continue
                    fmt = formats.get(c + 1)
                    style = styles.setdefault(fmt, xlwt.easyxf(num_format_str=fmt)) if fmt else xlwt.Style.default_style
                    ws.write(r, c, value, style)
            for c, width in widths.items():
                ws.col(c - 1).width = int(width * 256)
        wb.save(path)


def sales(rng):
    book = Book()
    header = ["日期", "地区", "产品", "数量", "单价", "金额", "业务员"]
    for m, month in enumerate(MONTHS, 1):
        rows = [header]
        for i in range(rng.randint(18, 30)):
            product, price = rng.choice(PRODUCTS)
            qty = rng.randint(1, 40)
            # Amounts as values: neither writer here can store a formula's result, and a formula without one
            # shows as empty until a spreadsheet program recalculates it.
            rows.append([datetime.date(2024, m, rng.randint(1, 28)), rng.choice(REGIONS), product, qty, price,
                         qty * price, person(rng)])
        rows[1:] = sorted(rows[1:], key=lambda row: row[0])
        book.sheet(month, rows, {1: 12, 3: 12, 7: 10}, {1: "yyyy-mm-dd", 5: "#,##0.00", 6: "#,##0.00"})
    return book


def person(rng):
    return rng.choice(SURNAMES) + rng.choice(GIVEN)


def staff(rng):
    people = []
    for i in range(1, 61):
        people.append(["E%04d" % i, person(rng), rng.choice(DEPARTMENTS), datetime.date(2010 + i % 14, i % 12 + 1, 1),
                       float(rng.randrange(6000, 30000, 500))])
    header = ["工号", "姓名", "部门", "入职日期", "月薪"]
    left = rng.sample(people, 6)
    joined = [["E%04d" % (61 + i), person(rng), rng.choice(DEPARTMENTS), datetime.date(2024, i + 1, 1),
               float(rng.randrange(6000, 20000, 500))] for i in range(8)]
    year2024 = []
    for p in people:
        if p in left:
            continue
        p = list(p)
        if rng.random() < 0.15:  # a raise or a move to another department
            p[4] += 1000.0
            if rng.random() < 0.5:
                p[2] = rng.choice(DEPARTMENTS)
        year2024.append(p)
    formats = {4: "yyyy-mm-dd", 5: "#,##0"}
    books = {}
    for name, rows in (("员工名单_2023", people), ("员工名单_2024", year2024 + joined), ("离职人员", left)):
        book = Book()
        book.sheet("员工", [header] + rows, {2: 10, 4: 12}, formats)
        books[name] = book
    return books


def branch_reports(rng, folder, xls):
    os.makedirs(folder, exist_ok=True)
    for branch in BRANCHES:
        book = Book()
        for quarter in ("第一季度", "第二季度"):
            rows = [["产品", "销量", "销售额"]]
            for product, price in PRODUCTS:
                qty = rng.randint(10, 300)
                rows.append([product, qty, qty * price])
            book.sheet(quarter, rows, {1: 12}, {3: "#,##0.00"})
        path = os.path.join(folder, branch)
        book.save_xls(path + ".xls") if xls else book.save_xlsx(path + ".xlsx")


def main():
    if len(sys.argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    rng = random.Random(2024)
    sales(rng).save(os.path.join(out, "销售明细"))
    for name, book in staff(rng).items():
        book.save(os.path.join(out, name))
    branch_reports(random.Random(7), os.path.join(out, "分店报表"), xls=False)
    branch_reports(random.Random(7), os.path.join(out, "分店报表_2003"), xls=True)
    print("示例工作簿已写入 %s" % out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
