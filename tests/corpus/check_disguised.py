#!/usr/bin/python3
"""Compares what the engine opens from each disguised file of the corpus (HTML tables, 2003 XML spreadsheets,
CSV/TSV text and wrong-name workbooks under workbook names) with the oracle of an independent reader
(../shared/corpus/disguised/make_oracle_disguised.py).

    check_disguised.py --dumper PATH/xls_corpus_dump

For each file: the sheets (names, order, visibility), every listed cell (type, value, date flag), the number of
non-empty cells and the merged areas. Files that are not workbooks must be refused with a message naming the
file. Where the oracle reads a cell differently from what a spreadsheet program shows (it is another program's
reading), the cell is listed in JUDGED with the reason, and the engine's reading is what is checked there.
Prints one line per differing file and a summary; exits 1 when any file differs.
"""
import argparse
import datetime
import json
import math
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.environ.get('TABRIX_CORPUS_DIR', os.path.join(HERE, '..', '..', '..', 'shared', 'corpus'))
SKIPPED = 77

# Refused although the oracle reads them (none: text without a delimiter is read as one column, as the oracle
# and a spreadsheet program read it).
NOT_TABLES = {}

def percent(cell):
    """"41.09%" is the number 0.4109 shown as a percentage, as typed into a cell; the oracle keeps the text."""
    m = re.match(r'^\s*([+-]?\d+(?:\.\d+)?)%\s*$', cell['v']) if cell['t'] == 's' else None
    return {'t': 'n', 'v': float(m.group(1) + 'e-2')} if m else None


def date_time(cell):
    """"2020-01-01 01:01:00" is a date and time (a serial number shown as a date), as typed into a cell."""
    m = re.match(r'^(\d{4})-(\d\d)-(\d\d)(?: (\d\d):(\d\d)(?::(\d\d))?)?$', cell['v']) if cell['t'] == 's' else None
    if not m:
        return None
    d = datetime.datetime(*[int(g or 0) for g in m.groups()])
    delta = d - datetime.datetime(1899, 12, 30)
    return {'t': 'n', 'v': delta.days + delta.seconds / 86400, 'date': True}


# file -> (rule, reason): cells the oracle reads as text where a spreadsheet program, and the engine, type them.
# The rule gives the reading checked instead, computed here independently of the engine.
JUDGED = {
    'easyexcel__demo.csv': (date_time, 'B2:B11 are dates with times; the oracle keeps every date as text'),
    'sheetjs__apachepoi_44861.xls.0.csv': (percent, 'L5:L27, B32:N32, N34:N35 are percentages; the oracle '
                                                   'keeps them as text'),
}

# file -> (sheets the engine gives instead of the oracle's, reason)
JUDGED_SHEETS = {
    'messytables__complex.html': (
        [{'name': 'Sheet1', 'visibility': 'visible', 'merged': [], 'cells_total': 1,
          'cells': [{'r': 'A1', 't': 's', 'v': 'head\nfoot\nbody'}]}],
        'a table nested in a cell is part of that cell (one line per row), not a sheet of its own; the oracle '
        'makes an empty Sheet1 and the nested table Sheet2'),
}


def load_oracle(name):
    with open(os.path.join(CORPUS, 'disguised', 'oracle', name + '.json'), encoding='utf-8') as fh:
        return json.load(fh)


def same_cell(expected, got):
    ref, t, v = got[0], got[1], got[2]
    if expected['t'] != t:
        return False
    if t == 'n':
        if not isinstance(v, (int, float)) or not math.isclose(float(v), expected['v'], rel_tol=1e-12, abs_tol=1e-9):
            return False
        return not expected.get('date') or got[3]
    return v == expected['v']


def compare_sheet(name, sheet, mine, problems):
    cells = {c[0]: c for c in mine.get('cells', []) if not (c[1] == 's' and c[2] == '')}
    rule = JUDGED.get(name, (lambda cell: None, ''))[0]
    for cell in sheet['cells']:
        where = '%s!%s' % (sheet['name'], cell['r'])
        replaced = rule(cell)
        if replaced:
            cell = dict(replaced, r=cell['r'])
        got = cells.get(cell['r'])
        if got is None:
            problems.append('%s: oracle %s %r, ours missing' % (where, cell['t'], cell['v']))
        elif not same_cell(cell, got):
            problems.append('%s: oracle %s %r%s, ours %s %r%s' % (where, cell['t'], cell['v'],
                            ' (date)' if cell.get('date') else '', got[1], got[2],
                            ' (date)' if len(got) > 3 and got[3] else ''))
    if not sheet.get('capped') and len(cells) != sheet['cells_total']:
        problems.append('%s: %d non-empty cells, oracle %d' % (sheet['name'], len(cells), sheet['cells_total']))
    if set(sheet['merged']) != set(mine.get('merged', [])):
        problems.append('%s: merged %s, oracle %s' % (sheet['name'], sorted(mine.get('merged', [])),
                                                      sorted(sheet['merged'])))


def compare(name, oracle, mine):
    if not oracle.get('ok') or name in NOT_TABLES:
        if mine['ok']:
            return ['read without error, expected a refusal']
        if name not in mine['error'] or '不是' not in mine['error']:
            return ['the refusal does not say which file is not a workbook: ' + mine['error']]
        return []
    if not mine['ok']:
        return ['read failed: ' + mine['error']]
    sheets = oracle['sheets']
    if name in JUDGED_SHEETS:
        sheets = JUDGED_SHEETS[name][0]
    problems = []
    theirs = [(s['name'], s['visibility']) for s in sheets]
    ours = [(s['name'], s['visibility']) for s in mine['sheets']]
    if theirs != ours:
        return ['sheets %s, oracle %s' % (ours, theirs)]
    for sheet, mysheet in zip(sheets, mine['sheets']):
        compare_sheet(name, sheet, mysheet, problems)
    return problems


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--dumper', required=True)
    a = ap.parse_args()
    files = os.path.join(CORPUS, 'disguised', 'files')
    if not os.path.isdir(files):
        print('skipped: the disguised-file corpus was not found (%s)' % files)
        return SKIPPED
    failed = refused = judged = 0
    names = sorted(os.listdir(files))
    for name in names:
        oracle = load_oracle(name)
        run = subprocess.run([a.dumper, '--by-content', os.path.join(files, name)], capture_output=True, timeout=120)
        try:
            mine = json.loads(run.stdout.decode('utf-8'))
        except ValueError:
            failed += 1
            print('%s: dumper failed (exit %d): %s' % (name, run.returncode, run.stderr.decode('utf-8', 'replace')[-300:]))
            continue
        problems = compare(name, oracle, mine)
        if problems:
            failed += 1
            print('%s: %d differences' % (name, len(problems)))
            for p in problems[:8]:
                print('    ' + p)
            continue
        if not mine['ok']:
            refused += 1
            print('%s: refused as expected: %s' % (name, mine['error']))
        if name in JUDGED or name in JUDGED_SHEETS:
            judged += 1
    opened = len(names) - refused - failed
    print('%d disguised files: %d open and agree with their oracles (%d of them apart from the cells listed as '
          'judged), %d refused as not workbooks, %d differ' % (len(names), opened, judged, refused, failed))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
