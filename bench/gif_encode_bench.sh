#!/usr/bin/env bash
# GIF encoding speed and size: the picture library vs giflib's EGif API vs
# python3-pil (Image.save with optimize=False), all from the same palette
# images, on a 4000 x 3000 256-colour picture and a 100-frame 640 x 480
# animation, in one run. Run by hand after a build:
#   bench/gif_encode_bench.sh [BUILD_DIR]      (default: build)
# Prints the best of 5 runs per encoder, the sizes, and the ratios
# giflib time / ours and our size / Pillow's size.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
data=$build/bench-data
mkdir -p "$data"
ours=$build/bin/gif_encode_bench
giflib=$build/bin/giflib_encode_bench

[[ -f $data/big.gif && -f $data/anim.gif ]] || /usr/bin/python3 "$root/bench/make_gif_pictures.py" "$data"

# Pillow saves the palette images that Pillow itself reads from the file
# (every frame kept as a palette image with its own palette).
pil_encode() {
  /usr/bin/python3 - "$1" <<'PY'
import io, sys, time
from PIL import Image, GifImagePlugin
GifImagePlugin.LOADING_STRATEGY = GifImagePlugin.LoadingStrategy.RGB_AFTER_DIFFERENT_PALETTE_ONLY
im = Image.open(sys.argv[1])
frames = []
for i in range(getattr(im, "n_frames", 1)):
    im.seek(i)
    f = im.copy()
    if f.mode != "P":
        f = f.quantize(256, dither=Image.Dither.NONE)
    frames.append(f)
best, size = 1e300, 0
for _ in range(5):
    out = io.BytesIO()
    t0 = time.perf_counter()
    if len(frames) > 1:
        frames[0].save(out, "GIF", save_all=True, append_images=frames[1:], optimize=False)
    else:
        frames[0].save(out, "GIF", optimize=False)
    best = min(best, (time.perf_counter() - t0) * 1000)
    size = out.tell()
print(f"{best:.2f} {size}")
PY
}

printf "%-10s %10s %10s %10s %10s %10s %10s %12s %10s\n" input "ours ms" "giflib ms" "pil ms" \
  "ours KiB" "giflib KiB" "pil KiB" "giflib/ours" "ours/pil"
for f in big.gif anim.gif; do
  read -r a as < <("$ours" "$data/$f" 5)
  read -r b bs < <("$giflib" "$data/$f" 5)
  read -r c cs < <(pil_encode "$data/$f")
  printf "%-10s %10s %10s %10s %10d %10d %10d %12.2f %10.3f\n" "$f" "$a" "$b" "$c" \
    $((as / 1024)) $((bs / 1024)) $((cs / 1024)) "$(echo "$b / $a" | bc -l)" "$(echo "$as / $cs" | bc -l)"
done
