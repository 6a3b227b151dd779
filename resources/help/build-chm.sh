#!/bin/sh
# Compiles the help sources into a CHM: build-chm.sh SOURCE_FOLDER OUTPUT_FILE [CHMCMD]
# The sources are kept in UTF-8; a Chinese (0x804) help file is read in the GBK code page by CHM viewers, so the
# pages, contents and index are converted before compiling.
set -eu
src=$1
out=$2
chmcmd=${3:-chmcmd}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for f in "$src"/*.html "$src"/*.hhc "$src"/*.hhk "$src"/*.hhp "$src"/*.css; do
    [ -e "$f" ] || continue
    sed 's/charset=utf-8/charset=gb2312/' "$f" | iconv -f UTF-8 -t GB18030 > "$work/$(basename "$f")"
done
(cd "$work" && "$chmcmd" --no-html-scan Tabrix.hhp > chmcmd.log 2>&1) || { cat "$work/chmcmd.log" >&2; exit 1; }
mkdir -p "$(dirname "$out")"
cp "$work/Tabrix.chm" "$out"
