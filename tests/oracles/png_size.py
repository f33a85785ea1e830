#!/usr/bin/python3
"""python3-pil as an oracle for screenshots: prints "WIDTH HEIGHT COLOURS" of
each image named (COLOURS: the number of distinct RGB colours).

  png_size.py IMAGE...
"""
import sys

from PIL import Image

for path in sys.argv[1:]:
    im = Image.open(path).convert("RGB")
    colours = im.getcolors(im.size[0] * im.size[1])
    print(im.size[0], im.size[1], len(colours))
