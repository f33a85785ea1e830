#!/usr/bin/env bash
# Colour reduction speed: the picture library's 8-bit reduction methods vs
# python3-pil on the same 4000 x 3000 24-bit picture (a smooth, many-coloured
# picture and one of random noise), all in one run; the two take turns in
# every round and the best of the rounds counts. Pillow's counterparts:
#   method 0 (histogram)   Image.convert('P', palette=ADAPTIVE, dither=NONE)
#   method 1 (median cut)  Image.quantize(256, method=MEDIANCUT, dither=NONE)
#   method 5 (grayscale)   Image.convert('L')
# Run by hand after a build:
#   bench/reduce_bench.sh [BUILD_DIR]   (default: build; ROUNDS=5 in the environment)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${ROUNDS:-5}
data=$build/bench-data
mkdir -p "$data"
ours=$build/bin/reduce_bench
[[ -x $ours ]] || ours=$build/bench/reduce_bench

[[ -f $data/smooth.ppm && -f $data/noise.ppm ]] || /usr/bin/python3 - "$data" <<'PY'
import os, sys
from PIL import Image
d = sys.argv[1]
w, h = 4000, 3000
m = Image.effect_mandelbrot((w, h), (-2.2, -1.2, 1.0, 1.2), 200)
gx = Image.linear_gradient("L").resize((w, h))
gy = Image.radial_gradient("L").resize((w, h))
Image.merge("RGB", (m, gx, gy)).save(d + "/smooth.ppm")
Image.frombytes("RGB", (w, h), os.urandom(w * h * 3)).save(d + "/noise.ppm")
PY

pil_time() {
  /usr/bin/python3 - "$1" "$2" <<'PY'
import sys, time
from PIL import Image
im = Image.open(sys.argv[1]); im.load()
method = sys.argv[2]
best = 1e300
for _ in range(3):
    t0 = time.perf_counter()
    if method == "0":
        im.convert("P", palette=Image.Palette.ADAPTIVE, colors=256, dither=Image.Dither.NONE)
    elif method == "1":
        im.quantize(256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    else:
        im.convert("L")
    best = min(best, (time.perf_counter() - t0) * 1000)
print(f"{best:.2f}")
PY
}
min() { awk -v a="$1" -v b="$2" 'BEGIN {print (a == "" || b + 0 < a + 0) ? b : a}'; }

printf "%-12s %-8s %12s %12s %10s\n" picture method "ours ms" "pil ms" ours/pil
for f in smooth noise; do
  for m in 0 1 5; do
    a="" b=""
    for ((r = 0; r < rounds; r++)); do
      a=$(min "$a" "$("$ours" "$data/$f.ppm" "$m" 3 2>/dev/null)")
      b=$(min "$b" "$(pil_time "$data/$f.ppm" "$m")")
    done
    printf "%-12s %-8s %12s %12s %10.2f\n" "$f" "$m" "$a" "$b" "$(awk -v a="$a" -v b="$b" 'BEGIN {print a / b}')"
  done
done
