#!/usr/bin/env python3
"""A slow volume for the tests: a read-only FUSE view of a folder in which
every file operation waits first, as a sleeping network drive or a
disconnected share would. The wait, in seconds, is read from a control file
at each operation, so a test can change it while the volume is mounted.

Usage: slow_volume.py BACKING MOUNTPOINT DELAY_FILE
Needs Debian's python3-fusepy (over libfuse) and /dev/fuse."""
import errno
import os
import sys
import time

sys.path.insert(0, "/usr/lib/python3/dist-packages")
from fusepy import FUSE, FuseOSError, Operations  # noqa: E402


class SlowVolume(Operations):
    def __init__(self, backing, delay_file):
        self.backing = backing
        self.delay_file = delay_file

    def wait(self):
        try:
            with open(self.delay_file) as f:
                delay = float(f.read().strip() or 0)
        except (OSError, ValueError):
            delay = 0
        if delay > 0:
            time.sleep(delay)

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


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    backing, mountpoint, delay_file = sys.argv[1:]
    # No kernel caching of names or attributes: every look goes to the volume.
    FUSE(SlowVolume(backing, delay_file), mountpoint, foreground=True, nothreads=False, ro=True,
         attr_timeout=0, entry_timeout=0, negative_timeout=0)
