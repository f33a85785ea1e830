#!/usr/bin/python3
# The GIF benchmarks' pictures, made by python3-pil's median cut: a 4000 x 3000
# 256-colour picture (big.gif) and a 100-frame 640 x 480 animation (anim.gif).
#   make_gif_pictures.py DIR
import sys
from PIL import Image

d = sys.argv[1]


def picture(w, h, shift):
    m = Image.effect_mandelbrot((w, h), (-2.2 + shift, -1.2, 1.0 + shift, 1.2), 200)
    gx = Image.linear_gradient("L").resize((w, h))
    gy = Image.radial_gradient("L").resize((w, h))
    return Image.merge("RGB", (m, gx, gy)).quantize(256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)


picture(4000, 3000, 0).save(d + "/big.gif")
frames = [picture(640, 480, 0.01 * i) for i in range(100)]
frames[0].save(d + "/anim.gif", save_all=True, append_images=frames[1:], duration=40, loop=0)
