"""Checks a written .xlsx package: every XML part against the ISO/IEC 29500 transitional and OPC schemas in
tests/ooxml-schema, and the rules spreadsheet programs enforce that the schemas do not."""
import os
import re
import zipfile

from lxml import etree

BASE = os.path.join(os.path.dirname(__file__), "..", "ooxml-schema")
KINDS = {
    "http://schemas.openxmlformats.org/spreadsheetml/2006/main": "29500T/sml.xsd",
    "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing": "29500T/dml-spreadsheetDrawing.xsd",
    "http://schemas.openxmlformats.org/drawingml/2006/chart": "29500T/dml-chart.xsd",
    "http://schemas.openxmlformats.org/drawingml/2006/main": "29500T/dml-main.xsd",
    "http://schemas.openxmlformats.org/package/2006/content-types": "OPC/opc-contentTypes.xsd",
    "http://schemas.openxmlformats.org/package/2006/relationships": "OPC/opc-relationships.xsd",
    "http://schemas.openxmlformats.org/package/2006/metadata/core-properties": "OPC/opc-coreProperties.xsd",
    "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties":
        "29500T/shared-documentPropertiesExtended.xsd",
}
MAIN = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
MC = "{http://schemas.openxmlformats.org/markup-compatibility/2006}"
XML_SPACE = "{http://www.w3.org/XML/1998/namespace}space"


class _LocalCopies(etree.Resolver):
    """Schemas imported by URL (Dublin Core, xml.xsd) are read from others/."""

    def resolve(self, url, pubid, context):
        local = os.path.join(BASE, "others", url.rsplit("/", 1)[-1])
        if url.startswith("http") and os.path.exists(local):
            return self.resolve_filename(local, context)
        return None


_schemas = {}


def _schema(namespace):
    if namespace not in _schemas:
        parser = etree.XMLParser()
        parser.resolvers.add(_LocalCopies())
        _schemas[namespace] = etree.XMLSchema(etree.parse(os.path.join(BASE, KINDS[namespace]), parser))
    return _schemas[namespace]


def _as_consumers_read(doc):
    """Markup Compatibility as every consumer applies it (chart parts copied from a source use it): an
    AlternateContent becomes its Fallback, ignorable namespaces go; xml:space, which the schemas leave out, too."""
    ignorable = set()
    for el in doc.iter():
        if isinstance(el.tag, str) and el.get(MC + "Ignorable"):
            ignorable |= {el.nsmap.get(prefix) for prefix in el.get(MC + "Ignorable").split()}
    for alt in list(doc.iter(MC + "AlternateContent")):
        parent, fallback = alt.getparent(), alt.find(MC + "Fallback")
        at = parent.index(alt)
        parent.remove(alt)
        for child in reversed(list(fallback) if fallback is not None else []):
            parent.insert(at, child)
    for el in list(doc.iter()):
        if not isinstance(el.tag, str):
            continue
        if etree.QName(el).namespace in ignorable and el.getparent() is not None:
            el.getparent().remove(el)
            continue
        for attr in list(el.attrib):
            if attr == XML_SPACE or attr.startswith(MC) or (attr.startswith("{") and attr[1:].split("}")[0] in ignorable):
                del el.attrib[attr]
    return doc


def _count_matches(doc, part, faults):
    for el in doc.iter():
        if isinstance(el.tag, str) and el.get("count") is not None and el.tag != MAIN + "tableStyles":
            if int(el.get("count")) != len(el):
                faults.append("%s: <%s count=%s> has %d children" % (part, etree.QName(el).localname,
                                                                     el.get("count"), len(el)))


def _styles_rules(doc, faults):
    fills = doc.find(MAIN + "fills")
    kinds = [f.find(MAIN + "patternFill").get("patternType") for f in fills][:2]
    if kinds != ["none", "gray125"]:
        faults.append("styles: the first two fills are %s" % kinds)
    if not len(doc.find(MAIN + "cellXfs")):
        faults.append("styles: no cell format 0")
    names = [s.get("name") for s in doc.iter(MAIN + "cellStyle")]
    if "Normal" not in names:
        faults.append("styles: no Normal cell style")


def _cells(ref):
    m = re.fullmatch(r"([A-Z]+)(\d+)(?::([A-Z]+)(\d+))?", ref)
    col = lambda s: sum((ord(c) - 64) * 26 ** i for i, c in enumerate(reversed(s)))
    r1, c1 = int(m.group(2)), col(m.group(1))
    r2, c2 = (int(m.group(4)), col(m.group(3))) if m.group(3) else (r1, c1)
    return r1, c1, r2, c2


def _sheet_rules(doc, part, faults):
    areas = [_cells(m.get("ref")) for m in doc.iter(MAIN + "mergeCell")]
    for i, a in enumerate(areas):
        for b in areas[i + 1:]:
            if a[0] <= b[2] and b[0] <= a[2] and a[1] <= b[3] and b[1] <= a[3]:
                faults.append("%s: merged areas overlap" % part)


def check_package(path, skip_parts=()):
    """Returns the faults of the package at path (empty when it is sound); parts named in skip_parts (copied
    unchanged from a source) are not schema-checked."""
    faults = []
    with zipfile.ZipFile(path) as z:
        names = z.namelist()
        types = etree.fromstring(z.read("[Content_Types].xml"))
        defaults = {d.get("Extension").lower() for d in types if d.tag.endswith("Default")}
        overrides = {o.get("PartName").lower() for o in types if o.tag.endswith("Override")}
        for part in names:
            if "/" + part.lower() not in overrides and part.rsplit(".", 1)[-1].lower() not in defaults:
                faults.append("%s: no content type" % part)
            if not part.endswith((".xml", ".rels")):
                continue
            doc = _as_consumers_read(etree.fromstring(z.read(part)))
            namespace = etree.QName(doc).namespace
            if part not in skip_parts and namespace in KINDS:
                schema = _schema(namespace)
                if not schema.validate(doc):
                    faults.append("%s: %s" % (part, schema.error_log.filter_from_errors()[0].message[:200]))
            if namespace == MAIN[1:-1]:
                _count_matches(doc, part, faults)
                if part == "xl/styles.xml":
                    _styles_rules(doc, faults)
                elif part.startswith("xl/worksheets/"):
                    _sheet_rules(doc, part, faults)
                elif part == "xl/workbook.xml":
                    tabs = [s.get("name") for s in doc.iter(MAIN + "sheet")]
                    if len({t.lower() for t in tabs}) != len(tabs) or any(len(t) > 31 for t in tabs):
                        faults.append("workbook: tab names %s" % tabs)
    return faults
