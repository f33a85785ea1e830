#!/usr/bin/env bash
# Times the preview's page rendering and its text search against poppler on
# the same pages, in one run, and prints wall time, peak memory and the
# ratios (ours / peer: below 1 is faster; bench/lib.sh: interleaved rounds,
# best of --runs). Run by hand; not part of ctest.
#   render: 100 pages drawn as the preview draws them at zoom 100 (96 dpi),
#           written as PNG files, against `pdftoppm -r 96 -png` of the same
#           pages printed to PDF by report-tool
#   search: `report-tool pages find` over 1000 pages against
#           `pdftotext | grep -c` on the PDF of the same pages
#
#   bench/preview_bench.sh [--build DIR] [--runs N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build runs=3
while (( $# )); do
  case $1 in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
tool=$build/bin/report-tool render=$build/bin/preview_render_bench
source "$root/bench/lib.sh"
bench_need "$tool" "$render" pdftoppm pdftotext
bench_work previewbench
export QT_QPA_PLATFORM=offscreen

"$tool" pages synth --pages 1000 "$work/pages.brp"
"$tool" print "$work/pages.brp" --pdf "$work/pages.pdf"

text="página 517"
for ((r = 0; r < runs; r++)); do
  bench_quiet ours_render bash -c "rm -rf '$work/out'; mkdir '$work/out'; exec '$render' '$work/pages.brp' 1 100 '$work/out'"
  bench_quiet peer_render bash -c "rm -rf '$work/out'; mkdir '$work/out'; exec pdftoppm -r 96 -png -f 1 -l 100 '$work/pages.pdf' '$work/out/p'"
  bench_quiet ours_search "$tool" pages find "$work/pages.brp" "$text" --match-case
  bench_quiet peer_search bash -c "pdftotext -enc UTF-8 '$work/pages.pdf' - | grep -c '$text'"
done
printf '%-36s %10s %10s %10s %10s %8s\n' task ours_s peer_s ours_KiB peer_KiB ours/peer
for task in render search; do
  label="render 100 pages at 96 dpi (pdftoppm)"
  [[ $task == search ]] && label="search 1000 pages (pdftotext | grep)"
  printf '%-36s %10s %10s %10s %10s %8s\n' "$label" "${best[ours_$task]}" "${best[peer_$task]}" \
    "${peak[ours_$task]}" "${peak[peer_$task]}" "$(bench_ratio ours_$task peer_$task)"
done
