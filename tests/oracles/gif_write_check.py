#!/usr/bin/python3
"""Checks GIF files written by `picture-tool save` with independent readers.

usage: gif_write_check.py PICTURE_TOOL WORKDIR

- 1-, 4- and 8-bit BMP inputs (python3-pil, ImageMagick) saved as one
  animation with a delay, a loop count and comments: python3-pil and giflib's
  gif2rgb read every frame's pixels as in the input; giftext shows the frame
  count, the code size of each frame and the delays; gifbuild -d shows the
  loop count and the comment; gifdiff finds it equal to python3-pil's own
  GIF of the same frames;
- a transparent colour and a disposal method given to the tool show in
  giftext and python3-pil as the index of that colour;
- a 24-bit picture (binary PPM) saved with each reduction method reads in
  python3-pil as the palette reduction `picture-tool reduce` makes of it, and
  --gray (method 5) gives a grayscale palette;
- a large noisy 256-colour picture (the code table fills and is emptied many
  times) decodes to its pixels in python3-pil and gif2rgb;
- saving over an existing file from a bad input fails and leaves the file
  as it was.
Prints what differs and exits 1.
"""
import os
import random
import re
import subprocess
import sys

from PIL import Image

tool, work = sys.argv[1:3]
os.makedirs(work, exist_ok=True)
problems = []
CONVERT = "/usr/bin/convert"


def p(name):
    return os.path.join(work, name)


def run(*args):
    return subprocess.run(args, check=True, capture_output=True).stdout


def noise(w, h, colors, seed):
    rnd = random.Random(seed)
    im = Image.new("P", (w, h))
    pal = []
    for i in range(256):
        pal += [(i * 67 + 13) % 256, (i * 139 + 7) % 256, (i * 29 + 101) % 256]
    im.putpalette(pal)
    im.putdata([(x // 5 + y) % colors if (x + y) % 3 else rnd.randrange(colors) for y in range(h) for x in range(w)])
    return im


def gif2rgb_frame(path, n, count):
    """One frame's pixels as giflib reads them (frames taken out with gifsicle)."""
    single = path
    if count > 1:
        single = f"{path}.f{n}.gif"
        run("gifsicle", path, f"#{n}", "-o", single)
    out = single + ".rgb"
    run("gif2rgb", "-1", "-o", out, single)
    with open(out, "rb") as f:
        return f.read()


# ---- 8-, 4- and 1-bit inputs as one animation
noise(61, 43, 256, 1).save(p("in8.bmp"))
noise(61, 43, 16, 2).convert("RGB").save(p("tmp16.png"))
run(CONVERT, p("tmp16.png"), "-type", "palette", "-colors", "16", "BMP3:" + p("in4.bmp"))
noise(61, 43, 2, 3).convert("1").save(p("in1.bmp"))
inputs = [p("in8.bmp"), p("in4.bmp"), p("in1.bmp")]
noise(61, 43, 256, 4).save(p("in8b.bmp"))
depths = [8, 4, 1]
info = run("file", p("in4.bmp")).decode()
if "x 4" not in info:
    problems.append(f"ImageMagick did not make a 4-bit BMP: {info}")
out = p("anim.gif")
run(tool, "save", *inputs, out, "--delay", "150", "--loop", "3", "--comment", "first line", "--comment", "second")

im = Image.open(out)
if im.n_frames != 3:
    problems.append(f"pil: {im.n_frames} frames")
if im.info.get("loop") != 3:
    problems.append(f"pil: loop {im.info.get('loop')}")
for n, src in enumerate(inputs):
    im.seek(n)
    if im.info.get("duration") != 150:
        problems.append(f"pil: frame {n} duration {im.info.get('duration')}")
    want = Image.open(src).convert("RGB")
    if im.convert("RGB").tobytes() != want.tobytes():
        problems.append(f"pil: frame {n} pixels differ from {os.path.basename(src)}")
    if gif2rgb_frame(out, n, 3) != want.tobytes():
        problems.append(f"gif2rgb: frame {n} pixels differ from {os.path.basename(src)}")

text = run("giftext", "-e", out).decode("latin-1")
frames = len(re.findall(r"^Image #\d+:", text, re.M))
sizes = [int(s) for s in re.findall(r"Code Size = (\d+)", text)]
delays = [int(s) for s in re.findall(r"DelayTime: (\d+)", text)]
if frames != 3:
    problems.append(f"giftext: {frames} frames")
if sizes != [2 if d == 1 else d for d in depths]:
    problems.append(f"giftext: code sizes {sizes}")
if delays != [15, 15, 15]:
    problems.append(f"giftext: delays {delays}")
if "GIF89 comment" not in text:
    problems.append("giftext: no comment block")
dump = run("gifbuild", "-d", out).decode("latin-1")
if not re.search(r"^netscape loop 3$", dump, re.M):
    problems.append("gifbuild: no loop count 3")
comment = re.findall(r"^comment\n(.*?)\nend$", dump, re.M | re.S)
if [c.replace("\n", "") for c in comment] != ["first linesecond"]:
    problems.append(f"gifbuild: comments {comment}")

# python3-pil's own GIF of the same frames looks the same to gifdiff
frames_pil = [Image.open(s).convert("RGB").quantize(256, dither=Image.Dither.NONE) for s in inputs]
frames_pil[0].save(p("pil.gif"), save_all=True, append_images=frames_pil[1:], duration=150, loop=3)
diff = subprocess.run(["gifdiff", out, p("pil.gif")], capture_output=True)
if diff.returncode != 0:
    problems.append(f"gifdiff against pil: {diff.stdout.decode()}{diff.stderr.decode()}")

# ---- a transparent colour and a disposal method given to the tool
pal = Image.open(p("in8.bmp")).getpalette()
key = Image.open(p("in8.bmp")).getpixel((3, 2))
hexkey = "%02x%02x%02x" % tuple(pal[3 * key:3 * key + 3])
run(tool, "save", p("in8.bmp"), p("in8b.bmp"), p("transparent.gif"), "--transparent", hexkey, "--disposal", "2")
text = run("giftext", p("transparent.gif")).decode("latin-1")
indices = re.findall(r"Transparent Index: (-?\d+)", text)
disposals = re.findall(r"Disposal Mode: (\d+)", text)
if indices != [str(key), str(key)] or "Transparency on: no" in text or disposals != ["2", "2"]:
    problems.append(f"giftext: transparency {indices} disposal {disposals}")
if Image.open(p("transparent.gif")).info.get("transparency") != key:
    problems.append(f"pil: transparency {Image.open(p('transparent.gif')).info.get('transparency')}, want {key}")

# ---- 24-bit pictures through the palette reduction
m = Image.effect_mandelbrot((160, 100), (-2.2, -1.2, 1.0, 1.2), 100)
rgb = Image.merge("RGB", (m, Image.linear_gradient("L").resize((160, 100)),
                          Image.radial_gradient("L").resize((160, 100))))
rgb.save(p("rgb.ppm"))
for method in range(6):
    gif, bmp = p(f"rgb{method}.gif"), p(f"rgb{method}.bmp")
    run(tool, "save", p("rgb.ppm"), gif, "--method", str(method))
    run(tool, "reduce", p("rgb.ppm"), bmp, "--method", str(method))
    saved = Image.open(gif)
    if saved.convert("RGB").tobytes() != Image.open(bmp).convert("RGB").tobytes():
        problems.append(f"method {method}: the GIF differs from picture-tool reduce")
run(tool, "save", p("rgb.ppm"), p("gray.gif"), "--gray")
gray = Image.open(p("gray.gif"))
# python3-pil opens a GIF whose palette is the gray ramp as an "L" picture
if gray.mode != "L" and gray.getpalette()[:768] != [i for i in range(256) for _ in range(3)]:
    problems.append("--gray: the palette is not a gray ramp")
if gray.convert("RGB").tobytes() != Image.open(p("rgb5.gif")).convert("RGB").tobytes():
    problems.append("--gray differs from method 5")

# ---- a large noisy picture
big = Image.new("P", (700, 500))
big.putpalette([(i * 7) % 256 for i in range(768)])
rnd = random.Random(5)
big.putdata([rnd.randrange(256) for _ in range(700 * 500)])
big.save(p("big.bmp"))
run(tool, "save", p("big.bmp"), p("big.gif"))
want = big.convert("RGB").tobytes()
if Image.open(p("big.gif")).convert("RGB").tobytes() != want:
    problems.append("pil: large noisy picture differs")
if gif2rgb_frame(p("big.gif"), 0, 1) != want:
    problems.append("gif2rgb: large noisy picture differs")

# ---- a failed save leaves the existing file whole
with open(p("bad.bmp"), "wb") as f:
    f.write(b"BM" + bytes(20))
before = open(out, "rb").read()
r = subprocess.run([tool, "save", p("bad.bmp"), out], capture_output=True)
if r.returncode == 0:
    problems.append("a bad input was saved")
if open(out, "rb").read() != before:
    problems.append("a failed save changed the existing file")
left = [n for n in os.listdir(work) if n.startswith(".")]
if left:
    problems.append(f"temporary files left: {left}")

for line in problems:
    print(line)
sys.exit(1 if problems else 0)
