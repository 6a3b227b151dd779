#!/usr/bin/python3
"""Compares what our 2003-format reader sees in every .xls of the corpus with the oracle of an independent reader
(xlrd, see ../shared/corpus/make_oracle.py).

    check_xls_corpus.py --dumper PATH/xls_corpus_dump

For each workbook: the sheet list (names, kinds, visibility); for each worksheet the oracle lists, every listed
cell (type, value, date flag), the number of non-empty cells and the merged areas. Encrypted files and files that
are not workbooks must fail with a clear message instead. Prints one line per differing file and a summary; exits
1 when any file differs.
"""
import argparse
import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
from corpus_location import CORPUS, skip_without_corpus  # noqa: E402


# Kinds xlrd's directory names differently from ours: a dialog sheet is a BOUNDSHEET of type 0 like a
# worksheet, and an Excel 5 VB module is kept as a macro sheet.
SAME_KIND = {('worksheet', 'dialog'), ('vbmodule', 'macro')}


def same_number(expected, got):
    if expected.get('nonfinite'):
        return isinstance(got, str)
    return isinstance(got, (int, float)) and float(got) == expected['v']


def compare_cells(sheet, mine, problems):
    cells = {c[0]: c for c in mine.get('cells', []) if not (c[1] == 's' and c[2] == '')}
    for cell in sheet['cells']:
        got = cells.get(cell['r'])
        where = '%s!%s' % (sheet['name'], cell['r'])
        if got is None:
            problems.append('%s: oracle %s %r, ours missing' % (where, cell['t'], cell['v']))
        elif got[1] != cell['t']:
            problems.append('%s: oracle %s %r, ours %s %r' % (where, cell['t'], cell['v'], got[1], got[2]))
        elif cell['t'] == 'n' and not same_number(cell, got[2]):
            problems.append('%s: oracle %r, ours %r' % (where, cell['v'], got[2]))
        elif cell['t'] == 'n' and bool(cell.get('date')) != got[3]:
            problems.append('%s: oracle date=%s (format %r), ours date=%s' % (where, cell.get('date'),
                                                                             cell.get('fmt'), got[3]))
        elif cell['t'] != 'n' and got[2] != cell['v']:
            problems.append('%s: oracle %r, ours %r' % (where, cell['v'], got[2]))
    if len(cells) != sheet['cells_total']:
        problems.append('%s: %d non-empty cells, oracle %d' % (sheet['name'], len(cells), sheet['cells_total']))
    if len(sheet['merged']) < 500 and set(sheet['merged']) != set(mine.get('merged', [])):
        problems.append('%s: merged %s, oracle %s' % (sheet['name'], sorted(mine.get('merged', []))[:6],
                                                      sorted(sheet['merged'])[:6]))


def compare(oracle, mine):
    problems = []
    if oracle.get('encrypted') or oracle.get('container') in ('ole-other', 'text'):
        if mine['ok']:
            problems.append('read without error, expected a refusal')
        elif oracle.get('encrypted') and '工作簿设有密码' not in mine['error']:
            problems.append('error does not say the file is password-protected: ' + mine['error'])
        return problems
    if not mine['ok']:
        return ['read failed: ' + mine['error']]
    if oracle.get('ok') and (oracle.get('date_system') == 1904) != mine['date1904']:
        problems.append('date system differs')
    theirs = [(s['name'], s['kind'], s['visibility']) for s in oracle.get('sheets', [])]
    ours = [(s['name'], s['kind'], s['visibility']) for s in mine['sheets']]
    if theirs and [(n, v) for n, _, v in theirs] != [(n, v) for n, _, v in ours]:
        problems.append('sheets %s, oracle %s' % (ours, theirs))
        return problems
    for (_, k1, _), (name, k2, _) in zip(theirs, ours):
        if k1 != k2 and (k1, k2) not in SAME_KIND:
            problems.append('%s: kind %s, oracle %s' % (name, k2, k1))
    for sheet, mysheet in zip(oracle.get('sheets', []), mine['sheets']):
        if 'cells' in sheet:
            compare_cells(sheet, mysheet, problems)
    return problems


def workbooks():
    for sub in ('', 'disguised'):
        files = os.path.join(CORPUS, sub, 'files')
        for name in sorted(os.listdir(files)):
            with open(os.path.join(CORPUS, sub, 'oracle', name + '.json'), encoding='utf-8') as fh:
                oracle = json.load(fh)
            container = oracle.get('container')
            if (container is None and name.lower().endswith('.xls')) or container in ('xls', 'ole-other') or \
                    (container and name.lower().endswith('.xls')):
                yield os.path.join(files, name), oracle


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--dumper', required=True)
    a = ap.parse_args()
    failed = checked = 0
    for path, oracle in workbooks():
        run = subprocess.run([a.dumper, path], capture_output=True, timeout=300)
        name = os.path.basename(path)
        checked += 1
        try:
            mine = json.loads(run.stdout.decode('utf-8'))
        except ValueError:
            failed += 1
            print('%s: dumper failed (exit %d): %s' % (name, run.returncode,
                                                       run.stderr.decode('utf-8', 'replace')[-500:]))
            continue
        problems = compare(oracle, mine)
        if problems:
            failed += 1
            print('%s: %d differences' % (name, len(problems)))
            for p in problems[:6]:
                print('    ' + p)
    print('%d .xls workbooks compared with their oracles, %d pass, %d differ' % (checked, checked - failed, failed))
    return 1 if failed else 0


if __name__ == '__main__':
    skip_without_corpus()
    sys.exit(main())
