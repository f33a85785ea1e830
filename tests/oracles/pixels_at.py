#!/usr/bin/python3
"""Prints the colour of pixels of a picture with python3-pil, one line
"X Y RED GREEN BLUE" per point asked for.
Usage: pixels_at.py FILE X,Y [X,Y ...]"""
import sys

from PIL import Image

with Image.open(sys.argv[1]) as im:
    rgb = im.convert("RGB")
    for point in sys.argv[2:]:
        x, y = (int(v) for v in point.split(","))
        r, g, b = rgb.getpixel((x, y))
        print(x, y, r, g, b)
