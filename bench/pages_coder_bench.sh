#!/usr/bin/env bash
# Times the page coder of report-tool (`pages code` and `pages decode`) on
# page records against `gzip -1` and `gzip -d` on the same input in one run,
# and prints wall time, output size and peak memory of each, with our ratios
# (ours / gzip's time, as every bench prints them: below 1 is faster than
# gzip). Run by hand; not part of ctest.
#
#   bench/pages_coder_bench.sh [--mib N] [--runs N] [--build DIR] [--work DIR]
#
# --mib    size of the input: page records of `pages synth`, repeated (default 64)
# --runs   runs per program; the fastest counts (default 3)
# --build  the build folder holding bin/report-tool (default build)
# --work   folder for the input and outputs (default a temporary one)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mib=64 runs=3 build=$root/build work=""
while (( $# )); do
  case $1 in
    --mib) mib=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
tool=$build/bin/report-tool
source "$root/bench/lib.sh"
bench_need "$tool" gzip
bench_work pagesbench

# The input: an uncompressed stream of 200 generated pages, repeated to size.
QT_QPA_PLATFORM=offscreen "$tool" pages synth --pages 200 "$work/pages.brp" 2>/dev/null
bytes=$((mib * 1024 * 1024))
while (( $(stat -c %s "$work/pages.brp") < bytes )); do
  cat "$work/pages.brp" "$work/pages.brp" >"$work/twice" && mv "$work/twice" "$work/pages.brp"
done
head -c "$bytes" "$work/pages.brp" >"$work/input" && rm "$work/pages.brp"
in=$work/input

for ((r = 0; r < runs; r++)); do
  bench_run code sh -c "exec '$tool' pages code <'$in'"
  bench_run gzip sh -c "exec gzip -1 -c <'$in'"
done
for ((r = 0; r < runs; r++)); do
  bench_run decode sh -c "exec '$tool' pages decode <'$work/code.out'"
  bench_run gunzip sh -c "exec gzip -d -c <'$work/gzip.out'"
done
cmp -s "$in" "$work/decode.out" || { echo "decode did not give the input back" >&2; exit 1; }
cmp -s "$in" "$work/gunzip.out" || { echo "gzip -d did not give the input back" >&2; exit 1; }

size() { stat -c %s "$1"; }
printf '%-22s %10s %12s %10s\n' program seconds bytes peak-KiB
printf '%-22s %10s %12s %10s\n' "input" "" "$(size "$in")" ""
printf '%-22s %10s %12s %10s\n' "report-tool code" "${best[code]}" "$(size "$work/code.out")" "${peak[code]}"
printf '%-22s %10s %12s %10s\n' "gzip -1" "${best[gzip]}" "$(size "$work/gzip.out")" "${peak[gzip]}"
printf '%-22s %10s %12s %10s\n' "report-tool decode" "${best[decode]}" "$(size "$work/decode.out")" "${peak[decode]}"
printf '%-22s %10s %12s %10s\n' "gzip -d" "${best[gunzip]}" "$(size "$work/gunzip.out")" "${peak[gunzip]}"
echo "coding, ours / gzip -1:   $(bench_ratio code gzip) (goal at most 1.67)"
echo "decoding, ours / gzip -d: $(bench_ratio decode gunzip) (goal at most 3.3)"
