#!/usr/bin/env python3
"""The yardstick for pelmora-cli's batch figure: a plain Python script that reads each
1-bit 128 x 64 BMP and writes the same DB-line text (Normal mode) into a folder.

usage: bench_reference.py OUTPUT_DIR BITMAP...
"""
import os
import struct
import sys


def convert(data):
    offset = struct.unpack_from("<I", data, 10)[0]
    header_size, width, height = struct.unpack_from("<Iii", data, 14)
    top_down = height < 0
    height = abs(height)
    palette = 14 + header_size
    on_colour = data[palette:palette + 3]
    colours = (data[palette:palette + 3], data[palette + 4:palette + 7])
    stride = (width + 31) // 32 * 4

    def on(x, y):
        row = y if top_down else height - 1 - y
        index = data[offset + row * stride + x // 8] >> (7 - x % 8) & 1
        return colours[index] == on_colour

    lines = []
    for half in range(2):
        if half:
            lines.append("")
        values = []
        for page in range(8):
            for column in range(64):
                x = half * 64 + column
                byte = 0
                for bit in range(8):
                    if on(x, page * 8 + bit):
                        byte |= 1 << bit
                values.append(byte)
        for i in range(0, len(values), 8):
            lines.append("        DB " + ",".join("%02XH" % v for v in values[i:i + 8]) + ";")
    return "".join(line + "\r\n" for line in lines)


def main():
    out_dir = sys.argv[1]
    for path in sys.argv[2:]:
        with open(path, "rb") as f:
            text = convert(f.read())
        name = "lcd_" + os.path.basename(path)[:-4] + ".txt"
        with open(os.path.join(out_dir, name), "w", newline="") as f:
            f.write(text)


main()
