#!/usr/bin/python3
"""Finds the areas of one colour in a picture with python3-pil: pixels whose
red, green and blue each lie within TOLERANCE of the colour, joined when they
touch (sides or corners). Prints one line per area, "left top right bottom"
(right and bottom exclusive), sorted by top, then left; first a line
"size WIDTH HEIGHT".
Usage: colour_boxes.py FILE RED GREEN BLUE [TOLERANCE]"""
import sys

from PIL import Image, ImageChops

path = sys.argv[1]
colour = tuple(int(v) for v in sys.argv[2:5])
tolerance = int(sys.argv[5]) if len(sys.argv) > 5 else 60

with Image.open(path) as im:
    rgb = im.convert("RGB")
    width, height = rgb.size

# The mask is made by PIL a channel at a time (255 where the channel is near
# the colour), so Python visits only the pixels of the colour.
mask = None
for band, wanted in zip(rgb.split(), colour):
    near = band.point(lambda v, w=wanted: 255 if abs(v - w) <= tolerance else 0)
    mask = near if mask is None else ImageChops.multiply(mask, near)
mask = bytearray(mask.tobytes())

boxes = []
start = mask.find(255)
while start >= 0:
    mask[start] = 0
    stack = [start]
    left, top, right, bottom = width, height, -1, -1
    while stack:
        p = stack.pop()
        x, y = p % width, p // width
        left, top, right, bottom = min(left, x), min(top, y), max(right, x), max(bottom, y)
        for dy in (-1, 0, 1):
            ny = y + dy
            if ny < 0 or ny >= height:
                continue
            for dx in (-1, 0, 1):
                nx = x + dx
                if 0 <= nx < width and mask[ny * width + nx]:
                    mask[ny * width + nx] = 0
                    stack.append(ny * width + nx)
    boxes.append((left, top, right + 1, bottom + 1))
    start = mask.find(255, start)

print("size", width, height)
for box in sorted(boxes, key=lambda b: (b[1], b[0])):
    print(*box)
