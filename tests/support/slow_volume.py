#!/usr/bin/env python3
"""A slow volume for the tests: a read-only FUSE view of a folder in which
every file operation waits first, as a sleeping network drive or a
disconnected share would. The wait, in seconds, is read from a control file
at each operation, so a test can change it while the volume is mounted;
"never" makes every operation wait until the file says otherwise, as a
share that never answers. How many operations are waiting now is written
whole to the delay file's name with ".waiting" added, each time it changes
while the volume is slow. Each file opened is noted, one path a line, in
the log file when one is given. Links onto the volume are made and taken
away on request, for a test inside Wine (which cannot make them): a file in
the requests folder reading "make PATH" (a link onto the volume), "link
TARGET<TAB>PATH" (a link to anything) or "remove PATH" (Unix paths) is
carried out and renamed to end in ".done". A request is written as NAME.new
and renamed when whole; a ".new" file is never read.

Usage: slow_volume.py BACKING MOUNTPOINT DELAY_FILE [OPENS_LOG [REQUESTS]]
Needs Debian's python3-fusepy (over libfuse) and /dev/fuse."""
import errno
import os
import sys
import threading
import time

sys.path.insert(0, "/usr/lib/python3/dist-packages")
from fusepy import FUSE, FuseOSError, Operations  # noqa: E402


class SlowVolume(Operations):
    def __init__(self, backing, delay_file, opens_log):
        self.backing = backing
        self.delay_file = delay_file
        self.opens_log = opens_log
        self.waiting = 0
        self.waiting_lock = threading.Lock()

    def note_waiting(self, change):
        with self.waiting_lock:
            self.waiting += change
            part = self.delay_file + ".waiting.new"
            with open(part, "w") as f:
                f.write(f"{self.waiting}\n")
            os.replace(part, self.delay_file + ".waiting")

    def delay(self):
        try:
            with open(self.delay_file) as f:
                text = f.read().strip()
        except OSError:
            return 0
        if text == "never":
            return None
        try:
            return float(text or 0)
        except ValueError:
            return 0

    def wait(self):
        delay = self.delay()
        if delay == 0:
            return
        self.note_waiting(1)
        try:
            while delay is None:
                time.sleep(0.1)
                delay = self.delay()
            if delay > 0:
                time.sleep(delay)
        finally:
            self.note_waiting(-1)

    def real(self, path):
        return os.path.join(self.backing, path.lstrip("/"))

    def getattr(self, path, fh=None):
        self.wait()
        try:
            st = os.lstat(self.real(path))
        except OSError as e:
            raise FuseOSError(e.errno)
        return {key: getattr(st, key) for key in ("st_atime", "st_ctime", "st_gid", "st_mode", "st_mtime",
                                                  "st_nlink", "st_size", "st_uid")}

    def readdir(self, path, fh):
        self.wait()
        return [".", ".."] + os.listdir(self.real(path))

    def open(self, path, flags):
        self.wait()
        if self.opens_log:
            with open(self.opens_log, "a") as log:
                log.write(path + "\n")
        if flags & (os.O_WRONLY | os.O_RDWR):
            raise FuseOSError(errno.EROFS)
        return os.open(self.real(path), flags)

    def read(self, path, size, offset, fh):
        self.wait()
        return os.pread(fh, size, offset)

    def release(self, path, fh):
        os.close(fh)
        return 0

    def statfs(self, path):
        st = os.statvfs(self.backing)
        return {key: getattr(st, key) for key in ("f_bavail", "f_bfree", "f_blocks", "f_bsize", "f_favail",
                                                  "f_ffree", "f_files", "f_flag", "f_frsize", "f_namemax")}


def serve_link_requests(requests, mountpoint):
    """Makes and takes away links onto the volume as the tests ask."""
    while True:
        for name in sorted(os.listdir(requests)):
            if name.endswith((".done", ".new")):  # carried out, or still being written
                continue
            request = os.path.join(requests, name)
            with open(request) as f:
                verb, _, path = f.read().strip().partition(" ")
            try:
                if verb == "make":
                    os.symlink(mountpoint, path)
                elif verb == "link":
                    target, _, at = path.partition("\t")
                    os.symlink(target, at)
                elif verb == "remove" and os.path.islink(path):
                    os.unlink(path)
            except OSError as e:
                print(f"link request {verb} {path}: {e}", file=sys.stderr)
            os.rename(request, request + ".done")
        time.sleep(0.05)


if __name__ == "__main__":
    if len(sys.argv) not in (4, 5, 6):
        sys.exit(__doc__)
    backing, mountpoint, delay_file = sys.argv[1:4]
    opens_log = sys.argv[4] if len(sys.argv) >= 5 else None
    if len(sys.argv) == 6:
        threading.Thread(target=serve_link_requests, args=(sys.argv[5], mountpoint), daemon=True).start()
    # No kernel caching of names or attributes: every look goes to the volume.
    FUSE(SlowVolume(backing, delay_file, opens_log), mountpoint, foreground=True, nothreads=False, ro=True,
         attr_timeout=0, entry_timeout=0, negative_timeout=0)
