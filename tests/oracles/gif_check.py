#!/usr/bin/python3
"""Checks picture-tool on one GIF against independent readers.

usage: gif_check.py PICTURE_TOOL FILE WORKDIR

- every frame of `picture-tool decode` equals the frame's pixels as python3-pil
  and giflib's gif2rgb read them (a frame is taken out of an animation with
  gifsicle first, and cut from the logical screen by its rectangle);
- `picture-tool info` agrees with giftext on delays, disposal and transparency,
  and with gifbuild -d and PIL on loop count and comments;
- when frame 0 covers the screen, `picture-tool draw` at 2.0 and 0.37 times the
  size equals PIL's NEAREST resize pasted over the background by its transparency.
Prints what differs and exits 1.
"""
import os
import re
import subprocess
import sys

from PIL import Image

tool, gif, work = sys.argv[1:4]
os.makedirs(work, exist_ok=True)
base = os.path.join(work, os.path.basename(gif))
problems = []


def run(*args):
    return subprocess.run(args, check=True, capture_output=True).stdout


def read_ppm(p):
    with open(p, "rb") as f:
        data = f.read()
    m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
    return int(m.group(1)), int(m.group(2)), data[m.end():]


def single_frame(n, count):
    if count == 1:
        return gif
    out = f"{base}.f{n}.gif"
    run("gifsicle", gif, f"#{n}", "-o", out)
    return out


def frame_box(path):
    im = Image.open(path)
    x0, y0, x1, y1 = im.tile[0][1]
    return im, (x0, y0, x1, y1)


# ---- info against giftext
info = run(tool, "info", gif).decode("latin-1")
frames = [l for l in info.splitlines() if re.match(r"frame \d+: ", l)]
count = len(frames)
text = run("giftext", gif).decode("latin-1")
ours = []
for l in frames:
    m = re.search(r"delay (\d+)ms disposal (\S+) transparent (\S+)", l)
    ours.append((int(m.group(1)), m.group(2), m.group(3)))
names = {"0": "unspecified", "1": "none", "2": "background", "3": "previous"}
theirs = []
gce = None
for block in re.split(r"\n(?=\S)", text):
    if block.startswith("GIF89 graphics control"):
        g = dict(re.findall(r"\t(Disposal Mode|Transparency on|DelayTime|Transparent Index): (\S+)", block))
        gce = (int(g["DelayTime"]) * 10, names.get(g["Disposal Mode"], g["Disposal Mode"]),
               g["Transparent Index"] if g["Transparency on"] == "yes" else "none")
    elif block.startswith("Image #"):
        theirs.append(gce or (0, "unspecified", "none"))
        gce = None
if ours != theirs:
    problems.append(f"frames: picture-tool {ours} giftext {theirs}")
loop = re.search(r"loops: (\S+)", info).group(1)
# giftext does not show application data; giflib's gifbuild -d does
dump = run("gifbuild", "-d", gif).decode("latin-1")
m = re.search(r"^netscape loop (\d+)$", dump, re.M)
their_loop = m.group(1) if m else "none"
if loop != their_loop:
    problems.append(f"loops: picture-tool {loop} gifbuild {their_loop}")
dumped_comments = re.findall(r"^comment\n(.*?)\nend$", dump, re.M | re.S)

# comments: PIL reads each comment block's text (all frames)
our_comments = [l.split(": ", 1)[1] for l in info.splitlines() if "comment: " in l]
im = Image.open(gif)
their_comments = []
for n in range(getattr(im, "n_frames", 1)):
    im.seek(n)
    c = im.info.get("comment")
    if c and (not their_comments or their_comments[-1] != c.decode("latin-1")):
        their_comments.append(c.decode("latin-1"))
if "".join(our_comments) != "".join(their_comments):
    problems.append(f"comments: picture-tool {our_comments} pil {their_comments}")
if "".join(our_comments) != "".join(c.replace("\n", "") for c in dumped_comments):
    problems.append(f"comments: picture-tool {our_comments} gifbuild {dumped_comments}")

# ---- pixels of every frame
for n in range(count):
    single = single_frame(n, count)
    out = f"{base}.{n}.ppm"
    run(tool, "decode", gif, out, "--frame", str(n))
    w, h, ours_px = read_ppm(out)
    pil, box = frame_box(single)
    if (box[2] - box[0], box[3] - box[1]) != (w, h):
        problems.append(f"frame {n}: size {w}x{h}, pil {box}")
        continue
    pil_px = pil.convert("RGB").crop(box).tobytes()
    if pil_px != ours_px:
        problems.append(f"frame {n}: pixels differ from pil")
    rgb = f"{base}.{n}.rgb"
    run("gif2rgb", "-1", "-o", rgb, single)
    sw, sh = pil.size
    with open(rgb, "rb") as f:
        screen = f.read()
    g2r = b"".join(screen[((box[1] + y) * sw + box[0]) * 3:((box[1] + y) * sw + box[2]) * 3] for y in range(h))
    if g2r != ours_px:
        problems.append(f"frame {n}: pixels differ from gif2rgb")

# ---- drawing stretched over a background
im = Image.open(gif)
if im.tile[0][1] == (0, 0) + im.size:
    for scale in (2.0, 0.37):
        W, H = max(1, int(im.width * scale)), max(1, int(im.height * scale))
        out = f"{base}.draw{scale}.ppm"
        run(tool, "draw", gif, str(W), str(H), "20a040", out)
        _, _, ours_px = read_ppm(out)
        rgba = im.convert("RGBA").resize((W, H), Image.NEAREST)
        bg = Image.new("RGB", (W, H), (0x20, 0xA0, 0x40))
        bg.paste(rgba, (0, 0), rgba)
        if bg.tobytes() != ours_px:
            problems.append(f"draw at {scale}: differs from pil")

for p in problems:
    print(f"{os.path.basename(gif)}: {p}")
sys.exit(1 if problems else 0)
