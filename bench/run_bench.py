#!/usr/bin/python3
"""Times tabrix-cli against the peer tools on the shared workloads, in one run, and prints ratios.

    bench/run_bench.py [--only load,merge,merge_folder,merge_headings,merge_folder_memory,list,convert,find,clear,
                               compare,compare_changes,xlsx_write]
                       [--data DIR] [--runs N] [--with-slow-peers] [--base-cli OLD_TABRIX_CLI]

Workloads come from ../shared/bench/gen.py (seed 1, generated into DATA when missing); peers are the scripts in
../shared/bench/peers run from a work folder under bench/work/ (npm modules installed there on first use).
Each command is timed with hyperfine (median of --runs, one run for commands over a minute); peak memory with
/usr/bin/time -v. Results: bench/work/results.json and the table printed at the end.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
SHARED = os.path.normpath(os.path.join(ROOT, "..", "shared", "bench"))
WORK = os.path.join(HERE, "work")
CLI = os.path.join(ROOT, "build", "cli", "tabrix-cli")
# The compare page's own function without a window (configure with -DTABRIX_BENCH=ON).
COMPARE_BENCH = os.path.join(ROOT, "build", "bench", "CompareBench")
PY = "/usr/bin/python3"


def sh(cmd, **kw):
    return subprocess.run(cmd, shell=True, check=True, **kw)


def prepare(data):
    os.makedirs(WORK, exist_ok=True)
    peers = os.path.join(WORK, "peers")
    if not os.path.isdir(peers):
        shutil.copytree(os.path.join(SHARED, "peers"), peers)
    node = os.path.join(WORK, "node")
    if not os.path.isdir(os.path.join(node, "node_modules", "exceljs")):
        os.makedirs(node, exist_ok=True)
        shutil.copy(os.path.join(SHARED, "node", "package.json"), node)
        sh("cd %s && npm install --no-audit --no-fund xlsx@0.18.5 exceljs@4.4.0 >/dev/null" % node)
    os.makedirs(data, exist_ok=True)
    sh("%s %s/gen.py preset multi large medium folder xls_folder pair --dir %s --seed 1" % (PY, SHARED, data))
    removal = os.path.join(data, "medium_removal.xlsx")
    if not os.path.exists(removal):
        sh("%s %s/make_removal.py %s/medium.xlsx %s" % (PY, HERE, data, removal))


def peak_rss_mb(cmd):
    out = subprocess.run(["/usr/bin/time", "-v", "sh", "-c", cmd], capture_output=True, text=True)
    for line in out.stderr.splitlines():
        if "Maximum resident set size" in line:
            return int(line.split(":")[1]) / 1024.0
    return None


def timed(name, cmd, runs, prepare_cmd=None, slow=False):
    js = os.path.join(WORK, "raw_%s.json" % name)
    args = ["hyperfine", "--runs", "1" if slow else str(runs), "--style", "none", "--export-json", js]
    if not slow:
        args += ["--warmup", "1"]
    if prepare_cmd:
        args += ["--prepare", prepare_cmd]
    subprocess.run(args + [cmd], check=True, stdout=subprocess.DEVNULL)
    with open(js) as f:
        median = json.load(f)["results"][0]["median"]
    print("  %-28s %8.3f s   %s" % (name, median, cmd), flush=True)
    return median


def bench_load(data, runs, slow_peers, results):
    large = os.path.join(data, "large.xlsx")
    results["load_floor_unzip"] = timed("unzip -p sheet1.xml", "unzip -p %s xl/worksheets/sheet1.xml >/dev/null" % large, runs)
    results["load_tabrix"] = timed("tabrix dump", "%s dump %s >/dev/null" % (CLI, large), runs)
    results["load_tabrix_rss_mb"] = peak_rss_mb("%s dump %s >/dev/null" % (CLI, large))
    results["load_exceljs"] = timed("exceljs stream read", "node %s/peers/exceljs_peer.js read %s" % (WORK, large), runs, slow=True)
    if slow_peers:
        results["load_pandas"] = timed("pandas read", "%s %s/peers/pandas_peer.py read %s" % (PY, WORK, large), runs, slow=True)


def bench_list(data, runs, results):
    results["list_tabrix"] = timed("tabrix sheets", "%s sheets %s/large.xlsx" % (CLI, data), max(runs, 10))


def bench_merge(data, runs, slow_peers, results):
    out = os.path.join(WORK, "out")
    os.makedirs(out, exist_ok=True)
    multi = os.path.join(data, "multi.xlsx")
    results["merge_tabrix"] = timed("tabrix merge-sheets",
                                    "%s merge-sheets %s %s/merged.xlsx --overwrite >/dev/null" % (CLI, multi, out), runs)
    results["merge_sheetjs"] = timed("sheetjs merge-sheets",
                                     "node %s/peers/sheetjs_peer.js merge-sheets %s %s/sj.xlsx" % (WORK, multi, out), runs)
    if slow_peers:
        results["merge_pandas"] = timed("pandas merge-sheets",
                                        "%s %s/peers/pandas_peer.py merge-sheets %s %s/pd.xlsx" % (PY, WORK, multi, out), runs)


def bench_merge_folder(data, runs, results):
    out = os.path.join(WORK, "out")
    os.makedirs(out, exist_ok=True)
    folder = os.path.join(data, "folder")
    ours = "%s merge-folder %s %s/%%s.xlsx --overwrite %%s >/dev/null" % (CLI, folder, out)
    results["merge_folder_tabrix"] = timed("tabrix merge-folder", ours % ("mf", ""), runs)
    results["merge_folder_names_tabrix"] = timed("tabrix merge-folder --name-columns",
                                                 ours % ("mf_names", "--name-columns"), runs)
    results["merge_folder_sheets_tabrix"] = timed("tabrix merge-folder --as-sheets",
                                                  ours % ("mf_sheets", "--as-sheets"), runs)
    results["merge_folder_sheetjs"] = timed(
        "sheetjs merge-folder", "node %s/peers/sheetjs_peer.js merge-folder %s %s/sj_folder.xlsx >/dev/null"
        % (WORK, folder, out), runs, slow=True)
    if shutil.which("ssconvert"):
        results["merge_folder_ssconvert"] = timed(
            "ssconvert --merge-to", "ssconvert --merge-to=%s/ss_folder.xlsx %s/*.xlsx >/dev/null 2>&1"
            % (out, folder), runs, "rm -f %s/ss_folder.xlsx" % out, slow=True)


# 500 workbooks of 2,000 rows: 1,000,000 rows into one sheet. Memory must follow the result, not the sources.
def reordered_folder(data):
    """The folder workload with the columns of every second workbook in another order (reversed)."""
    folder = os.path.join(data, "folder_reordered")
    if os.path.isdir(folder):
        return folder
    import openpyxl
    source = os.path.join(data, "folder")
    os.makedirs(folder + ".part", exist_ok=True)
    for i, name in enumerate(sorted(os.listdir(source))):
        if i % 2 == 0:
            shutil.copy(os.path.join(source, name), os.path.join(folder + ".part", name))
            continue
        book = openpyxl.load_workbook(os.path.join(source, name), read_only=True)
        out = openpyxl.Workbook(write_only=True)
        for ws in book.worksheets:
            target = out.create_sheet(ws.title)
            for row in ws.iter_rows(values_only=True):
                target.append(list(reversed(row)))
        out.save(os.path.join(folder + ".part", name))
    os.rename(folder + ".part", folder)
    return folder


def bench_merge_headings(data, runs, base_cli, results):
    """Lining columns up by heading against the positional merge of the same folder; the heading check against
    a build without it (--base-cli) on the folder whose headings all agree."""
    out = os.path.join(WORK, "out")
    os.makedirs(out, exist_ok=True)
    folder = reordered_folder(data)
    cmd = "%s merge-folder %s %s/%%s.xlsx --overwrite --quiet %%s >/dev/null" % (CLI, folder, out)
    results["merge_reordered_position"] = timed("tabrix merge-folder reordered", cmd % ("pos", ""), runs)
    results["merge_reordered_by_header"] = timed("tabrix merge-folder --by-header", cmd % ("hdr", "--by-header"), runs)
    plain = "%%s merge-folder %s %s/%%s.xlsx --overwrite --quiet >/dev/null" % (os.path.join(data, "folder"), out)
    results["merge_checked"] = timed("tabrix merge-folder (checked)", plain % (CLI, "chk"), runs)
    if base_cli:
        results["merge_unchecked"] = timed("base merge-folder (no check)", plain % (base_cli, "unchk"), runs)


def bench_xlsx_write(data, runs, base_cli, results):
    """Saves whose time is mostly the xlsx writer, this build against an earlier one (--base-cli) in the same run:
    the 1,000,000-row save, the worksheet merge (and SheetJS on it), the split into 10,000 workbooks; peak memory
    of the large save for both."""
    out = os.path.join(WORK, "out")
    split = os.path.join(WORK, "split", "writer")
    os.makedirs(out, exist_ok=True)
    sh("%s %s/gen_split.py %s" % (PY, HERE, data))
    builds = [("tabrix", CLI)] + ([("base", base_cli)] if base_cli else [])
    large, multi = os.path.join(data, "large.xlsx"), os.path.join(data, "multi.xlsx")
    for name, cli in builds:
        save = "%s save-as %s %s/%s_large.xlsx >/dev/null" % (cli, large, out, name)
        clean = "rm -f %s/%s_large.xlsx" % (out, name)
        results["write_large_%s" % name] = timed("%s save-as 1M rows" % name, save, runs, clean)
        sh(clean)
        results["write_large_rss_%s" % name] = peak_rss_mb(save)
        results["write_merge_%s" % name] = timed(
            "%s merge-sheets" % name, "%s merge-sheets %s %s/%s_merged.xlsx --overwrite >/dev/null"
            % (cli, multi, out, name), runs)
        results["write_split10000_%s" % name] = timed(
            "%s split 10000 parts" % name, "%s split-column %s Sheet1 C --to-folder %s --quiet >/dev/null"
            % (cli, os.path.join(data, "split_10000.xlsx"), split), runs, "rm -rf %s" % split)
    results["write_merge_sheetjs"] = timed(
        "sheetjs merge-sheets", "node %s/peers/sheetjs_peer.js merge-sheets %s %s/sj.xlsx" % (WORK, multi, out), runs)


def bench_merge_folder_memory(data, results):
    folder = os.path.join(data, "folder500")
    if not os.path.isdir(folder):
        sh("%s %s/gen.py folder %s --count 500 --sheets 1 --rows 2000 --seed 1" % (PY, SHARED, folder))
    out = os.path.join(WORK, "out")
    os.makedirs(out, exist_ok=True)
    cmd = "%s merge-folder %s %s/mf500.xlsx --overwrite >/dev/null" % (CLI, folder, out)
    results["merge_folder500_tabrix_rss_mb"] = peak_rss_mb(cmd)
    print("  %-28s %8.0f MB  %s" % ("tabrix merge-folder 500 RSS", results["merge_folder500_tabrix_rss_mb"], cmd))


def bench_find(data, runs, results):
    # "K00" starts about 1 % of the keys; "2019-03" is in the shown text of about 0.8 % of the dates.
    large = os.path.join(data, "large.xlsx")
    out = os.path.join(WORK, "out")
    os.makedirs(out, exist_ok=True)
    results["find_dump"] = timed("tabrix dump large", "%s dump %s >/dev/null" % (CLI, large), runs)
    for name, text in (("key", "K00"), ("date", "2019-03")):
        results["find_%s_tabrix" % name] = timed(
            "tabrix find %s" % text, "%s find %s Sheet1 %s %s/found.xlsx --overwrite >/dev/null" % (CLI, large, text, out),
            runs)


def bench_clear(data, runs, results):
    medium = os.path.join(data, "medium.xlsx")
    removal = os.path.join(data, "medium_removal.xlsx")
    out = os.path.join(WORK, "out")
    os.makedirs(out, exist_ok=True)
    results["clear_tabrix"] = timed(
        "tabrix clear medium", "%s clear %s Sheet1 %s remove %s/cleared.xlsx --overwrite >/dev/null 2>&1"
        % (CLI, medium, removal, out), runs)
    results["clear_pandas"] = timed(
        "pandas anti-join medium", "%s %s/peers/pandas_clear.py %s %s %s/pd_cleared.xlsx" % (PY, HERE, medium, removal, out),
        runs, slow=True)


def compare_data(data):
    """The 1,000,000-row pair (right: the left rows shuffled, 10 % of them changed) and two pairs with a key
    repeated 2,500 and 10,000 times, made on first use."""
    big = (os.path.join(data, "compare_1m_left.xlsx"), os.path.join(data, "compare_1m_right.xlsx"))
    if not all(os.path.exists(p) for p in big):
        sh("%s %s/gen.py pair %s %s --rows 1000000 --shared 1.0 --diff 0.1 --seed 1" % (PY, SHARED, big[0], big[1]))
    dups = {}
    for repeats in (2500, 10000):
        pair = tuple(os.path.join(data, "compare_dup%d_%s.xlsx" % (repeats, side)) for side in ("left", "right"))
        if not all(os.path.exists(p) for p in pair):
            sh("%s %s/make_dupkey.py %s %s %d" % (PY, HERE, pair[0], pair[1], repeats))
        dups[repeats] = pair
    return big, dups


def bench_compare(data, runs, results):
    out = os.path.join(WORK, "out")
    os.makedirs(out, exist_ok=True)
    left, right = os.path.join(data, "compare_left.xlsx"), os.path.join(data, "compare_right.xlsx")
    args = "%s Left %s Right %s/compared.xlsx" % (left, right, out)
    pairs = "A=A,C=C,F=F"
    results["compare_tabrix"] = timed("tabrix compare pair", "%s compare %s --overwrite --quiet" % (CLI, args), runs)
    results["compare_pairs_tabrix"] = timed(
        "tabrix compare pair --pairs", "%s compare %s --pairs %s --overwrite --quiet" % (CLI, args, pairs), runs)
    if os.path.exists(COMPARE_BENCH):
        results["compare_window"] = timed("window compare pair", "%s %s >/dev/null" % (COMPARE_BENCH, args), runs)
        results["compare_pairs_window"] = timed(
            "window compare pair 3 pairs", "%s %s %s >/dev/null" % (COMPARE_BENCH, args, pairs), runs)
    results["compare_pandas"] = timed(
        "pandas compare pair", "%s %s/peers/pandas_peer.py compare %s %s %s/pd_compared.xlsx" % (PY, WORK, left, right, out),
        runs, slow=True)
    big, dups = compare_data(data)
    big_cmd = "%s compare %s Left %s Right %s/compared_1m.xlsx --overwrite --quiet" % (CLI, big[0], big[1], out)
    results["compare_1m_tabrix"] = timed("tabrix compare 1,000,000", big_cmd, runs, slow=True)
    results["compare_1m_rss_mb"] = peak_rss_mb(big_cmd)
    for repeats, (l, r) in dups.items():
        results["compare_dup%d_tabrix" % repeats] = timed(
            "tabrix compare key x %d" % repeats,
            "%s compare %s Left %s Right %s/compared_dup.xlsx --overwrite --quiet" % (CLI, l, r, out), runs)


def bench_compare_changes(data, runs, results):
    """--changes and --lenient on the 100,000-row pair with 1 % of the shared rows changed, against the plain
    compare of the same pair and a pandas peer doing the same normalisation; then the 1,000,000-row pair."""
    out = os.path.join(WORK, "out")
    os.makedirs(out, exist_ok=True)
    left, right = os.path.join(data, "changed_left.xlsx"), os.path.join(data, "changed_right.xlsx")
    if not (os.path.exists(left) and os.path.exists(right)):
        sh("%s %s/gen.py pair %s %s --rows 100000 --diff 0.01 --seed 1" % (PY, SHARED, left, right))
    cmd = "%s compare %s Left %s Right %s/changes.xlsx --overwrite --quiet %%s" % (CLI, left, right, out)
    results["changes_plain"] = timed("tabrix compare 1 % changed", cmd % "", runs)
    results["changes_changes"] = timed("tabrix compare --changes", cmd % "--changes", runs)
    results["changes_lenient"] = timed("tabrix compare --lenient", cmd % "--lenient", runs)
    results["changes_both"] = timed("tabrix compare --changes --lenient", cmd % "--changes --lenient", runs)
    results["changes_pandas"] = timed(
        "pandas compare changes lenient", "%s %s/peers/pandas_compare_changes.py %s %s %s/pd_changes.xlsx >/dev/null"
        % (PY, HERE, left, right, out), runs, slow=True)
    # The same pair ten times as long (1 % of the shared rows changed), for how the time grows with the rows.
    big = (os.path.join(data, "changed_1m_left.xlsx"), os.path.join(data, "changed_1m_right.xlsx"))
    if not all(os.path.exists(p) for p in big):
        sh("%s %s/gen.py pair %s %s --rows 1000000 --diff 0.01 --seed 1" % (PY, SHARED, big[0], big[1]))
    results["changes_1m_both"] = timed(
        "tabrix 1,000,000 --changes --lenient", "%s compare %s Left %s Right %s/changes_1m.xlsx --overwrite --quiet "
        "--changes --lenient" % (CLI, big[0], big[1], out), runs, slow=True)
    results["changes_1m_plain"] = timed(
        "tabrix 1,000,000 plain", "%s compare %s Left %s Right %s/changes_1m.xlsx --overwrite --quiet"
        % (CLI, big[0], big[1], out), runs, slow=True)


def bench_convert(data, runs, results):
    out = os.path.join(WORK, "conv")
    for name, src, to in (("xls_to_xlsx", "xls_folder", "xlsx"), ("xlsx_to_xls", "folder", "xls")):
        target = os.path.join(out, name)
        prep = "rm -rf %s && mkdir -p %s" % (target, target)
        results["convert_%s_tabrix" % name] = timed(
            "tabrix convert %s" % name, "%s convert %s/%s %s --to %s >/dev/null" % (CLI, data, src, target, to), runs, prep)
        if shutil.which("soffice"):
            results["convert_%s_soffice" % name] = timed(
                "soffice convert %s" % name,
                "soffice --headless --convert-to %s --outdir %s %s/%s/*.%s >/dev/null 2>&1"
                % (to, target, data, src, "xls" if to == "xlsx" else "xlsx"), runs, prep, slow=True)
        if shutil.which("ssconvert"):
            results["convert_%s_ssconvert" % name] = timed(
                "ssconvert %s" % name,
                "for f in %s/%s/*.%s; do ssconvert -T %s \"$f\" %s/$(basename \"${f%%.*}\").%s >/dev/null 2>&1; done"
                % (data, src, "xls" if to == "xlsx" else "xlsx",
                   "Gnumeric_Excel:xlsx2" if to == "xlsx" else "Gnumeric_Excel:excel_biff8", target, to),
                runs, prep, slow=True)


def bench_split(data, runs, results):
    """Both splits against the streaming openpyxl peers (and pandas on the medium split), plus the time per part
    as the number of parts grows (workloads of bench/gen_split.py)."""
    out = os.path.join(WORK, "split")
    os.makedirs(out, exist_ok=True)
    sh("%s %s/gen_split.py %s" % (PY, HERE, data))
    medium, multi = os.path.join(data, "medium.xlsx"), os.path.join(data, "multi.xlsx")
    ours_dir, peer_dir = os.path.join(out, "ours"), os.path.join(out, "peer")
    clean = "rm -rf %s %s" % (ours_dir, peer_dir)
    results["split_region_tabrix"] = timed(
        "tabrix split-column folder", "%s split-column %s Sheet1 B --to-folder %s --quiet >/dev/null"
        % (CLI, medium, ours_dir), runs, clean)
    results["split_region_openpyxl"] = timed(
        "openpyxl split folder", "%s %s/peers/openpyxl_peer.py split %s 1 %s >/dev/null"
        % (PY, WORK, medium, peer_dir), runs, clean, slow=True)
    results["split_region_pandas"] = timed(
        "pandas split folder", "%s %s/peers/pandas_peer.py split %s 1 %s >/dev/null"
        % (PY, WORK, medium, peer_dir), runs, clean, slow=True)
    book = os.path.join(out, "book.xlsx")
    results["split_book_tabrix"] = timed(
        "tabrix split-column book", "%s split-column %s Sheet1 B --to-book %s --overwrite --quiet >/dev/null"
        % (CLI, medium, book), runs)
    results["split_book_openpyxl"] = timed(
        "openpyxl split book", "%s %s/peers/openpyxl_split.py book %s 1 %s/peer_book.xlsx >/dev/null"
        % (PY, HERE, medium, out), runs, slow=True)
    for parts in (100, 1000, 10000):
        src = os.path.join(data, "split_%d.xlsx" % parts)
        results["split_parts%d_tabrix" % parts] = timed(
            "tabrix split %d parts" % parts, "%s split-column %s Sheet1 C --to-folder %s --quiet >/dev/null"
            % (CLI, src, ours_dir), runs, clean)
        results["split_parts%d_openpyxl" % parts] = timed(
            "openpyxl split %d parts" % parts, "%s %s/peers/openpyxl_peer.py split %s 2 %s >/dev/null"
            % (PY, WORK, src, peer_dir), runs, clean, slow=True)
    results["split_sheets_tabrix"] = timed(
        "tabrix split-sheets", "%s split-sheets %s %s --quiet >/dev/null" % (CLI, multi, ours_dir), runs, clean)
    results["split_sheets_openpyxl"] = timed(
        "openpyxl split sheets", "%s %s/peers/openpyxl_split.py sheets %s %s >/dev/null"
        % (PY, HERE, multi, peer_dir), runs, clean, slow=True)


def ratio(results, peer, ours, digits=1):
    if peer in results and ours in results and results[ours] > 0:
        return "%.*f×" % (digits, results[peer] / results[ours])
    return "n/a"


def report(results):
    print("\nratios (peer time / tabrix time; higher is better for tabrix):")
    rows = [
        ("load large: exceljs / tabrix", ratio(results, "load_exceljs", "load_tabrix")),
        ("load large: pandas / tabrix", ratio(results, "load_pandas", "load_tabrix")),
        ("load large: tabrix / unzip floor", "%.2f×" % (results["load_tabrix"] / results["load_floor_unzip"])
         if "load_tabrix" in results else "n/a"),
        ("load large: peak RSS MB", "%.0f" % results["load_tabrix_rss_mb"] if results.get("load_tabrix_rss_mb") else "n/a"),
        ("merge multi: sheetjs / tabrix", ratio(results, "merge_sheetjs", "merge_tabrix")),
        ("merge multi: pandas / tabrix", ratio(results, "merge_pandas", "merge_tabrix")),
        ("merge folder: sheetjs / tabrix", ratio(results, "merge_folder_sheetjs", "merge_folder_tabrix")),
        ("merge folder: --name-columns / without", "%.2f×" % (results["merge_folder_names_tabrix"] /
                                                              results["merge_folder_tabrix"])
         if "merge_folder_names_tabrix" in results else "n/a"),
        ("merge folder reordered: --by-header / by position",
         ratio(results, "merge_reordered_by_header", "merge_reordered_position", 2)),
        ("merge folder: with heading check / base build", ratio(results, "merge_checked", "merge_unchecked", 2)),
        ("xlsx writer, 1M-row save: base build / this", ratio(results, "write_large_base", "write_large_tabrix", 2)),
        ("xlsx writer, merge-sheets: base build / this", ratio(results, "write_merge_base", "write_merge_tabrix", 2)),
        ("xlsx writer, merge-sheets: sheetjs / this", ratio(results, "write_merge_sheetjs", "write_merge_tabrix")),
        ("xlsx writer, merge-sheets: sheetjs / base", ratio(results, "write_merge_sheetjs", "write_merge_base")),
        ("xlsx writer, split 10,000 parts: base build / this",
         ratio(results, "write_split10000_base", "write_split10000_tabrix", 2)),
        ("merge folder as sheets: ssconvert / tabrix",
         ratio(results, "merge_folder_ssconvert", "merge_folder_sheets_tabrix")),
        ("merge folder 500 x 2,000 rows: peak RSS MB", "%.0f" % results["merge_folder500_tabrix_rss_mb"]
         if results.get("merge_folder500_tabrix_rss_mb") else "n/a"),
        ("find large (1 % keys): tabrix find / dump", "%.2f×" % (results["find_key_tabrix"] / results["find_dump"])
         if "find_key_tabrix" in results else "n/a"),
        ("find large (0.8 % dates): tabrix find / dump", "%.2f×" % (results["find_date_tabrix"] / results["find_dump"])
         if "find_date_tabrix" in results else "n/a"),
        ("clear medium − 50,000: pandas / tabrix", ratio(results, "clear_pandas", "clear_tabrix")),
        ("compare pair: pandas / tabrix", ratio(results, "compare_pandas", "compare_tabrix")),
        ("compare pair: pandas / window path", ratio(results, "compare_pandas", "compare_window")),
        ("compare pair 3 pairs / plain (tabrix)", ratio(results, "compare_pairs_tabrix", "compare_tabrix")),
        ("compare pair 3 pairs / plain (window)", ratio(results, "compare_pairs_window", "compare_window")),
        ("compare 1 % changed: --changes / plain", ratio(results, "changes_changes", "changes_plain", 2)),
        ("compare 1 % changed: --lenient / plain", ratio(results, "changes_lenient", "changes_plain", 2)),
        ("compare 1 % changed: pandas lenient+changes / tabrix --changes --lenient",
         ratio(results, "changes_pandas", "changes_both")),
        ("compare --changes --lenient: 1,000,000 / 100,000", ratio(results, "changes_1m_both", "changes_both", 2)),
        ("compare plain: 1,000,000 / 100,000 (same pairs)", ratio(results, "changes_1m_plain", "changes_plain", 2)),
        ("compare 1,000,000 / pair (tabrix)", ratio(results, "compare_1m_tabrix", "compare_tabrix")),
        ("compare 1,000,000: peak RSS MB", "%.0f" % results["compare_1m_rss_mb"] if results.get("compare_1m_rss_mb")
         else "n/a"),
        ("compare key x 10,000 / x 2,500 (16x tries)", ratio(results, "compare_dup10000_tabrix", "compare_dup2500_tabrix")),
        ("sheets large: ms", "%.1f" % (results["list_tabrix"] * 1000) if "list_tabrix" in results else "n/a"),
        ("split medium into folder: openpyxl / tabrix", ratio(results, "split_region_openpyxl", "split_region_tabrix")),
        ("split medium into folder: pandas / tabrix", ratio(results, "split_region_pandas", "split_region_tabrix")),
        ("split medium into one book: openpyxl / tabrix", ratio(results, "split_book_openpyxl", "split_book_tabrix")),
        ("split medium into one book: pandas folder / tabrix", ratio(results, "split_region_pandas", "split_book_tabrix")),
    ] + [
        ("split %d parts: openpyxl / tabrix (tabrix ms per part)" % n,
         "%s (%.2f ms)" % (ratio(results, "split_parts%d_openpyxl" % n, "split_parts%d_tabrix" % n),
                           results["split_parts%d_tabrix" % n] * 1000 / n) if "split_parts%d_tabrix" % n in results else "n/a")
        for n in (100, 1000, 10000)
    ] + [
        ("split-sheets multi: openpyxl / tabrix", ratio(results, "split_sheets_openpyxl", "split_sheets_tabrix")),
        ("xls→xlsx folder: soffice / tabrix", ratio(results, "convert_xls_to_xlsx_soffice", "convert_xls_to_xlsx_tabrix")),
        ("xls→xlsx folder: ssconvert / tabrix", ratio(results, "convert_xls_to_xlsx_ssconvert", "convert_xls_to_xlsx_tabrix")),
        ("xlsx→xls folder: soffice / tabrix", ratio(results, "convert_xlsx_to_xls_soffice", "convert_xlsx_to_xls_tabrix")),
        ("xlsx→xls folder: ssconvert / tabrix", ratio(results, "convert_xlsx_to_xls_ssconvert", "convert_xlsx_to_xls_tabrix")),
    ]
    for label, value in rows:
        if value != "n/a":
            print("  %-40s %s" % (label, value))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--only", default="load,list,merge,merge_folder,convert,find,clear")
    ap.add_argument("--data", default=os.path.join(WORK, "data"))
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--with-slow-peers", action="store_true")
    ap.add_argument("--base-cli", help="a tabrix-cli built from an earlier commit, for before/after figures")
    a = ap.parse_args()
    if not os.path.exists(CLI):
        sys.exit("build first: scripts/run (or cmake --build build)")
    prepare(a.data)
    only = set(a.only.split(","))
    results = {}
    if "list" in only:
        bench_list(a.data, a.runs, results)
    if "load" in only:
        bench_load(a.data, a.runs, a.with_slow_peers, results)
    if "merge" in only:
        bench_merge(a.data, a.runs, a.with_slow_peers, results)
    if "merge_folder" in only:
        bench_merge_folder(a.data, a.runs, results)
    if "merge_headings" in only:
        bench_merge_headings(a.data, a.runs, a.base_cli, results)
    if "xlsx_write" in only:
        bench_xlsx_write(a.data, a.runs, a.base_cli, results)
    if "merge_folder_memory" in only:
        bench_merge_folder_memory(a.data, results)
    if "convert" in only:
        bench_convert(a.data, a.runs, results)
    if "split" in only:
        bench_split(a.data, a.runs, results)
    if "find" in only:
        bench_find(a.data, a.runs, results)
    if "clear" in only:
        bench_clear(a.data, a.runs, results)
    if "compare" in only:
        bench_compare(a.data, a.runs, results)
    if "compare_changes" in only:
        bench_compare_changes(a.data, a.runs, results)
    with open(os.path.join(WORK, "results.json"), "w") as f:
        json.dump(results, f, indent=1)
    report(results)


if __name__ == "__main__":
    main()
