#!/usr/bin/python3
"""Compares what our xlsx reader sees in the corpus with the oracles of an independent reader (openpyxl).

Each dump is a text file per workbook: a line "# sheet NAME" per worksheet, then one line per non-empty cell,
"ADDRESS<TAB>TYPE<TAB>VALUE" (TYPE n or d for numbers, s text, b boolean, e error; text escaped as
\\t \\n \\r \\\\), the form `tabrix-cli dump` prints.

    check_corpus.py --dumps DIR        # DIR/NAME.dump for each corpus workbook NAME
    check_corpus.py --cli PATH         # run PATH dump on each corpus workbook

Exits 1 when a workbook's cells differ from its oracle, listing the first differences.
"""
import argparse
import json
import math
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.environ.get('TABRIX_CORPUS_DIR', os.path.join(HERE, '..', '..', '..', 'shared', 'corpus'))


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == '\\' and i + 1 < len(text):
            out.append({'t': '\t', 'n': '\n', 'r': '\r', '\\': '\\'}.get(text[i + 1], text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return ''.join(out)


def parse_dump(text):
    sheets, cells = {}, None
    for line in text.split('\n'):
        if line.startswith('# sheet '):
            name = line[len('# sheet '):]
            # the CLI appends " rows=R cols=C"
            parts = name.rsplit(' rows=', 1)
            cells = sheets.setdefault(parts[0], {})
        elif line and cells is not None:
            fields = line.split('\t')
            if len(fields) >= 3:
                cells[fields[0]] = (fields[1], unescape(fields[2]))
    return sheets


def decode_escapes(text):
    """openpyxl leaves some _xHHHH_ escapes (lower-case hex, control characters) as they are; the application
    decodes them, and so do we."""
    return re.sub(r'_x([0-9A-Fa-f]{4})_', lambda m: chr(int(m.group(1), 16)), text)


def col_number(letters):
    n = 0
    for ch in letters:
        n = n * 26 + ord(ch) - 64
    return n


def merged_tails(sheet):
    """Cells inside a merged range other than its first: openpyxl drops their values, we keep what the file has."""
    out = set()
    for rng in sheet.get('merged', []):
        m = re.match(r'([A-Z]+)(\d+):([A-Z]+)(\d+)$', rng)
        if not m:
            continue
        c0, r0, c1, r1 = col_number(m.group(1)), int(m.group(2)), col_number(m.group(3)), int(m.group(4))
        for r in range(r0, r1 + 1):
            for c in range(c0, c1 + 1):
                if (r, c) != (r0, c0):
                    out.add((r, c))
    return out


def address(ref):
    m = re.match(r'([A-Z]+)(\d+)$', ref)
    return int(m.group(2)), col_number(m.group(1))


def same_value(expected, got):
    etype, evalue = expected['t'], expected['v']
    gtype, gvalue = got
    if etype == 'n':
        if gtype not in ('n', 'd') or expected.get('nonfinite'):
            return expected.get('nonfinite', False)
        try:
            g = float(gvalue)
        except ValueError:
            return False
        return math.isclose(g, evalue, rel_tol=1e-12, abs_tol=1e-300)
    if etype == 'b':
        return gtype == 'b' and gvalue.upper() in (('TRUE', '1') if evalue else ('FALSE', '0'))
    return gtype == etype and (gvalue == evalue or gvalue == decode_escapes(evalue))


def compare(oracle, dump):
    problems = []
    for sheet in oracle.get('sheets', []):
        if 'cells' not in sheet:
            continue
        got = dump.get(sheet['name'])
        if got is None:
            problems.append('sheet %r missing' % sheet['name'])
            continue
        for cell in sheet['cells']:
            mine = got.get(cell['r'])
            if mine is None or not same_value(cell, mine):
                problems.append('%s!%s: oracle %s %r, ours %r' % (sheet['name'], cell['r'], cell['t'], cell['v'], mine))
        tails = merged_tails(sheet)
        nonempty = sum(1 for ref, (t, v) in got.items()
                       if not (t == 's' and v == '') and address(ref) not in tails)
        if not sheet.get('capped') and nonempty != sheet['cells_total']:
            problems.append('%s: %d cells, oracle %d' % (sheet['name'], nonempty, sheet['cells_total']))
    return problems


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--dumps')
    ap.add_argument('--cli')
    a = ap.parse_args()
    failed = checked = 0
    for sub in ('', 'disguised'):
        files = os.path.join(CORPUS, sub, 'files')
        oracles = os.path.join(CORPUS, sub, 'oracle')
        for name in sorted(os.listdir(files)):
            if not name.lower().endswith(('.xlsx', '.xlsm')):
                continue
            with open(os.path.join(oracles, name + '.json'), encoding='utf-8') as fh:
                oracle = json.load(fh)
            if not oracle.get('ok') or oracle.get('container', 'xlsx') != 'xlsx':
                continue
            if a.cli:
                run = subprocess.run([a.cli, 'dump', os.path.join(files, name)], capture_output=True)
                text = run.stdout.decode('utf-8', 'replace')
            else:
                path = os.path.join(a.dumps, name + '.dump')
                if not os.path.exists(path):
                    print('%s: no dump' % name)
                    failed += 1
                    continue
                with open(path, encoding='utf-8', errors='replace') as fh:
                    text = fh.read()
            checked += 1
            problems = compare(oracle, parse_dump(text))
            if problems:
                failed += 1
                print('%s: %d differences' % (name, len(problems)))
                for p in problems[:5]:
                    print('    ' + p)
    print('%d workbooks compared with their oracles, %d differ' % (checked, failed))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
