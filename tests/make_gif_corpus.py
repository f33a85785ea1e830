#!/usr/bin/python3
"""Makes the GIF test corpus in a folder, with independent tools:
python3-pil, ImageMagick's convert, gifsicle and giflib's gifbuild, plus a few
hand-assembled streams for cases those tools never write (a minimum code
size below the table depth, image data without an end code).

usage: make_gif_corpus.py OUTDIR     (prints the names of the files made)
"""
import os
import random
import subprocess
import sys

from PIL import Image

CONVERT = "/usr/bin/convert"  # Debian's ImageMagick
out = sys.argv[1]
os.makedirs(out, exist_ok=True)
made = []


def path(name):
    made.append(name)
    return os.path.join(out, name)


def run(*args, **kw):
    subprocess.run(args, check=True, **kw)


def noise_image(w, h, colors, seed, mode="P"):
    rnd = random.Random(seed)
    im = Image.new("P", (w, h))
    pal = []
    for i in range(colors):
        pal += [(i * 67 + 13) % 256, (i * 139 + 7) % 256, (i * 29 + 101) % 256]
    im.putpalette(pal)
    # blocks of repeated pixels as well as noise, so string codes are long and short
    data = []
    for y in range(h):
        for x in range(w):
            if (x // 7 + y // 5) % 3 == 0:
                data.append((x // 7 + y) % colors)
            else:
                data.append(rnd.randrange(colors))
    im.putdata(data)
    return im


# ---- python3-pil: 1-, 2-, 4- and 8-bit, transparency, comments, animation
for bits in (1, 2, 4, 8):
    noise_image(61, 43, 1 << bits, bits).save(path(f"pil_{bits}bit.gif"), optimize=False)
noise_image(120, 90, 256, 9).save(path("pil_8bit_interlaced.gif"), interlace=True, optimize=False)
noise_image(50, 40, 16, 10).save(path("pil_transparent.gif"), transparency=3, optimize=False, comment=b"made by pil")
frames = [noise_image(40, 30, 16, 20 + i) for i in range(4)]
frames[0].save(path("pil_anim.gif"), save_all=True, append_images=frames[1:], duration=[100, 50, 70, 20],
               loop=0, disposal=[0, 1, 2, 1], transparency=5, optimize=False)

# ---- ImageMagick: gradients reduced to a palette, an animation with disposal and transparency
run(CONVERT, "-size", "73x31", "gradient:red-blue", "-colors", "16", path("im_gradient16.gif"))
run(CONVERT, "-size", "64x64", "plasma:fractal", "-seed", "4", "-colors", "200", path("im_plasma.gif"))
run(CONVERT, "-size", "33x21", "xc:white", "-fill", "black", "-draw", "line 0,0 32,20", "-monochrome",
    path("im_mono.gif"))
run(CONVERT, "-delay", "30", "-dispose", "Background", "-size", "30x20", "xc:none", "-fill", "red",
    "-draw", "rectangle 2,2 12,12", "(", "-size", "30x20", "xc:none", "-fill", "blue", "-draw",
    "circle 15,10 20,10", ")", "-delay", "5", "-dispose", "Previous", "(", "-size", "30x20", "xc:yellow", ")",
    "-loop", "3", path("im_anim.gif"))

# ---- gifsicle: interlacing of small heights, local colour tables, frame offsets
for h in (1, 2, 3, 5, 9):
    src = os.path.join(out, f"tmp_h{h}.gif")
    noise_image(11, h, 16, 40 + h).save(src, optimize=False)
    run("gifsicle", "--interlace", src, "-o", path(f"gs_interlaced_h{h}.gif"))
    os.remove(src)
parts = []
for i in range(3):
    p = os.path.join(out, f"tmp_part{i}.gif")
    noise_image(20 + 5 * i, 10 + 3 * i, 8 << i, 60 + i).save(p, optimize=False)
    parts.append(p)
run("gifsicle", "--no-background", "--delay", "12", "--loopcount=7", "--disposal", "previous", parts[0],
    "--position", "5,3", parts[1], "--position", "0,0", parts[2], "-o", path("gs_local.gif"))
for p in parts:
    os.remove(p)

# ---- giflib's gifbuild: local maps, comments, graphic control, netscape loop, transparency
gifbuild_script = """screen width 12
screen height 6
screen colors 4
screen background 1
pixel aspect byte 0
screen map
\trgb 000 000 000 is a
\trgb 255 255 255 is b
\trgb 255 000 000 is c
\trgb 000 000 255 is d
end
netscape loop 2
comment
built by gifbuild
end
graphics control
\tdisposal mode 2
\tuser input flag off
\tdelay 40
\ttransparent index 2
end
image
image left 0
image top 0
image bits 12 by 6
\tabcdabcdabcd
\tbbbbccccdddd
\taaaabbbbcccc
\tddccbbaaddcc
\tcccccccccccc
\tabababababab
image
image left 2
image top 1
image map
\trgb 010 020 030 is e
\trgb 040 050 060 is f
end
image bits 6 by 3
\teffeef
\tffffee
\teeeeff
"""
with open(path("gb_local.gif"), "wb") as f:
    subprocess.run(["gifbuild"], input=gifbuild_script.encode(), stdout=f, check=True)


# ---- hand-assembled streams
def lzw_literal_codes(pixels, code_size, leading_clear=True, end_code=True):
    """Literal codes only, with a clear code before the code width would grow."""
    acc = nbits = 0
    data = bytearray()

    def put(code, width):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            data.append(acc & 255)
            acc >>= 8
            nbits -= 8

    clear = 1 << code_size
    width = code_size + 1
    free = clear + 2
    first = True
    if leading_clear:
        put(clear, width)
    for p in pixels:
        put(p, width)
        if not first:
            free += 1
        first = False
        if free >= (1 << width) - 1:
            put(clear, width)
            free = clear + 2
            first = True
    if end_code:
        put(clear + 1, width)
    if nbits:
        data.append(acc & 255)
    return bytes(data)


def blocks(data):
    outb = bytearray()
    for i in range(0, len(data), 255):
        outb.append(len(data[i:i + 255]))
        outb += data[i:i + 255]
    return bytes(outb) + b"\0"


def raw_gif(w, h, bits, pixels, code_size, **kw):
    pal = bytearray()
    for i in range(1 << bits):
        pal += bytes([(i * 37) % 256, (i * 91) % 256, (255 - i * 5) % 256])
    head = b"GIF89a" + w.to_bytes(2, "little") + h.to_bytes(2, "little") + bytes([0xF0 | (bits - 1), 0, 0]) + pal
    desc = b"," + bytes(4) + w.to_bytes(2, "little") + h.to_bytes(2, "little") + b"\0"
    return head + desc + bytes([code_size]) + blocks(lzw_literal_codes(pixels, code_size, **kw)) + b";"


rnd = random.Random(77)
px = [rnd.randrange(4) for _ in range(23 * 17)]
with open(path("raw_codesize_below_depth.gif"), "wb") as f:
    f.write(raw_gif(23, 17, 8, px, 2))  # 256-entry table, 2-bit codes
with open(path("raw_no_end_code.gif"), "wb") as f:
    f.write(raw_gif(23, 17, 2, px, 2, end_code=False))

print("\n".join(made))
