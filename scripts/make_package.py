#!/usr/bin/env python3
"""Packs Quillop for Windows: dist/Quillop-<version>-win64.zip holding
Quillop.exe (stripped of its debug information), its help page Quillop.htm
and README.txt, and beside it the archive's SHA-256 in the sha256sum format,
dist/Quillop-<version>-win64.zip.sha256.

Usage: make_package.py BUILD_DIR OUTPUT_DIR
The version is the ProductVersion of res/Quillop.rc's VERSIONINFO. Entries get
a fixed date, so the same build always gives the same archive."""
import hashlib
import os
import re
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

TOP = Path(__file__).resolve().parent.parent
FIXED_DATE = (2000, 1, 1, 0, 0, 0)
FIXED_EPOCH = 946684800  # the same moment, for the program's header


def version():
    rc = (TOP / "res" / "Quillop.rc").read_text(encoding="utf-8")
    found = re.search(r'VALUE\s+"ProductVersion",\s*"([^"]+)"', rc)
    if not found:
        sys.exit("make_package.py: no ProductVersion in res/Quillop.rc")
    return found.group(1)


def stripped(program):
    """The program's bytes without debug information."""
    with tempfile.TemporaryDirectory() as folder:
        copy = Path(folder) / program.name
        # strip stamps the PE header with the time unless told a fixed one.
        fixed = dict(os.environ, SOURCE_DATE_EPOCH=str(FIXED_EPOCH))
        subprocess.run(["x86_64-w64-mingw32-strip", "--strip-debug", "-o", str(copy), str(program)], check=True,
                       env=fixed)
        return copy.read_bytes()


def write_checksum(archive):
    digest = hashlib.sha256(archive.read_bytes()).hexdigest()
    checksum = archive.with_name(archive.name + ".sha256")
    checksum.write_text(f"{digest}  {archive.name}\n")
    return checksum


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
            data = stripped(source) if name.endswith(".exe") else source.read_bytes()
            if name.endswith(".txt"):  # Notepad on older Windows wants CR LF
                data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
            zip_file.writestr(entry, data)
    write_checksum(archive)
    return archive


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    print(pack(Path(sys.argv[1]), Path(sys.argv[2])))
