#!/usr/bin/env bash
# Draws the backup window's 450 x 300 background picture from primitives
# (a pale blue gradient, a darker band at the foot and a few arcs) and writes
# it as a GIF89a with a 256-entry global table whose entry 1 is transparent:
# the small round light at the top right is cut out, so the window's own
# colour shows through it. Usage: make-background.sh OUT.gif
set -euo pipefail
out=${1:?usage: make-background.sh OUT.gif}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# The cut-out is drawn in pure magenta without antialiasing, a colour the
# rest of the picture never takes, so it can be found again exactly.
convert -size 450x300 'gradient:#ffffff-#cfe3f1' \
  -fill none -stroke '#9cc3de' -strokewidth 3 \
  -draw 'ellipse 450,320 200,200 180,270' \
  -draw 'ellipse 450,320 150,150 180,270' \
  -stroke '#bcd7ea' -strokewidth 2 \
  -draw 'ellipse 450,320 250,250 180,270' \
  -stroke none -fill '#006b9f' -draw 'rectangle 0,276 450,300' \
  -fill '#3f93bd' -draw 'rectangle 0,270 450,275' \
  -fill '#cfe3f1' -draw 'circle 370,80 370,88' \
  +antialias -fill '#ff00ff' -draw 'circle 400,60 400,72' \
  "png24:$tmp/drawn.png"
/usr/bin/python3 - "$tmp/drawn.png" "$out" <<'EOF'
import sys
from PIL import Image

CUT = (255, 0, 255)
# What entry 1 holds: the light's own colour, seen where transparency is not.
KEY = (0xE8, 0xF1, 0xF8)

drawn = Image.open(sys.argv[1]).convert("RGB")
cut = [p == CUT for p in drawn.getdata()]
# The rest takes at most 255 entries (0 and 2 to 255); the cut-out pixels
# are painted the key colour first so they do not claim an entry of their own.
painted = Image.new("RGB", drawn.size)
painted.putdata([KEY if c else p for p, c in zip(drawn.getdata(), cut)])
reduced = painted.quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
colours = reduced.getpalette()[: 3 * 255]
colours += [0] * (3 * 255 - len(colours))
palette = colours[:3] + list(KEY) + colours[3:]
assert len(palette) == 768
indices = [1 if c else (i if i == 0 else i + 1) for i, c in zip(reduced.getdata(), cut)]
picture = Image.new("P", drawn.size)
picture.putpalette(palette)
picture.putdata(indices)
picture.save(sys.argv[2], "GIF", transparency=1, optimize=False, interlace=False)
EOF
