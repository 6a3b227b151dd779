#!/usr/bin/python3
"""pandas peer of compare --changes --lenient: keys and text values normalised the way --lenient does (white space
around them dropped, U+3000 and U+00A0 included; full-width ASCII forms as half-width ones), rows of RIGHT with a
full match in LEFT, the rows of each side without one, and each changed row of RIGHT paired with LEFT's row of
the same key, the differing columns listed. Written with xlsxwriter (the pairs without cell fills).

    pandas_compare_changes.py LEFT.xlsx RIGHT.xlsx OUT.xlsx
"""
import sys
import warnings

import pandas as pd

warnings.simplefilter("ignore", FutureWarning)

FULL_WIDTH = {code: code - 0xFEE0 for code in range(0xFF01, 0xFF5F)}
BLANKS = " \t\r\n\u3000\u00a0"


def lenient(frame):
    out = frame.copy()
    for column in out.columns:
        if out[column].dtype == object:
            out[column] = out[column].map(lambda v: v.strip(BLANKS).translate(FULL_WIDTH) if isinstance(v, str) else v)
    return out


def main(left_path, right_path, out_path):
    left = pd.read_excel(left_path, engine="openpyxl")
    right = pd.read_excel(right_path, engine="openpyxl")
    key = left.columns[0]
    right = right.rename(columns={right.columns[0]: key})
    nl, nr = lenient(left), lenient(right)
    nl["_key"] = nl[key].astype(str).str.lower()
    nr["_key"] = nr[key].astype(str).str.lower()
    others = [c for c in left.columns[1:] if c in right.columns]
    m = nr.reset_index().merge(nl.reset_index(), on="_key", how="left", suffixes=("_r", "_l"))
    equal = m["index_l"].notna()
    for c in others:
        a, b = m[c + "_l"], m[c + "_r"]
        equal &= (a == b) | (a.isna() & b.isna())
    full = set(m.loc[equal, "index_r"])
    changed = m[~m["index_r"].isin(full) & m["index_l"].notna()].drop_duplicates("index_r")
    same = right.loc[sorted(full)]
    only_right = right.drop(index=list(full))
    matched_left = set(m.loc[equal, "index_l"].astype(int))
    only_left = left.drop(index=list(matched_left))
    pairs = []
    for _, row in changed.iterrows():
        pairs.append(["left"] + list(left.loc[int(row["index_l"])]))
        pairs.append(["right"] + list(right.loc[int(row["index_r"])]))
        pairs.append([None] * (len(left.columns) + 1))
    with pd.ExcelWriter(out_path, engine="xlsxwriter") as writer:
        same.to_excel(writer, sheet_name="same", index=False)
        only_left.to_excel(writer, sheet_name="only_left", index=False)
        only_right.to_excel(writer, sheet_name="only_right", index=False)
        pd.DataFrame(pairs, columns=["来源"] + list(right.columns)).to_excel(writer, sheet_name="changes", index=False)
    print("same %d, changed %d" % (len(same), len(changed)))


if __name__ == "__main__":
    main(*sys.argv[1:4])
