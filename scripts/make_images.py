#!/usr/bin/env python3
"""Renders Quillop's pictures from the SVG sources in res/icons into the
icon and cursor files that res/Quillop.rc compiles in: each at every size
that the display's scaling may ask for.

Usage: make_images.py OUTPUT_DIR
Needs rsvg-convert (Debian's librsvg2-bin); the rest is done here."""
import struct
import subprocess
import sys
import zlib
from pathlib import Path

ICONS = Path(__file__).resolve().parent.parent / "res" / "icons"

# The small sizes a system-DPI-aware program meets from 100 % to 300 %.
SMALL = [16, 20, 24, 28, 32, 40, 48]
# name: (source, sizes as (width, height)).
PICTURES = {
    "program.ico": ("program", [(s, s) for s in (16, 20, 24, 32, 40, 48, 64, 256)]),
    "tray.ico": ("tray", [(s, s) for s in SMALL]),
    "browse.ico": ("browse", [(s, s * 7 // 8) for s in SMALL]),
    "menupick.ico": ("menupick", [(s, s * 7 // 8) for s in SMALL]),
}
# The short-cut menu's command pictures.
for command in ("add", "desktop", "autostart-off", "autostart-on", "help", "about", "exit", "folder", "on", "edit",
                "separator-off", "show-all", "hotkeys", "document", "program-file", "find"):
    PICTURES[f"{command}.ico"] = (command, [(s, s) for s in SMALL])
# The hand cursor: its hot spot is the fingertip, at (9, 1) of 32.
CURSOR_SIZES = [32, 48, 64]
CURSOR_HOT_SPOT = (9 / 32, 1 / 32)


def render(source, width, height):
    """The picture as a PNG file."""
    return subprocess.run(["rsvg-convert", "-w", str(width), "-h", str(height), str(ICONS / f"{source}.svg")],
                          check=True, capture_output=True).stdout


def decode_png(data, width, height):
    """The RGBA rows of an 8-bit, non-interlaced RGBA PNG, as rsvg-convert writes them."""
    position, chunks = 8, b""
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        if kind == b"IHDR" and body[8:13] != bytes([8, 6, 0, 0, 0]):
            sys.exit("make_images.py: rsvg-convert wrote a PNG that is not 8-bit RGBA")
        if kind == b"IDAT":
            chunks += body
        position += 12 + length
    raw, stride, rows, previous = zlib.decompress(chunks), width * 4, [], bytearray(width * 4)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            left = line[x - 4] if x >= 4 else 0
            up, up_left = previous[x], previous[x - 4] if x >= 4 else 0
            if kind == 1:
                line[x] = (line[x] + left) & 0xFF
            elif kind == 2:
                line[x] = (line[x] + up) & 0xFF
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 0xFF
            elif kind == 4:
                estimate = left + up - up_left
                near = min((abs(estimate - left), 0), (abs(estimate - up), 1), (abs(estimate - up_left), 2))[1]
                line[x] = (line[x] + (left, up, up_left)[near]) & 0xFF
        rows.append(bytes(line))
        previous = line
    return rows


def bitmap_entry(rows, width, height):
    """An icon image as the oldest readers want it: a 32-bit bottom-up DIB
    with alpha, then a 1-bit mask (set where fully transparent)."""
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes(p for i in range(0, width * 4, 4) for p in (row[i + 2], row[i + 1], row[i], row[i + 3]))
                      for row in reversed(rows))
    mask_stride = (width + 31) // 32 * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x in range(width):
            if row[x * 4 + 3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + colour + mask


def icon_file(images, hot_spots=None):
    """An .ico (or, with hot spots, a .cur) file of the images, each (width,
    height, entry bytes)."""
    kind = 2 if hot_spots else 1
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for index, (width, height, entry) in enumerate(images):
        planes, bits = hot_spots[index] if hot_spots else (1, 32)
        out += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, planes, bits, len(entry), offset)
        offset += len(entry)
    return out + b"".join(entry for _, _, entry in images)


def picture(source, sizes):
    images = []
    for width, height in sizes:
        png = render(source, width, height)
        # Large images as PNG, as Windows stores them; small ones as bitmaps.
        entry = png if width >= 256 else bitmap_entry(decode_png(png, width, height), width, height)
        images.append((width, height, entry))
    return icon_file(images)


def cursor():
    images, hot_spots = [], []
    for size in CURSOR_SIZES:
        rows = decode_png(render("hand", size, size), size, size)
        images.append((size, size, bitmap_entry(rows, size, size)))
        hot_spots.append((round(CURSOR_HOT_SPOT[0] * size), round(CURSOR_HOT_SPOT[1] * size)))
    return icon_file(images, hot_spots)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for name, (source, sizes) in PICTURES.items():
        (out / name).write_bytes(picture(source, sizes))
    (out / "hand.cur").write_bytes(cursor())


if __name__ == "__main__":
    main()
