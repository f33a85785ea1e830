#!/usr/bin/python3
"""The extent of each given colour in a picture, read with python3-pil: for
every colour "R,G,B" on the command line one line "R,G,B left top right bottom
count" over the pixels of exactly that colour (right and bottom exclusive;
"R,G,B none" when no pixel has it). First line: "size WIDTH HEIGHT".
Usage: colour_extents.py FILE R,G,B..."""
import sys

from PIL import Image

path = sys.argv[1]
colours = [tuple(int(v) for v in a.split(",")) for a in sys.argv[2:]]

with Image.open(path) as im:
    rgb = im.convert("RGB")
    width, height = rgb.size
    pixels = list(rgb.getdata())

extent = {c: [width, height, -1, -1, 0] for c in colours}
for i, p in enumerate(pixels):
    e = extent.get(p)
    if e is None:
        continue
    x, y = i % width, i // width
    e[0], e[1] = min(e[0], x), min(e[1], y)
    e[2], e[3] = max(e[2], x), max(e[3], y)
    e[4] += 1

print("size %d %d" % (width, height))
for c in colours:
    left, top, right, bottom, count = extent[c]
    name = "%d,%d,%d" % c
    print(name, "none" if count == 0 else "%d %d %d %d %d" % (left, top, right + 1, bottom + 1, count))
