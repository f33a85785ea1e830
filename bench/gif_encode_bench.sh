#!/usr/bin/env bash
# GIF encoding speed and size: the picture library vs giflib's EGif API vs
# python3-pil (Image.save with optimize=False), all from the same palette
# images, on the benchmark pictures of make_gif_pictures.py, in one run. The
# encoders take turns in every round and the best of the rounds counts. Run by
# hand after a build:
#   bench/gif_encode_bench.sh [BUILD_DIR]      (default: build; ROUNDS=5 in the environment)
# Prints the best time per encoder, the sizes, our time over each peer's and
# our size over Pillow's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${ROUNDS:-5}
data=$build/bench-data
mkdir -p "$data"
ours=$build/bin/gif_encode_bench
giflib=$build/bin/giflib_encode_bench
pictures=(photo.gif screenshot.gif anim.gif big.gif)

for f in "${pictures[@]}"; do
  [[ -f $data/$f ]] || { /usr/bin/python3 "$root/bench/make_gif_pictures.py" "$data"; break; }
done

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
for _ in range(2):  # as many as the other encoders run in a round
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
min() { awk -v a="$1" -v b="$2" 'BEGIN {print (a == "" || b + 0 < a + 0) ? b : a}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

printf "%-15s %9s %9s %9s %9s %10s %9s %12s %9s %9s\n" input "ours ms" "giflib ms" "pil ms" \
  "ours KiB" "giflib KiB" "pil KiB" "ours/giflib" "ours/pil" "size/pil"
for f in "${pictures[@]}"; do
  a="" b="" c=""
  for ((r = 0; r < rounds; r++)); do
    read -r t as < <("$ours" "$data/$f" 2)
    a=$(min "$a" "$t")
    read -r t bs < <("$giflib" "$data/$f" 2)
    b=$(min "$b" "$t")
    read -r t cs < <(pil_encode "$data/$f")
    c=$(min "$c" "$t")
  done
  printf "%-15s %9s %9s %9s %9d %10d %9d %12s %9s %9s\n" "$f" "$a" "$b" "$c" \
    $((as / 1024)) $((bs / 1024)) $((cs / 1024)) "$(ratio "$a" "$b")" "$(ratio "$a" "$c")" \
    "$(awk -v a="$as" -v b="$cs" 'BEGIN {printf "%.3f", a / b}')"
done
