#!/usr/bin/python3
"""python3-pil as an oracle for the picture framework's BMP and JPEG formats.

  pil_image.py to-ppm IN OUT.ppm            any file PIL reads -> RGB PPM
  pil_image.py to-bmp IN.ppm OUT.bmp MODE   PPM -> BMP of mode 1, P (8-bit), RGB
  pil_image.py make-jpeg OUT.jpg W H MODE   a generated picture saved as JPEG (MODE RGB or L)
"""
import sys

from PIL import Image

cmd = sys.argv[1]
if cmd == "to-ppm":
    Image.open(sys.argv[2]).convert("RGB").save(sys.argv[3], "PPM")
elif cmd == "to-bmp":
    im = Image.open(sys.argv[2])
    mode = sys.argv[4]
    if mode == "P":
        im = im.quantize(200)
    else:
        im = im.convert(mode)
    im.save(sys.argv[3], "BMP")
elif cmd == "make-jpeg":
    w, h, mode = int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
    im = Image.new("RGB", (w, h))
    im.putdata([((x * 255) // w, (y * 255) // h, ((x ^ y) * 7) & 255) for y in range(h) for x in range(w)])
    im.convert(mode).save(sys.argv[2], "JPEG", quality=85)
else:
    sys.exit("unknown command " + cmd)
