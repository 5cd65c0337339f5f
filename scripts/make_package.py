#!/usr/bin/env python3
"""Packs Quillop for Windows: dist/Quillop-<version>-win64.zip holding
Quillop.exe, its help page Quillop.htm and README.txt.

Usage: make_package.py BUILD_DIR OUTPUT_DIR
The version is the ProductVersion of res/Quillop.rc's VERSIONINFO. Entries get
a fixed date, so the same build always gives the same archive."""
import re
import sys
import zipfile
from pathlib import Path

TOP = Path(__file__).resolve().parent.parent
FIXED_DATE = (2000, 1, 1, 0, 0, 0)


def version():
    rc = (TOP / "res" / "Quillop.rc").read_text(encoding="utf-8")
    found = re.search(r'VALUE\s+"ProductVersion",\s*"([^"]+)"', rc)
    if not found:
        sys.exit("make_package.py: no ProductVersion in res/Quillop.rc")
    return found.group(1)


def pack(build, output):
    members = {
        "Quillop.exe": build / "Quillop.exe",
        "Quillop.htm": build / "Quillop.htm",
        "README.txt": TOP / "res" / "README.txt",
    }
    archive = output / f"Quillop-{version()}-win64.zip"
    output.mkdir(parents=True, exist_ok=True)
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as zip_file:
        for name, source in members.items():
            entry = zipfile.ZipInfo(name, FIXED_DATE)
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.external_attr = 0o644 << 16
            data = source.read_bytes()
            if name.endswith(".txt"):  # Notepad on older Windows wants CR LF
                data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
            zip_file.writestr(entry, data)
    return archive


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    print(pack(Path(sys.argv[1]), Path(sys.argv[2])))
