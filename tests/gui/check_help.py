"""The compiled help file: a CHM (ITSF container) that holds every page of resources/help and its contents."""
import pathlib
import re
import sys

chm = pathlib.Path(sys.argv[1])
sources = pathlib.Path(sys.argv[2])
data = chm.read_bytes()
assert data[:4] == b"ITSF", f"{chm} is not a compiled help file"
# The directory of the container names every stored file as "/name".
project = (sources / "Tabrix.hhp").read_text(encoding="utf-8")
files = re.search(r"\[FILES\]\s*(.*)", project, re.S).group(1).split()
missing = [f for f in files + ["toc.hhc", "index.hhk"] if ("/" + f).encode() not in data]
assert not missing, f"missing from {chm}: {missing}"
# Every page listed in the contents exists among the sources.
toc = (sources / "toc.hhc").read_text(encoding="utf-8")
for page in re.findall(r'name="Local" value="([^"#]+)', toc):
    assert (sources / page).exists(), f"contents names a missing page {page}"
print(f"{chm}: {len(files)} files")
