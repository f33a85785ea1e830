#!/usr/bin/python3
"""Reads BMP files with Pillow and prints, as JSON, what an independent
decoder sees in each: {file name: {"mode", "size", "colours", "pixels"}},
pixels being RGB triples row by row from the top.
Usage: bmp_pixels.py FILE..."""
import json
import os
import sys

from PIL import Image

out = {}
for path in sys.argv[1:]:
    with Image.open(path) as im:
        im.load()
        palette = im.getpalette() if im.mode == "P" else None
        out[os.path.basename(path)] = {
            "mode": im.mode,
            "size": list(im.size),
            "colours": len(palette) // 3 if palette else None,
            "pixels": [list(p) for p in im.convert("RGB").getdata()],
        }
json.dump(out, sys.stdout)
