#!/usr/bin/python3
"""Reads one BMP file with python3-pil and prints what it sees, for tests that
check palette bitmaps written by the picture library:
  line 1: mode width height
  line 2: the palette as decimal R G B values (empty for a file without one)
  line 3: the RGB pixels as hex, row by row from the top
Usage: bmp_indexed.py FILE"""
import sys

from PIL import Image

with Image.open(sys.argv[1]) as im:
    im.load()
    palette = im.getpalette() if im.mode in ("P", "L", "1") and im.palette else None
    print(im.mode, im.size[0], im.size[1])
    print(" ".join(str(v) for v in palette) if palette else "")
    print(im.convert("RGB").tobytes().hex())
