"""Prints what openpyxl reads from an xlsx file as flat `key<TAB>json-string` lines, for the C++ writer tests.

Keys: `book.active`, `book.date1904`, `book.sheets`, `name.<NAME>[@<localSheetId>]` (value `formula|hidden`),
`<sheet>.state`, `<sheet>.defaultRowHeight`, `<sheet>.merged`, `<sheet>.col.<LETTER>.width|hidden|style`,
`<sheet>.row.<N>.height|hidden`, `<sheet>!<CELL>.value|type|hex|formula|cached|cachedType|numfmt|font|fill|
border|align|prot|styled`.
"""
import json
import sys
import zipfile
from xml.etree import ElementTree

import openpyxl


def color(c):
    if c is None:
        return "auto"
    if c.type == "rgb":
        return str(c.rgb)
    if c.type == "theme":
        return "theme%d" % c.theme
    if c.type == "indexed":
        return "idx%d" % c.indexed
    return "auto"


def side(s):
    return "%s/%s" % (s.style or "none", color(s.color) if s.style else "-")


def font_text(f):
    return "%s|%g|b%d|i%d|u=%s|s%d|%s|va=%s" % (f.name, f.sz or 0, bool(f.b), bool(f.i), f.u or "none",
                                                 bool(f.strike), color(f.color), f.vertAlign or "none")


def fill_text(f):
    pattern = getattr(f, "patternType", None) or "none"
    if pattern == "none":
        return "none"
    return "%s|fg=%s|bg=%s" % (pattern, color(f.fgColor), color(f.bgColor))


def border_text(b):
    diag = "up" if b.diagonalUp else ""
    diag += "down" if b.diagonalDown else ""
    return "l=%s r=%s t=%s b=%s d=%s:%s" % (side(b.left), side(b.right), side(b.top), side(b.bottom),
                                            side(b.diagonal), diag or "-")


def align_text(a):
    return "h=%s v=%s wrap=%d shrink=%d indent=%d rot=%d" % (a.horizontal or "general", a.vertical or "bottom",
                                                              bool(a.wrap_text), bool(a.shrink_to_fit),
                                                              int(a.indent or 0), int(a.text_rotation or 0))


def emit(key, value):
    print("%s\t%s" % (key, json.dumps(value if isinstance(value, str) else str(value), ensure_ascii=False)))


def cell_lines(prefix, cell, cached):
    value = cell.value
    emit(prefix + ".type", cell.data_type)
    if cell.data_type == "f":
        emit(prefix + ".formula", value)
        emit(prefix + ".cached", "" if cached.value is None else repr(cached.value))
        emit(prefix + ".cachedType", cached.data_type)
    elif isinstance(value, float) or isinstance(value, int) and not isinstance(value, bool):
        emit(prefix + ".value", repr(value))
        emit(prefix + ".hex", float(value).hex())
    elif value is not None:
        emit(prefix + ".value", value.isoformat() if hasattr(value, "isoformat") else str(value))
    emit(prefix + ".numfmt", cell.number_format)
    emit(prefix + ".styled", int(cell.has_style and cell.style_id != 0))
    emit(prefix + ".font", font_text(cell.font))
    emit(prefix + ".fill", fill_text(cell.fill))
    emit(prefix + ".border", border_text(cell.border))
    emit(prefix + ".align", align_text(cell.alignment))
    emit(prefix + ".prot", "locked=%d hidden=%d" % (bool(cell.protection.locked), bool(cell.protection.hidden)))


def sheet_lines(ws, cached_ws):
    name = ws.title
    emit(name + ".state", ws.sheet_state)
    emit(name + ".defaultRowHeight", "%g" % ws.sheet_format.defaultRowHeight)
    emit(name + ".merged", " ".join(sorted(str(r) for r in ws.merged_cells.ranges)))
    for letter, dim in ws.column_dimensions.items():
        emit("%s.col.%s.width" % (name, letter), "%g" % dim.width)
        emit("%s.col.%s.range" % (name, letter), "%d:%d" % (dim.min or 0, dim.max or 0))
        emit("%s.col.%s.hidden" % (name, letter), int(bool(dim.hidden)))
        emit("%s.col.%s.font" % (name, letter), font_text(dim.font))
    for index, dim in ws.row_dimensions.items():
        emit("%s.row.%d.height" % (name, index), "%g" % dim.ht if dim.ht is not None else "default")
        emit("%s.row.%d.hidden" % (name, index), int(bool(dim.hidden)))
        emit("%s.row.%d.fill" % (name, index), fill_text(dim.fill) if dim.s else "none")
    for row in ws.iter_rows():
        for cell in row:
            if cell.value is None and not cell.has_style:
                continue
            cell_lines("%s!%s" % (name, cell.coordinate), cell, cached_ws[cell.coordinate])


def sheet_states(path):
    ns = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
    with zipfile.ZipFile(path) as z:
        root = ElementTree.fromstring(z.read("xl/workbook.xml"))
    return {s.get("name"): s.get("state", "visible") for s in root.iter(ns + "sheet")}


def defined_names(wb):
    """Every defined name, global and sheet-local: openpyxl before 3.1 keeps them all in one list, later releases
    keep the global ones in a dict on the workbook and the local ones on each worksheet (with no localSheetId)."""
    names = wb.defined_names
    if hasattr(names, "definedName"):
        return list(names.definedName)
    found = list(names.values())
    for ws in wb.worksheets:
        for dn in ws.defined_names.values():
            dn.localSheetId = wb.sheetnames.index(ws.title) if dn.localSheetId is None else dn.localSheetId
            found.append(dn)
    return found


def main(path):
    wb = openpyxl.load_workbook(path)
    cached = openpyxl.load_workbook(path, data_only=True)
    emit("book.sheets", "|".join(wb.sheetnames))
    emit("book.active", wb.sheetnames.index(wb.active.title) if wb.active is not None else -1)
    emit("book.date1904", int(wb.epoch.year == 1904))
    for dn in defined_names(wb):
        scope = "" if dn.localSheetId is None else "@%d" % dn.localSheetId
        emit("name.%s%s" % (dn.name, scope), "%s|%d" % (dn.attr_text, bool(dn.hidden)))
    for ws in wb.worksheets:
        sheet_lines(ws, cached[ws.title])
    # openpyxl leaves a chart sheet's state at "visible" whatever the workbook part says; read it there.
    states = sheet_states(path)
    for cs in wb.chartsheets:
        emit(cs.title + ".state", states.get(cs.title, "visible"))
        emit(cs.title + ".charts", len(cs._charts))
        if cs._charts and cs._charts[0].series:
            emit(cs.title + ".series", cs._charts[0].series[0].val.numRef.f)


if __name__ == "__main__":
    main(sys.argv[1])
