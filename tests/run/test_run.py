#!/usr/bin/env python3
"""scripts/run as users start it: without a display, Quillop on a private
display behind VNC on loopback with a password, and on Ctrl+C nothing of the
run left behind but the programs opened from its menu, while a program of
the same Wine prefix that the run did not start keeps running; with a
display, Quillop's icon there and a clean stop. Programs left running hold
the desktop when the run ends: the next run names them and, asked at a
terminal, ends them, or else starts in a fresh desktop; either way its icon
shows and its menu takes keys. And every script of the project passes
shellcheck.

Usage: test_run.py"""
import os
import re
import shutil
import pty
import signal
import socket
import subprocess
import tempfile
import threading
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


def described(pids):
    """The processes' ids with their command lines, for a failure's message."""
    lines = []
    for pid in pids:
        try:
            command = Path(f"/proc/{pid}/cmdline").read_bytes().replace(b"\0", b" ").decode(errors="replace")
        except OSError:
            command = "(ended)"
        lines.append(f"{pid}: {command}")
    return "; ".join(lines)


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


def folder_windows(variable):
    """The ids of the marked explorer.exe processes that show a folder, not
    a desktop."""
    found = []
    for pid in programs_with(variable, "explorer.exe"):
        try:
            arguments = Path(f"/proc/{pid}/cmdline").read_bytes().split(b"\0")[1:]
        except OSError:
            continue
        if arguments and not arguments[0].startswith(b"/desktop"):
            found.append(pid)
    return found


def quillop_or_desktop(variable):
    """The ids of the marked processes of Quillop and its desktop."""
    found = []
    for pid in processes_with(variable):
        try:
            command = Path(f"/proc/{pid}/cmdline").read_bytes().lower()
        except OSError:
            continue
        if b"quillop.exe" in command or b"/desktop=" in command:
            found.append(pid)
    return found


def wait_for(condition, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(0.2)
    return condition()


class Run:
    """One scripts/run, its output read as it comes (a prompt ends in no
    newline), its stdin a terminal when asked."""

    def __init__(self, environment, terminal=False):
        self.text = ""
        self.changed = threading.Condition()
        stdin = subprocess.DEVNULL
        if terminal:
            self.terminal, stdin = pty.openpty()
        self.process = subprocess.Popen([str(TOP / "scripts" / "run")], env=environment, stdin=stdin,
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if terminal:
            os.close(stdin)
        self.started = time.monotonic()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        while chunk := os.read(self.process.stdout.fileno(), 4096):
            with self.changed:
                self.text += chunk.decode(errors="replace")
                self.changed.notify_all()
        self.process.stdout.close()
        with self.changed:
            self.ended = True
            self.changed.notify_all()

    ended = False

    def wait_for_text(self, *texts, seconds=180):
        """Waits until the output holds one of the texts or ends."""
        with self.changed:
            self.changed.wait_for(lambda: any(text in self.text for text in texts) or self.ended, timeout=seconds)
            return self.text

    def answer(self, line):
        os.write(self.terminal, line.encode() + b"\n")

    def mark(self):
        return "QUILLOP_RUN=" + re.search(r"run (quillop-\d+)", self.text).group(1)

    def icon_seconds(self):
        return int(re.search(r"it showed after (\d+) s", self.text).group(1))

    def stop(self):
        """Ctrl+C, and the output to the end."""
        self.process.send_signal(signal.SIGINT)
        self.process.wait(timeout=90)
        return self.wait_for_text()

    def kill(self):
        """Ends the script if it still runs, and lets go of its terminal."""
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()
        if hasattr(self, "terminal"):
            os.close(self.terminal)


def choose(environment, icon, keys):
    """Clicks the icon, moves the pointer off the menu (which opens under
    it) and types the keys: Left first closes a submenu the pointer opened."""
    subprocess.run(["xdotool", "mousemove", *map(str, icon), "click", "1", "mousemove", "400", "300"],
                   env=environment, check=True)
    time.sleep(1.5)
    subprocess.run(["xdotool", "key", "--delay", "80", "Left", *keys], env=environment, check=True)


def notepads(variable):
    return programs_with(variable, "notepad.exe")


def is_notepad(title):
    return title.endswith(" - Notepad")


def is_menu_folder(title):
    return title == "Quillop"  # the demo menu folder's name


def focused(environment):
    """The title of the window that has the X input focus."""
    return subprocess.run(["xdotool", "getwindowfocus", "getwindowname"], env=environment, capture_output=True,
                          text=True).stdout.strip()


def opened(environment, mark, find, title):
    """Whether the run opened a program (find: its ids) whose window, of
    the title given, took the keyboard focus: a menu opened before it would
    lose the keys to it."""
    return bool(find(mark)) and title(focused(environment))


# The demo menu: <<Add New Item>>, Documents, Wine tools, Command Prompt,
# Notepad, Read me; last "Quillop": Find..., Desktop, Show All, Edit, ..., Exit.
NOTEPAD = ["Home", "Down", "Down", "Down", "Down", "Return"]
READ_ME = ["Home", "Down", "Down", "Down", "Down", "Down", "Return"]
EDIT = ["End", "Right", "Home", "Down", "Down", "Down", "Return"]  # the menu folder in a folder window
EXIT = ["End", "Right", "End", "Return"]


class HeadlessRun(unittest.TestCase):
    """Without DISPLAY: Notepad and a folder window opened from the menu are
    left running at Ctrl+C; the next run, at a terminal, is told to end them
    and does, and reopens the install's desktop."""

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        root = Path(cls.folder.name)
        cls.home, cls.prefix = root / "home", root / "wine"
        environment = {key: value for key, value in os.environ.items() if key not in ("DISPLAY", "XAUTHORITY")}
        environment.update(WINEPREFIX=str(cls.prefix), WINEDEBUG="-all", HOME=str(root))
        cls.environment = dict(environment, QUILLOP_HOME=str(cls.home), QUILLOP_SKIP_BUILD="1")
        # A program of the prefix that the run does not start: Notepad on a
        # display of its own.
        cls.display = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "800x600x24", "-nolisten", "tcp"],
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        number = cls.display.stdout.readline().strip()
        cls.starter = subprocess.Popen(["wine", "notepad"], env=dict(environment, DISPLAY=f":{number}"),
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        assert wait_for(lambda: (cls.prefix / "system.reg").exists() and cls.notepad(), 120), "no Notepad"
        cls.foreign = cls.notepad()
        cls.runs = [Run(cls.environment)]
        cls.output = cls.runs[0].wait_for_text("Quillop is running", "did not")
        cls.left = []

    @classmethod
    def notepad(cls):
        return [pid for pid in processes_with(f"WINEPREFIX={cls.prefix}")
                if b"notepad" in Path(f"/proc/{pid}/cmdline").read_bytes().lower()]

    @classmethod
    def tearDownClass(cls):
        for run in cls.runs:
            run.kill()
        for pid in cls.notepad() + cls.left:
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass
        subprocess.run(["wineserver", "-k"], env=cls.environment, check=False)
        cls.starter.wait(timeout=30)
        cls.display.kill()
        cls.display.wait()
        cls.display.stdout.close()
        cls.folder.cleanup()

    def x(self, output):
        """The environment of a client of the run's private display."""
        number = re.search(r"private display :(\d+)", output).group(1)
        return dict(self.environment, DISPLAY=f":{number}", XAUTHORITY=str(self.home / "Xauthority"))

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

    def test_2_ctrl_c_ends_the_run_and_names_what_ended_with_the_display(self):
        run = self.runs[0]
        mark = run.mark()
        x = self.x(self.output)
        choose(x, (1268, 790), NOTEPAD)
        self.assertTrue(wait_for(lambda: opened(x, mark, notepads, is_notepad), 30), "Notepad did not open")
        choose(x, (1268, 790), EDIT)
        self.assertTrue(wait_for(lambda: opened(x, mark, folder_windows, is_menu_folder), 30),
                        "Edit opened no folder window")
        # A program that hangs on its way out when its display vanishes, as
        # a Wine program can, and ignores the request to end.
        name, value = mark.split("=", 1)
        # Not this test's child, so that nothing but its end removes it.
        hung = int(subprocess.run(["bash", "-c", "(trap '' TERM; exec -a 'C:\\windows\\hung.exe' sleep 600)"
                                  " &>/dev/null & echo $!"], env=dict(self.environment, **{name: value}), check=True,
                                  capture_output=True, text=True).stdout)
        type(self).left = notepads(mark) + folder_windows(mark) + [hung]
        rest = run.stop()
        self.assertTrue(wait_for(lambda: not processes_with(mark), 20),
                        f"left behind: {described(processes_with(mark))}")
        self.assertIn("Ended with the private display", rest)
        self.assertRegex(rest, r"notepad\.exe \(process \d+\)")
        self.assertRegex(rest, r"a folder window, .*Quillop \(explorer\.exe, process \d+\)")
        self.assertIn(f"hung.exe (process {hung})", rest)
        self.assertNotIn("Still running", rest)
        self.assertTrue(all(alive(pid) for pid in self.foreign), "the prefix's Notepad ended")

    def test_3_the_next_run_starts_and_takes_keys(self):
        run = Run(self.environment)
        self.runs.append(run)
        output = run.wait_for_text("Quillop is running", "did not", "ended")
        self.assertIn("Quillop is running", output)
        self.assertNotIn("cannot be reopened", output)
        self.assertLessEqual(run.icon_seconds(), 60)

        mark = run.mark()
        choose(self.x(output), (1268, 790), NOTEPAD)
        self.assertTrue(wait_for(lambda: notepads(mark), 30), "the menu did not take keys")
        for pid in notepads(mark):
            os.kill(pid, signal.SIGKILL)
        run.stop()
        self.assertTrue(wait_for(lambda: not processes_with(mark), 20),
                        f"left behind: {described(processes_with(mark))}")
        self.assertTrue(all(alive(pid) for pid in self.foreign), "the prefix's Notepad ended")


class DesktopRun(unittest.TestCase):
    """scripts/run on a user's desktop: DISPLAY set, and the desktop's
    size asked of it (once a reader that stopped early ended the script).
    Keys typed through X choose from the menu, also once another program
    was opened. Notepad and a folder window left running at Exit are named;
    the next run, not at a terminal, names them again and starts in a fresh
    desktop beside theirs; the one after, at a terminal and told Yes, ends
    them and reopens the install's desktop."""

    def menu_opens_notepad(self, x, run, entry, menu):
        """Chooses the entry (one that opens Notepad) from the run's menu by
        keys typed through X, ends that Notepad and stops the run; the run's
        mark."""
        mark = run.mark()
        choose(x, (1012, 758), entry)
        self.assertTrue(wait_for(lambda: notepads(mark), 30), f"keys typed through X did not reach {menu}")
        for pid in notepads(mark):
            os.kill(pid, signal.SIGKILL)
        run.stop()
        return mark

    def test_starts_on_the_display_takes_x_keys_and_starts_again_beside_what_exit_left(self):
        with tempfile.TemporaryDirectory() as folder:
            root = Path(folder)
            display = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
            runs = []
            try:
                number = display.stdout.readline().strip()
                x = {key: value for key, value in os.environ.items() if key != "XAUTHORITY"}
                x.update(DISPLAY=f":{number}", WINEPREFIX=str(root / "wine"), WINEDEBUG="-all",
                         HOME=str(root), QUILLOP_HOME=str(root / "home"), QUILLOP_SKIP_BUILD="1")
                runs.append(Run(x))
                output = runs[0].wait_for_text("Quillop is running", "did not")
                self.assertIn("Quillop is running", output)
                self.assertIn("(1024x768)", output, "the desktop is not the display's size")
                self.assertRegex(output, r"The prefix is ready \(\d+ s\)")
                self.assertNotIn("VNC", output)
                first = runs[0].mark()
                self.assertTrue(processes_with(first))

                choose(x, (1012, 758), NOTEPAD)
                self.assertTrue(wait_for(lambda: opened(x, first, notepads, is_notepad), 30),
                                "keys typed through X did not reach the first menu")
                choose(x, (1012, 758), EDIT)
                self.assertTrue(wait_for(lambda: opened(x, first, folder_windows, is_menu_folder), 30),
                                "keys typed through X did not reach the menu after Notepad opened")
                left = notepads(first) + folder_windows(first)
                choose(x, (1012, 758), EXIT)
                runs[0].process.wait(timeout=90)
                rest = runs[0].wait_for_text()
                self.assertFalse(quillop_or_desktop(first), "Exit left Quillop or its desktop")
                self.assertIn("Still running", rest)
                self.assertIn("notepad.exe", rest)
                self.assertIn("a folder window", rest)

                # Not at a terminal: a fresh desktop beside theirs, unasked.
                runs.append(Run(x))
                output = runs[1].wait_for_text("Quillop is running", "did not", "ended")
                self.assertIn("cannot be reopened", output)
                self.assertRegex(output, r"notepad\.exe \(process \d+\)")
                self.assertIn("a folder window", output)
                self.assertIn("Starting Quillop in a fresh desktop", output)
                self.assertIn("Quillop is running", output)
                self.assertLessEqual(runs[1].icon_seconds(), 60)
                self.assertTrue(all(alive(pid) for pid in left), "a program left running was ended unasked")
                second = self.menu_opens_notepad(x, runs[1], READ_ME, "the second run's menu")

                # At a terminal: asked, and told Yes, the run ends them and
                # reopens the install's desktop.
                runs.append(Run(x, terminal=True))
                prompt = runs[2].wait_for_text("[y/N]", "Quillop is running")
                self.assertIn("cannot be reopened", prompt)
                self.assertIn("End them?", prompt)
                runs[2].answer("y")
                output = runs[2].wait_for_text("Quillop is running", "did not", "ended")
                self.assertIn("Ended them; reopening the desktop", output)
                self.assertIn("Quillop is running", output)
                self.assertNotIn("Starting Quillop in a fresh desktop", output)
                self.assertLessEqual(runs[2].icon_seconds(), 60)
                self.assertFalse([pid for pid in left if alive(pid)], "the programs that held the desktop still run")
                third = self.menu_opens_notepad(x, runs[2], NOTEPAD, "the reopened desktop's menu")
                marks = (first, second, third)
                self.assertTrue(wait_for(lambda: not any(processes_with(mark) for mark in marks), 20),
                                f"left behind: {[described(processes_with(mark)) for mark in marks]}")
            finally:
                for run in runs:
                    run.kill()
                subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=str(root / "wine")), check=False)
                display.kill()
                display.wait()
                display.stdout.close()


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
