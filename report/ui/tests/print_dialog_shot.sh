#!/bin/sh
# Takes a screenshot of the print dialog under xvfb-run and checks with PIL
# that it has the dialog's size.
set -e
shot="$1"
work="$2"
mkdir -p "$work"
size=$(xvfb-run -a "$shot" "$work/dialog.png")
/usr/bin/python3 -c '
import sys
from PIL import Image
w, h = Image.open(sys.argv[1]).size
want = sys.argv[2] + " " + sys.argv[3]
if "%d %d" % (w, h) != want:
    sys.exit("screenshot is %dx%d, the dialog %s" % (w, h, want))
' "$work/dialog.png" $size
