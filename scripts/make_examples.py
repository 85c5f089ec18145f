#!/usr/bin/env python3
"""Draws the bundled example pictures: 128 x 64, 1 bit per pixel, BMP.

Each picture is written with a different information header (40, 108 or 124
bytes) so that the examples also show that the palette is found after headers
of any of these sizes; text.bmp comes from ImageMagick, when it is installed.
Run from the repository root; rewrites examples/*.bmp.
"""
import shutil
import struct
import subprocess
import sys
from pathlib import Path

WIDTH, HEIGHT = 128, 64

# 5 x 7 capitals, one string of five columns' rows per letter (top row first).
FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "W": ["10001", "10001", "10001", "10101", "10101", "11011", "10001"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    "2": ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    "6": ["00110", "01000", "10000", "11110", "10001", "10001", "01110"],
    "4": ["00010", "00110", "01010", "10010", "11111", "00010", "00010"],
    "8": ["01110", "10001", "10001", "01110", "10001", "10001", "01110"],
    " ": ["00000"] * 7,
}


def blank():
    return [[0] * WIDTH for _ in range(HEIGHT)]


def text(pixels, x, y, words, scale=1):
    for letter in words:
        for row, bits in enumerate(FONT[letter]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    for dy in range(scale):
                        for dx in range(scale):
                            pixels[y + row * scale + dy][x + col * scale + dx] = 1
        x += 6 * scale


def logo():
    p = blank()
    for y in range(HEIGHT):
        for x in range(WIDTH):
            dx, dy = (x - 32) / 26.0, (y - 32) / 26.0
            if 0.55 <= dx * dx + dy * dy <= 1.0:  # a ring
                p[y][x] = 1
            if abs(x - 32) <= 3 and 14 <= y <= 50 or abs(y - 32) <= 3 and 14 <= x <= 50:
                p[y][x] = 1  # a cross inside it
    text(p, 66, 22, "PEL", 2)
    text(p, 66, 42, "MORA", 1)
    return p


def hello():
    p = blank()
    for x in range(WIDTH):
        p[0][x] = p[HEIGHT - 1][x] = 1
    for y in range(HEIGHT):
        p[y][0] = p[y][WIDTH - 1] = 1
    text(p, 10, 10, "HELLO", 2)
    text(p, 10, 34, "128 X 64 LCD", 1)
    text(p, 10, 46, "TWO HALVES", 1)
    return p


def pattern():
    p = blank()
    for y in range(HEIGHT):
        for x in range(WIDTH):
            if x < 64:
                p[y][x] = (x // 8 + y // 8) % 2  # 8 x 8 checkerboard: one byte per square
            elif y < 32:
                p[y][x] = 1 if (x - 64) % 2 == 0 else 0  # single-pixel stripes
            else:
                p[y][x] = 1 if y == 32 + (x - 64) // 2 else 0  # a diagonal
    p[0][0] = 1
    return p


def write_bmp(path, pixels, header_size, palette=((0, 0, 0), (255, 255, 255))):
    """Bottom-up rows; drawn pixels take palette entry 0 (black), paper entry 1 (white),
    so that "Normal" turns the drawing on."""
    row_bytes = (WIDTH + 31) // 32 * 4
    data = bytearray()
    for y in reversed(range(HEIGHT)):
        row = bytearray(row_bytes)
        for x in range(WIDTH):
            if not pixels[y][x]:
                row[x // 8] |= 0x80 >> (x % 8)
        data += row
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    info = struct.pack("<IiiHHIIiiII", header_size, WIDTH, HEIGHT, 1, 1, 0, len(data), 2835, 2835, 2, 2)
    if header_size >= 108:
        # Masks, colour space "sRGB", end points and gammas left at zero.
        info += struct.pack("<IIII", 0, 0, 0, 0) + b"BGRs" + bytes(36) + bytes(12)
    if header_size == 124:
        info += struct.pack("<IIII", 4, 0, 0, 0)  # intent: perceptual; no profile
    assert len(info) == header_size, (len(info), header_size)
    offset = 14 + header_size + len(colours)
    head = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    Path(path).write_bytes(head + info + colours + data)


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else "examples")
    out.mkdir(exist_ok=True)
    write_bmp(out / "logo.bmp", logo(), 40)
    write_bmp(out / "hello.bmp", hello(), 108)
    write_bmp(out / "pattern.bmp", pattern(), 124)
    # A second writer: ImageMagick renders text and writes its own 1-bit BMP header.
    if shutil.which("convert"):
        subprocess.run(
            ["convert", "-size", "128x64", "xc:white", "-fill", "black",
             "-font", "DejaVu-Sans-Bold", "-pointsize", "22", "-annotate", "+6+28", "Pelmora",
             "-font", "DejaVu-Sans", "-pointsize", "12", "-annotate", "+8+52", "graphic LCD 128x64",
             "-threshold", "50%", "-type", "bilevel", str(out / "text.bmp")],
            check=True)


if __name__ == "__main__":
    main()
