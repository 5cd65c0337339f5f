#!/usr/bin/env python3
"""scripts/run as users start it: without a display, Quillop on a private
display behind VNC on loopback with a password, and on Ctrl+C nothing of the
run left behind, while a program of the same Wine prefix that the run did
not start keeps running; with a display, Quillop's icon there and a clean
stop. And every script of the project passes shellcheck.

Usage: test_run.py"""
import os
import re
import shutil
import signal
import socket
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

TOP = Path(__file__).resolve().parents[2]


def processes_with(variable):
    """The ids of the processes whose environment holds the variable."""
    found = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            if variable.encode() in (entry / "environ").read_bytes().split(b"\0"):
                found.append(int(entry.name))
        except OSError:
            pass
    return found


def listening_addresses(port):
    """The local addresses of the sockets listening on the TCP port."""
    addresses = []
    for table in ("/proc/net/tcp", "/proc/net/tcp6"):
        for line in Path(table).read_text().splitlines()[1:]:
            fields = line.split()
            address, hex_port = fields[1].rsplit(":", 1)
            if fields[3] == "0A" and int(hex_port, 16) == port:
                addresses.append(address)
    return addresses


def alive(pid):
    try:
        os.kill(pid, 0)
        return Path(f"/proc/{pid}/stat").read_text().split()[2] != "Z"
    except OSError:
        return False


def programs_with(variable, name):
    """The ids of the marked processes running the Windows program."""
    found = []
    for pid in processes_with(variable):
        try:
            command = Path(f"/proc/{pid}/cmdline").read_bytes().split(b"\0")[0].decode(errors="replace")
        except OSError:
            continue
        if command.lower().endswith("\\" + name):
            found.append(pid)
    return found


def wait_for(condition, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(0.2)
    return condition()


class HeadlessRun(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        root = Path(cls.folder.name)
        cls.home, cls.prefix = root / "home", root / "wine"
        environment = {key: value for key, value in os.environ.items() if key not in ("DISPLAY", "XAUTHORITY")}
        environment.update(WINEPREFIX=str(cls.prefix), WINEDEBUG="-all", HOME=str(root))
        cls.environment = environment
        # A program of the prefix that the run does not start: Notepad on a
        # display of its own.
        cls.display = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "800x600x24", "-nolisten", "tcp"],
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        number = cls.display.stdout.readline().strip()
        cls.foreign = subprocess.Popen(["wine", "notepad"], env=dict(environment, DISPLAY=f":{number}"),
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        assert wait_for(lambda: (cls.prefix / "system.reg").exists() and cls.notepad(), 120), "no Notepad"
        cls.script = subprocess.Popen([str(TOP / "scripts" / "run")],
                                   env=dict(environment, QUILLOP_HOME=str(cls.home), QUILLOP_SKIP_BUILD="1"),
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        cls.output = ""
        for line in cls.script.stdout:
            cls.output += line
            if "Quillop is running" in line or "did not" in line:
                break

    @classmethod
    def notepad(cls):
        return [pid for pid in processes_with(f"WINEPREFIX={cls.prefix}")
                if b"notepad" in Path(f"/proc/{pid}/cmdline").read_bytes().lower()]

    @classmethod
    def tearDownClass(cls):
        if cls.script.poll() is None:
            cls.script.kill()
        for pid in cls.notepad():
            os.kill(pid, signal.SIGKILL)
        subprocess.run(["wineserver", "-k"], env=cls.environment, check=False)
        cls.display.kill()
        cls.folder.cleanup()

    def test_1_starts_behind_a_password_on_loopback_only(self):
        self.assertIn("Quillop is running", self.output)
        port = int(re.search(r"vncviewer localhost:(\d+)", self.output).group(1))
        password = re.search(r"The password \(also in (\S+)\): (\S+)", self.output)
        self.assertEqual(Path(password.group(1)).read_text().strip(), password.group(2))
        self.assertEqual(Path(password.group(1)).stat().st_mode & 0o077, 0, "the password file is not owner-only")
        addresses = listening_addresses(port)
        self.assertTrue(addresses, f"nothing listens on port {port}")
        loopback = {"0100007F", "00000000000000000000000001000000"}
        self.assertLessEqual(set(addresses), loopback, f"listening beyond loopback: {addresses}")

        # A viewer without the password gets the VNC challenge and a refusal.
        with socket.create_connection(("127.0.0.1", port), timeout=10) as vnc:
            self.assertTrue(vnc.recv(12).startswith(b"RFB "))
            vnc.sendall(b"RFB 003.008\n")
            count = vnc.recv(1)[0]
            kinds = vnc.recv(count)
            self.assertNotIn(1, kinds, "a connection without authentication is offered")
            self.assertIn(2, kinds)
            vnc.sendall(bytes([2]))
            self.assertEqual(len(vnc.recv(16)), 16)
            vnc.sendall(bytes(16))  # not the answer the password gives
            self.assertEqual(int.from_bytes(vnc.recv(4), "big"), 1)

        # The private display takes no client without its cookie: an X
        # connection set-up with no authorisation is refused.
        number = re.search(r"private display :(\d+)", self.output).group(1)
        with socket.socket(socket.AF_UNIX) as x:
            x.connect(f"/tmp/.X11-unix/X{number}")
            x.sendall(b"l\0" + (11).to_bytes(2, "little") + bytes(8))
            self.assertNotEqual(x.recv(1), b"\x01", "the display let a client in without its cookie")

    def test_2_ctrl_c_ends_the_run_and_nothing_else(self):
        mark = "QUILLOP_RUN=" + re.search(r'run (quillop-\d+)', self.output).group(1)
        self.assertTrue(processes_with(mark))
        self.script.send_signal(signal.SIGINT)
        self.script.wait(timeout=60)
        self.assertTrue(wait_for(lambda: not processes_with(mark), 20), f"left behind: {processes_with(mark)}")
        self.assertTrue(self.notepad() and all(alive(pid) for pid in self.notepad()), "the prefix's Notepad ended")


class DesktopRun(unittest.TestCase):
    """scripts/run on a user's desktop: DISPLAY set, and the desktop's
    size asked of it (once a reader that stopped early ended the script).
    Keys typed through X choose from the menu, also once another program
    was opened; that program is named when the run ends."""

    def test_starts_on_the_display_takes_x_keys_and_stops_cleanly(self):
        with tempfile.TemporaryDirectory() as folder:
            root = Path(folder)
            display = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
            try:
                number = display.stdout.readline().strip()
                environment = {key: value for key, value in os.environ.items() if key != "XAUTHORITY"}
                environment.update(DISPLAY=f":{number}", WINEPREFIX=str(root / "wine"), WINEDEBUG="-all",
                                   HOME=str(root), QUILLOP_HOME=str(root / "home"), QUILLOP_SKIP_BUILD="1")
                script = subprocess.Popen([str(TOP / "scripts" / "run")], env=environment, stdout=subprocess.PIPE,
                                          stderr=subprocess.STDOUT, text=True)
                output = ""
                for line in script.stdout:
                    output += line
                    if "Quillop is running" in line or "did not" in line:
                        break
                self.assertIn("Quillop is running", output)
                self.assertIn("(1024x768)", output, "the desktop is not the display's size")
                self.assertNotIn("VNC", output)
                mark = "QUILLOP_RUN=" + re.search(r"run (quillop-\d+)", output).group(1)
                self.assertTrue(processes_with(mark))
                x = dict(environment)

                def choose(downs):
                    """Clicks the icon at the bottom right, moves the pointer off
                    the menu (which opens under it) and chooses the entry."""
                    subprocess.run(["xdotool", "mousemove", "1012", "758", "click", "1", "mousemove", "400", "300"],
                                   env=x, check=True)
                    time.sleep(1.5)
                    # Left closes a submenu the pointer opened; Home goes to
                    # the first entry.
                    subprocess.run(["xdotool", "key", "--delay", "80", "Left", "Home", *["Down"] * (downs - 1)],
                                   env=x, check=True)
                    subprocess.run(["xdotool", "key", "Return"], env=x, check=True)

                # The demo menu: <<Add New Item>>, Documents, Wine tools,
                # Command Prompt, Notepad, Read me.
                choose(5)
                self.assertTrue(wait_for(lambda: len(programs_with(mark, "notepad.exe")) == 1, 20),
                                "keys typed through X did not reach the first menu")
                time.sleep(2)  # Notepad is the active window now
                choose(6)  # "Read me" opens in a second Notepad
                self.assertTrue(wait_for(lambda: len(programs_with(mark, "notepad.exe")) == 2, 20),
                                "keys typed through X did not reach the menu after Notepad opened")
                script.send_signal(signal.SIGINT)
                rest, _ = script.communicate(timeout=60)
                self.assertIn("Still running", rest)
                self.assertIn("notepad.exe", rest)
                for pid in programs_with(mark, "notepad.exe"):
                    os.kill(pid, signal.SIGKILL)
                self.assertTrue(wait_for(lambda: not processes_with(mark), 20), f"left behind: {processes_with(mark)}")
            finally:
                subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=str(root / "wine")), check=False)
                display.kill()


class Scripts(unittest.TestCase):
    def test_every_script_passes_shellcheck(self):
        scripts = [path for folder in ("scripts", ".ci", "tests/support") for path in sorted((TOP / folder).iterdir())
                   if path.is_file() and path.read_bytes()[:32].startswith((b"#!/usr/bin/env bash", b"#!/bin/sh"))
                   or path.suffix == ".sh"]
        self.assertIn(TOP / "scripts" / "run", scripts)
        result = subprocess.run(["shellcheck", "-S", "warning", *map(str, scripts)], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout)


if __name__ == "__main__":
    if not shutil.which("wine"):
        raise SystemExit("wine is missing")
    unittest.main(verbosity=2)
