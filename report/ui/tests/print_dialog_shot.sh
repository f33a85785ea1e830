#!/bin/sh
# Takes a screenshot of the print dialog under xvfb-run and checks with PIL
# that it has the dialog's size.
set -e
shot="$1"
work="$2"
mkdir -p "$work"
# Under the sanitizers: the X11 keyboard library reads a bounded string past
# its end, which the strict check flags, and the desktop libraries keep some
# memory to the end; neither is ours.
here=$(cd "$(dirname "$0")" && pwd)
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:strict_string_checks=0"
export LSAN_OPTIONS="print_suppressions=0:suppressions=$here/../../../app/tests/lsan-desktop.supp"
size=$(env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY xvfb-run -a -s '-screen 0 1280x1024x24 -nolisten tcp' "$shot" "$work/dialog.png")
/usr/bin/python3 -c '
import sys
from PIL import Image
w, h = Image.open(sys.argv[1]).size
want = sys.argv[2] + " " + sys.argv[3]
if "%d %d" % (w, h) != want:
    sys.exit("screenshot is %dx%d, the dialog %s" % (w, h, want))
' "$work/dialog.png" $size
