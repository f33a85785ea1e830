#!/usr/bin/python3
"""python3-pil as an oracle for rendered pages: do two renderings of a page agree?

  image_match.py A.png B.png [TOLERANCE [MAX_FRACTION]]

Both images must have the same size, give or take a pixel (renderers round
a page's size differently; the common part is compared). Anti-aliasing differs between
renderers, so a pixel of A counts as matching when its grey level lies
within TOLERANCE (default 64) of the range of B's grey levels in the 3 x 3
neighbourhood of the same place, and the other way round. At most
MAX_FRACTION (default 0.002) of the pixels may fail; both images must hold
ink (pixels darker than 128) in amounts within a fifth of each other.
Prints the figures; exits 1 when the images differ.
"""
import sys

from PIL import Image, ImageChops, ImageFilter

a_path, b_path = sys.argv[1], sys.argv[2]
tolerance = int(sys.argv[3]) if len(sys.argv) > 3 else 64
max_fraction = float(sys.argv[4]) if len(sys.argv) > 4 else 0.002

a = Image.open(a_path).convert("L")
b = Image.open(b_path).convert("L")
if abs(a.size[0] - b.size[0]) > 1 or abs(a.size[1] - b.size[1]) > 1:
    print(f"sizes differ: {a.size} and {b.size}")
    sys.exit(1)
common = (0, 0, min(a.size[0], b.size[0]), min(a.size[1], b.size[1]))
a, b = a.crop(common), b.crop(common)


def outside(x, y):
    """How many pixels of x lie further than tolerance outside y's 3 x 3 range."""
    lo = y.filter(ImageFilter.MinFilter(3))
    hi = y.filter(ImageFilter.MaxFilter(3))
    below = ImageChops.subtract(lo, x).histogram()
    above = ImageChops.subtract(x, hi).histogram()
    return sum(below[tolerance + 1:]) + sum(above[tolerance + 1:])


def ink(x):
    return sum(x.histogram()[:128])


total = a.size[0] * a.size[1]
bad = max(outside(a, b), outside(b, a))
ink_a, ink_b = ink(a), ink(b)
print(f"size {a.size[0]}x{a.size[1]} differing {bad} ({bad / total:.5f}) ink {ink_a} {ink_b}")
if bad > max_fraction * total or ink_a == 0 or ink_b == 0 or not (0.8 <= ink_a / ink_b <= 1.25):
    sys.exit(1)
