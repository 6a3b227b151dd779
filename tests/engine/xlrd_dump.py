"""Prints what xlrd (an independent reader) sees in an .xls file, for the C++ writer tests.

One `key<TAB>value` line per fact; values are JSON strings. Keys:
  book.sheets (names joined by |), book.datemode, book.names (name@scope:hidden joined by |),
  name.<name>@<scope> (what xlrd evaluates the name to)
  <sheet>.visibility (0 visible, 1 hidden, 2 very hidden), .active, .selected, .nrows, .ncols, .merged,
  .defcolwidth, .defaultRowHeight
  <sheet>.col.<LETTER>.width|hidden|font       <sheet>.row.<N>.height|hidden|custom|fill
  <sheet>!<CELL>.type (text, number, date, bool, error, blank), .value, .hex, .fmt, .font, .fill, .border,
  .align, .prot
With --values, cells get only type, value and hex. With --summary, per sheet only: cells (non-blank count),
numbers (their sum), textChars (total length), and the cells listed after --sample (comma-separated A1 names).
"""
import json
import sys

import xlrd
from xlrd.formula import cellname, colname

TYPES = {xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number", xlrd.XL_CELL_DATE: "date",
         xlrd.XL_CELL_BOOLEAN: "bool", xlrd.XL_CELL_ERROR: "error", xlrd.XL_CELL_BLANK: "blank"}


def emit(key, value):
    print("%s\t%s" % (key, json.dumps(str(value), ensure_ascii=False)))


def rgb(book, index):
    c = book.colour_map.get(index)
    return "auto" if c is None else "%02X%02X%02X" % c


def font_text(book, f):
    return "%s|%d|b%d|i%d|u%d|s%d|e%d|%s" % (f.name, f.height, f.bold, f.italic, f.underline_type,
                                              f.struck_out, f.escapement, rgb(book, f.colour_index))


def fill_text(book, xf):
    bg = xf.background
    if bg.fill_pattern == 0:
        return "none"
    return "%d|fg=%s|bg=%s" % (bg.fill_pattern, rgb(book, bg.pattern_colour_index),
                               rgb(book, bg.background_colour_index))


def border_text(book, b):
    def side(style, colour):
        return "%d/%s" % (style, rgb(book, colour) if style else "-")
    diag = ("up" if b.diag_up else "") + ("down" if b.diag_down else "")
    return "l=%s r=%s t=%s b=%s d=%s:%s" % (
        side(b.left_line_style, b.left_colour_index), side(b.right_line_style, b.right_colour_index),
        side(b.top_line_style, b.top_colour_index), side(b.bottom_line_style, b.bottom_colour_index),
        side(b.diag_line_style, b.diag_colour_index), diag or "-")


def align_text(a):
    return "h=%d v=%d wrap=%d shrink=%d indent=%d rot=%d" % (a.hor_align, a.vert_align, a.text_wrapped,
                                                               a.shrink_to_fit, a.indent_level, a.rotation)


def value_text(book, cell):
    if cell.ctype in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_DATE):
        return repr(cell.value)
    if cell.ctype == xlrd.XL_CELL_ERROR:
        return xlrd.error_text_from_code.get(cell.value, "?%d" % cell.value)
    if cell.ctype == xlrd.XL_CELL_BOOLEAN:
        return "TRUE" if cell.value else "FALSE"
    return cell.value


def cell_lines(book, sh, r, c, values_only):
    cell = sh.cell(r, c)
    if cell.ctype == xlrd.XL_CELL_EMPTY:
        return
    key = "%s!%s" % (sh.name, cellname(r, c))
    emit(key + ".type", TYPES[cell.ctype])
    emit(key + ".value", value_text(book, cell))
    if cell.ctype in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_DATE):
        emit(key + ".hex", float(cell.value).hex())
    if values_only:
        return
    xf = book.xf_list[cell.xf_index]
    emit(key + ".fmt", book.format_map[xf.format_key].format_str)
    emit(key + ".font", font_text(book, book.font_list[xf.font_index]))
    emit(key + ".fill", fill_text(book, xf))
    emit(key + ".border", border_text(book, xf.border))
    emit(key + ".align", align_text(xf.alignment))
    emit(key + ".prot", "locked=%d hidden=%d" % (xf.protection.cell_locked, xf.protection.formula_hidden))


def sheet_lines(book, sh):
    name = sh.name
    emit(name + ".visibility", sh.visibility)
    emit(name + ".active", sh.sheet_visible)
    emit(name + ".selected", sh.sheet_selected)
    emit(name + ".nrows", sh.nrows)
    emit(name + ".ncols", sh.ncols)
    emit(name + ".merged", " ".join("%s:%s" % (cellname(r1, c1), cellname(r2 - 1, c2 - 1))
                                    for r1, r2, c1, c2 in sorted(sh.merged_cells)))
    emit(name + ".defcolwidth", sh.defcolwidth)
    emit(name + ".defaultRowHeight", sh.default_row_height)
    for c, info in sorted(sh.colinfo_map.items()):
        emit("%s.col.%s.width" % (name, colname(c)), info.width)
        emit("%s.col.%s.hidden" % (name, colname(c)), info.hidden)
        emit("%s.col.%s.font" % (name, colname(c)),
             font_text(book, book.font_list[book.xf_list[info.xf_index].font_index]))
    for r, info in sorted(sh.rowinfo_map.items()):
        emit("%s.row.%d.height" % (name, r + 1), info.height)
        emit("%s.row.%d.hidden" % (name, r + 1), info.hidden)
        emit("%s.row.%d.custom" % (name, r + 1), info.height_mismatch)
        emit("%s.row.%d.fill" % (name, r + 1),
             fill_text(book, book.xf_list[info.xf_index]) if info.has_default_xf_index else "none")


def summary_lines(book, sh, samples):
    cells = numbers = chars = 0
    total = 0.0
    for r in range(sh.nrows):
        for cell in sh.row(r):
            if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                continue
            cells += 1
            if cell.ctype == xlrd.XL_CELL_NUMBER:
                numbers += 1
                total += cell.value
            elif cell.ctype == xlrd.XL_CELL_TEXT:
                chars += len(cell.value)
    emit(sh.name + ".nrows", sh.nrows)
    emit(sh.name + ".ncols", sh.ncols)
    emit(sh.name + ".cells", cells)
    emit(sh.name + ".numbers", numbers)
    emit(sh.name + ".sum", repr(total))
    emit(sh.name + ".textChars", chars)
    for name in samples:
        r, c = a1(name)
        if r < sh.nrows and c < sh.row_len(r):
            cell = sh.cell(r, c)
            emit("%s!%s.value" % (sh.name, name), value_text(book, cell))


def name_text(book, n):
    """What a name refers to as xlrd evaluates it: the result's kind and text, e.g. oREF:Sheet1!$A$1."""
    res = n.result
    if res is None:
        return "?"
    return "%s:%s" % (xlrd.formula.okind_dict.get(res.kind, res.kind), res.text)


def a1(name):
    letters = name.rstrip("0123456789")
    col = 0
    for ch in letters:
        col = col * 26 + ord(ch) - 64
    return int(name[len(letters):]) - 1, col - 1


def main(argv):
    sys.stdout.reconfigure(encoding="utf-8", errors="backslashreplace")
    path = argv[1]
    summary = "--summary" in argv
    samples = argv[argv.index("--sample") + 1].split(",") if "--sample" in argv else []
    book = xlrd.open_workbook(path, formatting_info=not summary, ragged_rows=True)
    emit("book.sheets", "|".join(book.sheet_names()))
    emit("book.datemode", book.datemode)
    if not summary:
        emit("book.names", "|".join("%s@%d:%d" % (n.name, n.scope, n.hidden) for n in book.name_obj_list))
        for n in book.name_obj_list:
            emit("name.%s@%d" % (n.name, n.scope), name_text(book, n))
    for sh in book.sheets():
        if summary:
            summary_lines(book, sh, samples)
            continue
        sheet_lines(book, sh)
        for r in range(sh.nrows):
            for c in range(sh.row_len(r)):
                cell_lines(book, sh, r, c, "--values" in argv)


if __name__ == "__main__":
    main(sys.argv)
