#!/usr/bin/python3
# The GIF benchmarks' pictures, made with python3-pil:
#   big.gif         4000 x 3000, 256 colours by median cut of a smooth render
#   anim.gif        100 frames of 640 x 480, made the same way
#   photo.gif       4000 x 3000 photograph-like picture: smooth shapes, grain
#                   and Floyd-Steinberg dithering, so LZW strings are short
#   screenshot.gif  1920 x 1080 desktop with windows, text and flat colours
#   make_gif_pictures.py DIR
import random
import sys
from PIL import Image, ImageDraw, ImageFilter

d = sys.argv[1]


def render(w, h, shift):
    m = Image.effect_mandelbrot((w, h), (-2.2 + shift, -1.2, 1.0 + shift, 1.2), 200)
    gx = Image.linear_gradient("L").resize((w, h))
    gy = Image.radial_gradient("L").resize((w, h))
    return m, gx, gy


def picture(w, h, shift):
    m, gx, gy = render(w, h, shift)
    return Image.merge("RGB", (m, gx, gy)).quantize(256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)


def photo(w, h):
    m, gx, gy = render(w, h, 0)
    smooth = Image.merge("RGB", (gy, m, gx)).filter(ImageFilter.GaussianBlur(6))
    grain = Image.frombytes("RGB", (w, h), random.Random(17).randbytes(w * h * 3)).filter(ImageFilter.GaussianBlur(0.7))
    return Image.blend(smooth, grain, 0.25).quantize(256, method=Image.Quantize.MEDIANCUT,
                                                      dither=Image.Dither.FLOYDSTEINBERG)


def screenshot(w, h):
    rng = random.Random(5)
    g = Image.linear_gradient("L").resize((w, h))
    im = Image.merge("RGB", (g.point(lambda v: 30 + v // 4), g.point(lambda v: 60 + v // 3),
                             g.point(lambda v: 120 + v // 3)))
    dr = ImageDraw.Draw(im)
    words = ["File", "Edit", "View", "Backup", "Restore", "Settings", "Help", "archive.zip", "Total", "OK",
             "Cancel", "Size", "Modified", "Name", "Folder", "12/10/2026", "1,024 KB", "Compressing", "done", "Report"]
    for win in range(7):
        x0, y0 = rng.randrange(0, w - 700), rng.randrange(0, h - 450)
        x1, y1 = x0 + rng.randrange(420, 700), y0 + rng.randrange(260, 450)
        dr.rectangle((x0 + 4, y0 + 4, x1 + 4, y1 + 4), fill=(40, 40, 40))
        dr.rectangle((x0, y0, x1, y1), fill=(240, 240, 240), outline=(100, 100, 100))
        for i in range(24):
            dr.line((x0 + 1, y0 + 1 + i, x1 - 1, y0 + 1 + i), fill=(0, 60 + 4 * i, 160 + 3 * i))
        dr.text((x0 + 8, y0 + 6), "Window %d - %s" % (win, rng.choice(words)), fill=(255, 255, 255))
        x = x0 + 8
        for wd in words[:7]:
            dr.text((x, y0 + 30), wd, fill=(0, 0, 0))
            x += 8 * len(wd) + 14
        dr.line((x0 + 1, y0 + 46, x1 - 1, y0 + 46), fill=(160, 160, 160))
        y = y0 + 54
        while y < y1 - 40:
            colour = (0, 0, 0)
            if rng.random() < 0.15:
                dr.rectangle((x0 + 10, y, x1 - 10, y + 14), fill=(0, 120, 215))
                colour = (255, 255, 255)
            dr.text((x0 + 14, y + 2), " ".join(rng.choice(words) for _ in range(rng.randrange(3, 9))), fill=colour)
            y += 18
        for b in range(2):
            bx = x1 - 180 + 86 * b
            dr.rectangle((bx, y1 - 32, bx + 76, y1 - 8), fill=(225, 225, 225), outline=(0, 0, 0))
            dr.text((bx + 24, y1 - 26), ["OK", "Cancel"][b], fill=(0, 0, 0))
    dr.rectangle((0, h - 40, w, h), fill=(32, 32, 48))
    for i in range(12):
        dr.rectangle((60 + 48 * i, h - 34, 60 + 48 * i + 36, h - 6),
                     fill=(rng.randrange(256), rng.randrange(256), rng.randrange(256)))
    return im.convert("P", palette=Image.Palette.ADAPTIVE, colors=256)


picture(4000, 3000, 0).save(d + "/big.gif")
frames = [picture(640, 480, 0.01 * i) for i in range(100)]
frames[0].save(d + "/anim.gif", save_all=True, append_images=frames[1:], duration=40, loop=0)
photo(4000, 3000).save(d + "/photo.gif")
screenshot(1920, 1080).save(d + "/screenshot.gif")
