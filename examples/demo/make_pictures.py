#!/usr/bin/env python3
"""Draws the demo workspace's pictures: a small watch UI of three applications.

A001 home:     gradient background, a flat home screen with buttons, an app icon with soft edges
A002 settings: a gear icon with alpha, a 16-bit RGB565 BMP status bar, picture 3 left out
A003 clock:    a palette picture with transparency (clock hand)

Run it from this folder to draw image/ anew; the pictures are committed, so this is only needed
when they are to change.
"""
import math
import struct
import zlib
from pathlib import Path

OUT = Path(__file__).resolve().parent / "image"


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(name, width, height, rows, colour_type, palette=None, transparency=None):
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    data = b"\x89PNG\r\n\x1a\n"
    data += png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0))
    if palette:
        data += png_chunk(b"PLTE", bytes(c for rgb in palette for c in rgb))
    if transparency:
        data += png_chunk(b"tRNS", bytes(transparency))
    data += png_chunk(b"IDAT", zlib.compress(raw, 9))
    data += png_chunk(b"IEND", b"")
    (OUT / name).write_bytes(data)


def write_bmp565(name, width, height, pixel):
    """A bottom-up BI_BITFIELDS RGB565 BMP; rows padded to 4 bytes."""
    stride = (width * 2 + 3) & ~3
    pixels = bytearray()
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += struct.pack("<H", ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3))
        pixels += row + bytes(stride - len(row))
    header = struct.pack("<2sIHHI", b"BM", 70 + len(pixels), 0, 0, 70)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 16, 3, len(pixels), 2835, 2835, 0, 0)
    masks = struct.pack("<IIII", 0xF800, 0x07E0, 0x001F, 0)
    (OUT / name).write_bytes(header + info + masks + bytes(pixels))


def clamp(v):
    return max(0, min(255, int(round(v))))


def coverage(distance, radius):
    """Anti-aliased coverage of a pixel at `distance` from the centre of a disc."""
    return max(0.0, min(1.0, radius - distance + 0.5))


def gradient_background(size=466):
    rows = []
    for y in range(size):
        t = y / (size - 1)
        rows.append([c for x in range(size)
                     for c in (clamp(10 + 30 * t), clamp(20 + 60 * t + 10 * x / size), clamp(60 + 120 * t))])
    write_png("A001_001.png", size, size, rows, 2)


def home_screen(size=466):
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            colour = (24, 24, 32)
            if y < 60:
                colour = (40, 44, 60)
            for bx, by in ((60, 160), (250, 160), (60, 300), (250, 300)):
                if bx <= x < bx + 156 and by <= y < by + 110:
                    colour = (0, 120, 215) if (bx, by) == (60, 160) else (70, 70, 90)
            row += colour
        rows.append(row)
    write_png("A001_002.png", size, size, rows, 2)


def round_icon(name, size, colour, inner):
    rows = []
    c = (size - 1) / 2
    for y in range(size):
        row = []
        for x in range(size):
            d = math.hypot(x - c, y - c)
            alpha = coverage(d, size / 2 - 1)
            shade = 1.0 - 0.25 * d / size
            rgb = [clamp(v * shade) for v in colour]
            if inner(x - c, y - c, d):
                rgb = [250, 250, 250]
            row += rgb + [clamp(255 * alpha)]
        rows.append(row)
    write_png(name, size, size, rows, 6)


def gear(dx, dy, d):
    angle = math.atan2(dy, dx)
    return 6 < d < 11 + 3 * (math.cos(8 * angle) > 0)


def status_bar():
    def pixel(x, y):
        if 4 <= y < 36 and 90 <= x < 114 and (x < 112 or 12 <= y < 28):
            return (60, 220, 90)  # battery
        return (16, 16, 16) if (x // 6) % 5 else (40, 40, 40)
    write_bmp565("A002_002.bmp", 121, 40, pixel)


def clock_hand(size=96):
    palette = [(0, 0, 0), (230, 40, 40), (250, 250, 250)]
    transparency = [0, 255, 255]
    rows = []
    c = size / 2
    for y in range(size):
        row = []
        for x in range(size):
            on_hand = abs(x - c) < 3 and 8 < y < c
            row.append(1 if on_hand else (2 if math.hypot(x - c, y - c) < 5 else 0))
        rows.append(row)
    write_png("A003_001.png", size, size, rows, 3, palette, transparency)


if __name__ == "__main__":
    OUT.mkdir(exist_ok=True)
    gradient_background()
    home_screen()
    round_icon("A001_003.png", 72, (255, 140, 0), lambda dx, dy, d: abs(dx) < 14 and abs(dy) < 4)
    round_icon("A002_001.png", 48, (90, 90, 110), gear)
    status_bar()
    round_icon("A002_004.png", 32, (0, 160, 120), lambda dx, dy, d: d < 5)
    clock_hand()
