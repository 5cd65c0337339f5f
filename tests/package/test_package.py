#!/usr/bin/env python3
"""The Windows package: the archive holds exactly the program, its help page
and the README, and the program needs only DLLs that every Windows has.

Usage: test_package.py BUILD_DIR"""
import hashlib
import re
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

TOP = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(TOP / "scripts"))
import make_package  # noqa: E402

BUILD = Path(sys.argv.pop(1)) if len(sys.argv) > 1 else TOP / "build"
# System DLLs present on every Windows since XP.
EVERY_WINDOWS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "shlwapi.dll", "comctl32.dll",
                 "comdlg32.dll", "advapi32.dll", "ole32.dll", "msvcrt.dll"}


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.archive = make_package.pack(BUILD, Path(cls.folder.name))

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def test_named_after_the_version_in_the_resources(self):
        rc = (TOP / "res" / "Quillop.rc").read_text()
        version = re.search(r'VALUE "ProductVersion", "([^"]+)"', rc).group(1)
        self.assertEqual(self.archive.name, f"Quillop-{version}-win64.zip")

    def test_holds_the_program_its_help_page_and_the_readme(self):
        with zipfile.ZipFile(self.archive) as archive:
            self.assertEqual(sorted(archive.namelist()), ["Quillop.exe", "Quillop.htm", "README.txt"])
            self.assertEqual(archive.read("Quillop.htm"), (TOP / "res" / "Quillop.htm").read_bytes())
            readme = archive.read("README.txt")
            self.assertIn(b"Quillop.exe", readme)
            self.assertNotIn(b"\n", readme.replace(b"\r\n", b""))  # CR LF throughout

    def test_the_program_carries_no_debug_information(self):
        with tempfile.TemporaryDirectory() as unpacked, zipfile.ZipFile(self.archive) as archive:
            program = archive.extract("Quillop.exe", unpacked)
            sections = subprocess.run(["x86_64-w64-mingw32-objdump", "-h", program], check=True,
                                      capture_output=True, text=True).stdout
            size = Path(program).stat().st_size
        built = subprocess.run(["x86_64-w64-mingw32-objdump", "-h", str(BUILD / "Quillop.exe")], check=True,
                               capture_output=True, text=True).stdout
        self.assertIn(".debug_", built, "the build itself should carry debug information to strip")
        self.assertNotIn(".debug_", sections)
        self.assertLess(size, (BUILD / "Quillop.exe").stat().st_size)

    def test_the_checksum_file_names_the_archive_and_its_sha256(self):
        checksum = self.archive.with_name(self.archive.name + ".sha256")
        digest = hashlib.sha256(self.archive.read_bytes()).hexdigest()
        self.assertEqual(checksum.read_text(), f"{digest}  {self.archive.name}\n")
        result = subprocess.run(["sha256sum", "-c", checksum.name], cwd=checksum.parent, capture_output=True,
                                text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_the_readme_tells_one_story_about_where_things_go(self):
        with zipfile.ZipFile(self.archive) as archive:
            readme = archive.read("README.txt").decode("ascii")
        # Every path under the example folder is the folder, the program, or
        # what the program puts beside itself: its menu folder and hotkey file.
        folder = re.search(r"into a folder of its own[^,]*, for\s+instance (C:\\\S+?),", readme).group(1)
        beside = {folder, folder + "\\Quillop.exe", folder + "\\Quillop", folder + "\\Quillop.key"}
        mentioned = set(re.findall(r"C:\\Tools\S*?(?=[\s,.]|$)", readme))
        self.assertTrue(mentioned)
        self.assertLessEqual(mentioned, beside, f"not where the program puts things: {mentioned - beside}")
        self.assertIn(f"Menu folder  {folder}\\Quillop ", readme)
        self.assertIn(f"Hotkeys      {folder}\\Quillop.key", readme)
        self.assertIn(self.archive.name + ".sha256", readme)  # the checksum of this very version
        self.assertIn("Run anyway", readme)

    def test_the_same_build_packs_the_same_bytes(self):
        with tempfile.TemporaryDirectory() as again:
            second = make_package.pack(BUILD, Path(again))
            self.assertEqual(second.read_bytes(), self.archive.read_bytes())

    def test_the_program_is_a_gui_program_that_imports_only_system_dlls(self):
        with tempfile.TemporaryDirectory() as unpacked, zipfile.ZipFile(self.archive) as archive:
            program = archive.extract("Quillop.exe", unpacked)
            headers = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", program], check=True,
                                     capture_output=True, text=True).stdout
        self.assertRegex(headers, r"Subsystem\s+00000002\s+\(Windows GUI\)")
        imported = {name.lower() for name in re.findall(r"DLL Name: (\S+)", headers)}
        self.assertIn("kernel32.dll", imported)
        self.assertLessEqual(imported, EVERY_WINDOWS, f"not on every Windows: {imported - EVERY_WINDOWS}")


if __name__ == "__main__":
    unittest.main(verbosity=2)
