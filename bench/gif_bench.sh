#!/usr/bin/env bash
# GIF decoding speed: the picture library vs giflib (DGifSlurp + colour
# mapping) vs python3-pil, on a 4000 x 3000 256-colour picture and a
# 100-frame 640 x 480 animation, all in one run. Run by hand after a build:
#   bench/gif_bench.sh [BUILD_DIR]      (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
data=$build/bench-data
mkdir -p "$data"
ours=$build/bin/gif_decode_bench
giflib=$build/bin/giflib_decode_bench

[[ -f $data/big.gif && -f $data/anim.gif ]] || /usr/bin/python3 "$root/bench/make_gif_pictures.py" "$data"

pil_time() {
  /usr/bin/python3 - "$1" <<'PY'
import sys, time
from PIL import Image
best = 1e300
for _ in range(3):
    t0 = time.perf_counter()
    im = Image.open(sys.argv[1])
    for i in range(getattr(im, "n_frames", 1)):
        im.seek(i)
        im.convert("RGB")
    best = min(best, (time.perf_counter() - t0) * 1000)
print(f"{best:.2f}")
PY
}

printf "%-32s %12s %12s %12s %10s %10s\n" input "ours ms" "giflib ms" "pil ms" giflib/ours pil/ours
for f in big.gif anim.gif; do
  a=$("$ours" "$data/$f" 5 2>/dev/null)
  b=$("$giflib" "$data/$f" 5 2>/dev/null)
  c=$(pil_time "$data/$f")
  printf "%-32s %12s %12s %12s %10.2f %10.2f\n" "$f ($(du -k "$data/$f" | cut -f1) KiB)" "$a" "$b" "$c" \
    "$(echo "$b / $a" | bc -l)" "$(echo "$c / $a" | bc -l)"
done
