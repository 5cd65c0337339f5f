#!/usr/bin/env python3
"""Draws Quillop's pictures: the program and tray icons, the two button
icons, the 13-image menu strip (bitmap 132) and the hand cursor.

Usage: make_images.py OUTPUT_DIR
Everything is drawn here from simple shapes, so the build needs no binary
image files."""
import struct
import sys
from pathlib import Path

# The 16 classic colours; the menu strip is a 16-colour bitmap in them.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER, GRAY, RED, LIME, YELLOW, BLUE, \
    MAGENTA, AQUA, WHITE = PALETTE
CLEAR = None


class Canvas:
    def __init__(self, width, height, background=CLEAR):
        self.width, self.height = width, height
        self.pixels = [[background] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        """Filled rectangle, inclusive corners."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        self.line(x0, y0, x1, y0, colour)
        self.line(x0, y1, x1, y1, colour)
        self.line(x0, y0, x0, y1, colour)
        self.line(x1, y0, x1, y1, colour)

    def line(self, x0, y0, x1, y1, colour):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.put(x0, y0, colour)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def disc(self, cx, cy, r, colour, ring=None):
        for y in range(self.height):
            for x in range(self.width):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if d <= r * r:
                    self.put(x, y, ring if ring and d > (r - 1.2) ** 2 else colour)

    def polygon(self, points, colour):
        """Filled polygon by the even-odd rule at pixel centres."""
        for y in range(self.height):
            for x in range(self.width):
                px, py, inside = x + 0.5, y + 0.5, False
                for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                    if (ay > py) != (by > py) and px < ax + (py - ay) * (bx - ax) / (by - ay):
                        inside = not inside
                if inside:
                    self.put(x, y, colour)


# --- the program's own motif: a menu card with a quill ---------------------

def program_picture(size):
    c = Canvas(size, size)
    s = size / 32.0
    k = lambda v: int(round(v * s))
    c.rect(k(3), k(3), k(26), k(28), NAVY)
    c.rect(k(4), k(4), k(25), k(27), BLUE)
    c.rect(k(7), k(7), k(22), k(24), WHITE)
    for row in (10, 15, 20):
        c.rect(k(9), k(row), k(11), k(row + 2), YELLOW if row == 10 else GREEN if row == 15 else RED)
        c.rect(k(13), k(row + 1), k(20), k(row + 1) + max(1, k(1)) - 1, GRAY)
    c.polygon([(k(31), k(1)), (k(22), k(14)), (k(18), k(22)), (k(26), k(12))], SILVER)
    c.line(k(30), k(2), k(18), k(22), BLACK)
    return c


# --- the 13 menu images ------------------------------------------------------

def strip_image(index):
    c = Canvas(16, 16, MAGENTA)
    draw = [add_new, program_window, dish, camera, book, question, door, folder, check,
            flasks, hline, window_grid, hand_card][index]
    draw(c)
    return c


def add_new(c):
    c.rect(1, 10, 14, 14, OLIVE); c.rect(2, 11, 13, 13, YELLOW)
    for i, x in enumerate((3, 6, 9)):
        c.rect(x, 2 + i, x + 4, 9 + i // 2, WHITE); c.frame(x, 2 + i, x + 4, 9 + i // 2, GRAY)


def program_window(c):
    c.rect(0, 1, 15, 14, NAVY); c.rect(1, 4, 14, 13, WHITE); c.rect(1, 2, 14, 3, BLUE)
    c.rect(3, 6, 6, 9, RED); c.disc(10, 8, 2.2, GREEN); c.polygon([(4, 13), (8, 10), (12, 13)], BLUE)


def dish(c):
    c.disc(6, 7, 5.5, SILVER, GRAY); c.line(6, 7, 12, 1, BLACK); c.put(12, 1, RED); c.put(13, 1, RED)
    c.line(6, 12, 3, 15, GRAY); c.line(6, 12, 9, 15, GRAY); c.line(2, 15, 10, 15, BLACK)


def camera(c):
    c.rect(2, 3, 13, 9, GRAY); c.rect(3, 4, 12, 8, SILVER); c.disc(7.5, 6, 2.3, BLACK); c.put(7, 5, WHITE)
    c.rect(10, 2, 12, 3, BLACK); c.line(7, 10, 7, 13, BLACK); c.line(7, 13, 3, 15, BLACK); c.line(7, 13, 12, 15, BLACK)


def book(c):
    c.rect(3, 1, 13, 14, MAROON); c.rect(4, 2, 12, 13, RED); c.rect(3, 14, 13, 15, WHITE)
    q = [(6, 4), (7, 3), (8, 3), (9, 3), (10, 4), (10, 5), (9, 6), (8, 7), (8, 8), (8, 10)]
    for x, y in q:
        c.put(x, y, YELLOW)


def question(c):
    c.disc(7.5, 7.5, 7, BLUE, NAVY)
    for x, y in [(6, 4), (7, 3), (8, 3), (9, 4), (10, 5), (9, 6), (8, 7), (8, 8), (7, 8), (7, 11), (8, 11)]:
        c.put(x, y, WHITE)
        c.put(x, y + (1 if y == 11 else 0), WHITE)


def door(c):
    c.rect(4, 1, 12, 15, MAROON); c.rect(5, 2, 11, 15, OLIVE); c.put(10, 8, YELLOW)
    c.line(0, 8, 6, 8, GREEN); c.line(1, 7, 1, 9, GREEN); c.line(2, 6, 2, 10, GREEN)


def folder(c):
    c.rect(1, 3, 6, 4, OLIVE); c.rect(1, 5, 14, 13, OLIVE); c.rect(2, 6, 13, 12, YELLOW)


def check(c):
    for i, (x, y) in enumerate([(3, 8), (4, 9), (5, 10), (6, 11), (7, 10), (8, 9), (9, 8), (10, 7), (11, 6), (12, 5), (13, 4)]):
        c.rect(x, y - 1, x, y + 1, BLACK if i < 11 else GREEN)


def flasks(c):
    c.polygon([(1, 15), (3, 7), (3, 3), (5, 3), (5, 7), (7, 15)], WHITE)
    c.polygon([(2, 15), (3, 11), (5, 11), (6, 15)], AQUA)
    c.polygon([(9, 15), (11, 7), (11, 3), (13, 3), (13, 7), (15, 15)], WHITE)
    c.polygon([(10, 15), (11, 11), (13, 11), (14, 15)], LIME)
    c.line(5, 4, 11, 4, GRAY); c.line(5, 5, 11, 5, GRAY)


def hline(c):
    c.rect(1, 7, 14, 8, GRAY); c.line(1, 7, 14, 7, BLACK)


def window_grid(c):
    for x0, y0 in [(0, 0), (8, 0), (0, 8), (8, 8)]:
        c.rect(x0, y0, x0 + 7, y0 + 7, NAVY); c.rect(x0 + 1, y0 + 2, x0 + 6, y0 + 6, WHITE)


def hand_card(c):
    c.rect(1, 1, 12, 8, SILVER); c.frame(1, 1, 12, 8, GRAY)
    for y in (3, 5):
        for x in range(3, 11, 2):
            c.put(x, y, BLACK)
    c.polygon([(2, 15), (4, 9), (12, 9), (14, 11), (10, 12), (8, 15)], (255, 200, 160)[0:1] and YELLOW)
    c.line(4, 9, 12, 9, OLIVE)


# --- small button icons ------------------------------------------------------

def browse_picture():
    c = Canvas(16, 14)
    c.rect(0, 2, 5, 3, OLIVE); c.rect(0, 4, 11, 13, OLIVE); c.rect(1, 5, 10, 12, YELLOW)
    c.polygon([(2, 13), (5, 7), (15, 7), (12, 13)], OLIVE)
    c.polygon([(3, 13), (6, 8), (14, 8), (11, 13)], YELLOW)
    c.line(10, 1, 14, 1, GREEN); c.line(14, 1, 14, 4, GREEN); c.line(13, 0, 15, 2, GREEN)
    return c


def menu_pick_picture():
    c = Canvas(16, 14)
    for y, colour in ((2, RED), (6, GREEN), (10, BLUE)):
        c.rect(2, y, 13, y + 2, colour)
    return c


def hand_cursor():
    c = Canvas(32, 32)
    outline = [(5, 0), (7, 0), (8, 1), (8, 7), (10, 6), (12, 7), (14, 7), (16, 9), (18, 9), (19, 11),
               (19, 17), (17, 21), (16, 24), (7, 24), (6, 21), (1, 14), (1, 12), (3, 11), (5, 13), (4, 1)]
    c.polygon(outline, BLACK)
    c.polygon([(x + (1 if x < 10 else -1), y + (1 if y < 12 else -1)) for x, y in outline], WHITE)
    for x in (9, 12, 15):
        c.line(x, 12, x, 17, BLACK)
    return c


# --- file writers ------------------------------------------------------------

def dib_32(canvas):
    """A bottom-up 32-bit DIB with its AND mask, as icons and cursors hold it."""
    w, h = canvas.width, canvas.height
    header = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colours = bytearray()
    for row in reversed(canvas.pixels):
        for p in row:
            colours += bytes((0, 0, 0, 0)) if p is None else bytes((p[2], p[1], p[0], 255))
    stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(canvas.pixels):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colours + mask


def icon_file(canvases, kind=1, hotspot=(0, 0)):
    entries, images = b'', b''
    offset = 6 + 16 * len(canvases)
    for canvas in canvases:
        data = dib_32(canvas)
        a, b = (1, 32) if kind == 1 else hotspot
        entries += struct.pack('<BBBBHHII', canvas.width % 256, canvas.height % 256, 0, 0, a, b, len(data), offset)
        images += data
        offset += len(data)
    return struct.pack('<HHH', 0, kind, len(canvases)) + entries + images


def strip_bitmap():
    width, height = 16 * 13, 16
    strip = Canvas(width, height, MAGENTA)
    for i in range(13):
        image = strip_image(i)
        for y in range(16):
            for x in range(16):
                strip.pixels[y][i * 16 + x] = image.pixels[y][x] or MAGENTA
    stride = ((width * 4 + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(strip.pixels):
        line = bytearray(stride)
        for x, p in enumerate(row):
            index = PALETTE.index(p)
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        pixels += line
    palette = b''.join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(pixels), 0, 0, 16, 16)
    offset = 14 + len(info) + len(palette)
    return struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset) + info + palette + pixels


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    (out / 'program.ico').write_bytes(icon_file([program_picture(32), program_picture(16)]))
    (out / 'tray.ico').write_bytes(icon_file([program_picture(16)]))
    (out / 'browse.ico').write_bytes(icon_file([browse_picture()]))
    (out / 'menupick.ico').write_bytes(icon_file([menu_pick_picture()]))
    (out / 'hand.cur').write_bytes(icon_file([hand_cursor()], kind=2, hotspot=(6, 0)))
    (out / 'menu.bmp').write_bytes(strip_bitmap())


if __name__ == '__main__':
    main()
