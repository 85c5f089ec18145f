#!/usr/bin/env python3
"""What a user runs instead of pelmora-cli prepare, with Pillow: fit the picture into the
panel (ImageOps.pad, white around it) and dither it to 1 bit (Floyd-Steinberg).

usage: bench_pillow.py PICTURE OUT.bmp [WIDTH HEIGHT]
"""
import sys

from PIL import Image, ImageOps

width, height = (int(sys.argv[3]), int(sys.argv[4])) if len(sys.argv) > 4 else (128, 64)
picture = ImageOps.exif_transpose(Image.open(sys.argv[1])).convert("RGB")
ImageOps.pad(picture, (width, height), color="white").convert("1").save(sys.argv[2])
