#!/usr/bin/env bash
# GIF decoding speed: the picture library vs giflib (DGifSlurp + colour
# mapping) vs python3-pil, then `picture-tool decode` vs giflib's `gif2rgb -1`
# (wall time and peak memory of the whole command, PPM against raw RGB), on the
# benchmark pictures of make_gif_pictures.py, all in one run. The tools take
# turns in every round and the best of the rounds counts. Run by hand after a
# build:
#   bench/gif_bench.sh [BUILD_DIR]      (default: build; ROUNDS=5 in the environment)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${ROUNDS:-5}
data=$build/bench-data
mkdir -p "$data"
ours=$build/bin/gif_decode_bench
giflib=$build/bin/giflib_decode_bench
tool=$build/bin/picture-tool
pictures=(photo.gif screenshot.gif anim.gif big.gif)

for f in "${pictures[@]}"; do
  [[ -f $data/$f ]] || { /usr/bin/python3 "$root/bench/make_gif_pictures.py" "$data"; break; }
done
work=$(mktemp -d "$data/decodeXXXXXX")
trap 'rm -rf "$work"' EXIT

pil_time() {
  /usr/bin/python3 - "$1" <<'PY'
import sys, time
from PIL import Image
best = 1e300
for _ in range(2):  # as many as the other decoders run in a round
    t0 = time.perf_counter()
    im = Image.open(sys.argv[1])
    for i in range(getattr(im, "n_frames", 1)):
        im.seek(i)
        im.convert("RGB")
    best = min(best, (time.perf_counter() - t0) * 1000)
print(f"{best:.2f}")
PY
}
min() { awk -v a="$1" -v b="$2" 'BEGIN {print (a == "" || b + 0 < a + 0) ? b : a}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

printf "%-28s %10s %10s %10s %12s %9s\n" input "ours ms" "giflib ms" "pil ms" "ours/giflib" "ours/pil"
for f in "${pictures[@]}"; do
  a="" b="" c=""
  for ((r = 0; r < rounds; r++)); do
    a=$(min "$a" "$("$ours" "$data/$f" 2 2>/dev/null)")
    b=$(min "$b" "$("$giflib" "$data/$f" 2 2>/dev/null)")
    c=$(min "$c" "$(pil_time "$data/$f")")
  done
  printf "%-28s %10s %10s %10s %12s %9s\n" "$f ($(du -k "$data/$f" | cut -f1) KiB)" "$a" "$b" "$c" \
    "$(ratio "$a" "$b")" "$(ratio "$a" "$c")"
done

# whole commands: the first frame as 24-bit pixels in a file
run() { # MEMFILE COMMAND...: wall ms on stdout, peak KiB in MEMFILE
  local mem=$1; shift
  local s=$EPOCHREALTIME
  /usr/bin/time -f %M -o "$mem" "$@" >/dev/null
  local e=$EPOCHREALTIME
  awk -v s="$s" -v e="$e" 'BEGIN {printf "%.1f", (e - s) * 1000}'
}
echo
printf "%-28s %10s %10s %10s %10s %9s %12s %11s\n" "decode command" "ours ms" "gif2rgb ms" "ours MiB" "gif2rgb MiB" \
  "RGB MiB" "ours/gif2rgb" "ours MiB/RGB"
for f in photo.gif screenshot.gif big.gif; do
  a="" b="" am=0 bm=0
  for ((r = 0; r < rounds; r++)); do
    t=$(run "$work/mem" "$tool" decode "$data/$f" "$work/ours.ppm")
    a=$(min "$a" "$t"); m=$(cat "$work/mem"); (( m > am )) && am=$m
    t=$(run "$work/mem" gif2rgb -1 -o "$work/peer.rgb" "$data/$f")
    b=$(min "$b" "$t"); m=$(cat "$work/mem"); (( m > bm )) && bm=$m
  done
  # same pixels: the PPM's body equals gif2rgb's raw RGB
  rgb=$(stat -c %s "$work/peer.rgb")
  cmp -s <(tail -c "$rgb" "$work/ours.ppm") "$work/peer.rgb" || echo "warning: $f: pixels differ from gif2rgb's" >&2
  printf "%-28s %10s %10s %10.1f %10.1f %9.1f %12s %11s\n" "$f" "$a" "$b" "$(ratio "$am" 1024)" \
    "$(ratio "$bm" 1024)" "$(ratio "$rgb" 1048576)" "$(ratio "$a" "$b")" "$(ratio "$am" "$(ratio "$rgb" 1024)")"
done
