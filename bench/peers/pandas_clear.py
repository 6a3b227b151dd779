#!/usr/bin/python3
"""pandas peer of the clear: the rows of DATA's first sheet without an equal row in REMOVAL's first sheet, in
their order, on the columns the removal sheet has (an anti-join with merge's indicator).

    pandas_clear.py DATA.xlsx REMOVAL.xlsx OUT.xlsx
"""
import sys
import warnings

import pandas as pd

warnings.simplefilter("ignore", FutureWarning)


def main(data_path, removal_path, out_path):
    data = pd.read_excel(data_path, header=None, engine="openpyxl")
    removal = pd.read_excel(removal_path, header=None, engine="openpyxl").drop_duplicates()
    on = list(removal.columns)
    merged = data.merge(removal, how="left", on=on, indicator=True)
    kept = data[(merged["_merge"] == "left_only").to_numpy()]
    with pd.ExcelWriter(out_path, engine="xlsxwriter") as writer:
        kept.to_excel(writer, header=False, index=False)


if __name__ == "__main__":
    main(*sys.argv[1:4])
