#!/usr/bin/python3
"""python3-pil as an oracle for the canvas back-ends.

  canvas_check.py RASTER.ppm QT.ppm TEXT_X TEXT_Y TEXT CX CY PX

Both pictures hold the scene of CanvasTest on white: a black line from
(10, 10) to (60, 10) and on to (60, 40); a blue-edged yellow rectangle
(70, 10, 110, 40); a red-edged (2 px) lime ellipse (120, 10, 180, 50); a
black-edged round rectangle (10, 50, 70, 90, 20, 20) with a clear brush;
TEXT in navy Liberation Sans of PX pixels with its cell's top-left at
(TEXT_X, TEXT_Y), whose extent the canvas gave as CX x CY. Text is set
character by character (no kerning, no ligatures): its advance is the sum
of its characters' advances and each character's ink lies at the sum of the
advances before it. Prints what differs and exits 1; exits 0 when every
check holds.
"""
import subprocess
import sys

from PIL import Image, ImageFont

raster_path, qt_path, tx, ty, text, cx, cy, px = sys.argv[1:9]
tx, ty, cx, cy, px = int(tx), int(ty), int(cx), int(cy), int(px)
faults = []

WHITE, BLACK, BLUE, YELLOW = (255, 255, 255), (0, 0, 0), (0, 0, 255), (255, 255, 0)
RED, LIME, NAVY = (255, 0, 0), (0, 255, 0), (0, 0, 128)


def expect(name, im, xy, colour):
    got = im.getpixel(xy)
    if got != colour:
        faults.append(f"{name}: pixel {xy} is {got}, expected {colour}")


def box_of(im, colour, area):
    """Bounding box (l, t, r, b), r and b exclusive, of the pixels of colour inside area."""
    l, t, r, b = area
    xs, ys = [], []
    for y in range(t, b):
        for x in range(l, r):
            if im.getpixel((x, y)) == colour:
                xs.append(x)
                ys.append(y)
    return (min(xs), min(ys), max(xs) + 1, max(ys) + 1) if xs else None


def ink_box(im, area):
    l, t, r, b = area
    xs, ys = [], []
    for y in range(t, b):
        for x in range(l, r):
            if im.getpixel((x, y)) != WHITE:
                xs.append(x)
                ys.append(y)
    return (min(xs), min(ys), max(xs) + 1, max(ys) + 1) if xs else None


font_file = subprocess.run(["fc-match", "-f", "%{file}", "Liberation Sans"], capture_output=True,
                           text=True, check=True).stdout
font = ImageFont.truetype(font_file, px)
ascent, descent = font.getmetrics()
# Each character's ink at the sum of the advances before it, relative to the
# cell's top-left (ascent at the baseline).
pil_width = 0.0
boxes = []
for ch in text:
    l, t, r, b = font.getbbox(ch)
    if r > l and b > t:
        boxes.append((l + pil_width, t, r + pil_width, b))
    pil_width += font.getlength(ch)
if abs(cx - pil_width) > 1:
    faults.append(f"text width {cx}, PIL's advance {pil_width:.2f}")
if abs(cy - (ascent + descent)) > 1:
    faults.append(f"text height {cy}, PIL's ascent + descent {ascent + descent}")
pil_ink = (round(min(b[0] for b in boxes)), min(b[1] for b in boxes),
           round(max(b[2] for b in boxes)), max(b[3] for b in boxes))

inks = {}
for name, path in (("raster", raster_path), ("qt", qt_path)):
    im = Image.open(path).convert("RGB")
    # lines: the last point of each line is left out
    for x in range(10, 60):
        expect(name, im, (x, 10), BLACK)
    for y in range(10, 40):
        expect(name, im, (60, y), BLACK)
    expect(name, im, (60, 40), WHITE)
    expect(name, im, (9, 10), WHITE)
    # rectangle: pen inside (70, 10, 110, 40), brush within
    for xy in ((70, 10), (109, 10), (70, 39), (109, 39), (90, 10), (90, 39), (70, 25), (109, 25)):
        expect(name, im, xy, BLUE)
    for xy in ((110, 25), (90, 40), (69, 25), (90, 9)):
        expect(name, im, xy, WHITE)
    expect(name, im, (90, 25), YELLOW)
    expect(name, im, (71, 11), YELLOW)
    # ellipse: the red outline touches its box on every side, lime inside, white corners
    red = box_of(im, RED, (110, 0, 190, 60))
    if red is None or any(abs(a - b) > 1 for a, b in zip(red, (120, 10, 180, 50))):
        faults.append(f"{name}: ellipse outline box {red}, expected (120, 10, 180, 50)")
    expect(name, im, (150, 30), LIME)
    for xy in ((121, 11), (178, 11), (121, 48), (178, 48)):
        expect(name, im, xy, WHITE)
    for xy in ((120, 30), (179, 30), (150, 10), (150, 49), (121, 30), (150, 11)):
        expect(name, im, xy, RED)
    # round rectangle: straight edges black, rounded corners white, clear inside
    for xy in ((40, 50), (40, 89), (10, 70), (69, 70)):
        expect(name, im, xy, BLACK)
    for xy in ((10, 50), (69, 50), (10, 89), (69, 89), (40, 70)):
        expect(name, im, xy, WHITE)
    # text: inside its cell, as wide as PIL draws it, navy where fully inked
    ink = ink_box(im, (tx - 4, ty - 4, tx + cx + 8, ty + cy + 4))
    inks[name] = ink
    if ink is None:
        faults.append(f"{name}: no text")
        continue
    want = (tx + pil_ink[0], ty + pil_ink[1], tx + pil_ink[2], ty + pil_ink[3])
    if any(abs(a - b) > 1 for a, b in zip(ink, want)):
        faults.append(f"{name}: text ink {ink}, PIL draws it at {want}")
    if box_of(im, NAVY, ink) is None:
        faults.append(f"{name}: no pixel of the text's colour")

if len(inks) == 2 and None not in inks.values() and inks["raster"] != inks["qt"]:
    faults.append(f"text ink differs between back-ends: raster {inks['raster']}, qt {inks['qt']}")

for f in faults:
    print(f)
sys.exit(1 if faults else 0)
