#!/usr/bin/env bash
# Times the report engine on large layouts, each at two sizes ten times
# apart, and prints how the time grows (the goal: about 10, linear):
#   controls  `report-tool run` of a layout of N text controls, 100 to a band
#             (reading the layout, one page, freeing it)
#   bands     `report-tool design` of a layout of N one-label bands
#   text      `report-tool run` of one AutoStretch, word-wrapped label of N
#             bytes of text over as many pages as it needs
# Layouts come from bench/make_big_layout.py. Best wall time of --runs
# (bench/lib.sh); the process start (about 0.3 s with the Qt libraries) is
# in every figure. Run by hand; not part of ctest.
#
#   bench/load_bench.sh [--runs N] [--work DIR] [--build DIR]
#
# --runs   runs per case; the fastest counts (default 3)
# --work   folder for the layouts and outputs (default a temporary one)
# --build  build folder holding bin/report-tool (default build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=3 work="" build=$root/build
while (( $# )); do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
tool=$build/bin/report-tool
source "$root/bench/lib.sh"
bench_need "$tool" python3
bench_work loadbench
export QT_QPA_PLATFORM=offscreen

row() { printf "%-9s %10s %10s %10s %10s %8s %10s\n" "$@"; }
row case small large small_s large_s growth large_KiB
# case, the two sizes, the command (LAYOUT and OUT stand for the files)
for row in "controls 5000 50000 run" "bands 1000 10000 design" "text 100000 1000000 run"; do
  read -r kind small large cmd <<<"$row"
  for n in $small $large; do
    python3 "$root/bench/make_big_layout.py" "$kind" "$n" "$work/$kind$n.json"
  done
  bench_reset
  for ((r = 0; r < runs; r++)); do
    for n in $small $large; do
      if [[ $cmd == design ]]; then
        # a tenth of the size keeps 10,000 bands under the picture's pixel limit
        bench_quiet "$n" "$tool" design "$work/$kind$n.json" "$work/out.png" --zoom 10
      else
        bench_quiet "$n" "$tool" run "$work/$kind$n.json" --pdf "$work/out.pdf"
      fi
    done
  done
  row "$kind" "$small" "$large" "${best[$small]}" "${best[$large]}" "$(bench_ratio "$large" "$small")" "${peak[$large]}"
done
echo "(growth: large_s / small_s for ten times the input; about 10 is linear)"
