#!/usr/bin/env bash
# Times the preview's page rendering and its text search against poppler on
# the same pages, in one run, and prints the ratios (ours over theirs: below
# 1 is faster). Run by hand; not part of ctest.
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
for f in "$tool" "$render"; do [[ -x $f ]] || { echo "build first: $f is missing" >&2; exit 1; }; done
work=$(mktemp -d /tmp/previewbenchXXXXXX)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

"$tool" pages synth --pages 1000 "$work/pages.brp"
"$tool" print "$work/pages.brp" --pdf "$work/pages.pdf"

best() { # command... : best wall time of $runs runs, in seconds
  local best=""
  for _ in $(seq "$runs"); do
    local s e t
    s=$(date +%s.%N); "$@" > /dev/null; e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc -l)
    if [[ -z "$best" ]] || (( $(echo "$t < $best" | bc -l) )); then best=$t; fi
  done
  echo "$best"
}
fresh() { rm -rf "$work/out"; mkdir "$work/out"; }

ours_render=$(best bash -c "rm -rf '$work/out'; mkdir '$work/out'; '$render' '$work/pages.brp' 1 100 '$work/out'")
peer_render=$(best bash -c "rm -rf '$work/out'; mkdir '$work/out'; pdftoppm -r 96 -png -f 1 -l 100 '$work/pages.pdf' '$work/out/p'")
fresh
text="página 517"
ours_search=$(best "$tool" pages find "$work/pages.brp" "$text" --match-case)
peer_search=$(best bash -c "pdftotext -enc UTF-8 '$work/pages.pdf' - | grep -c '$text'")
printf 'render 100 pages at 96 dpi to PNG: ours %.3f s, pdftoppm %.3f s, ratio ours/peer %.2f\n' \
  "$ours_render" "$peer_render" "$(echo "$ours_render / $peer_render" | bc -l)"
printf 'search 1000 pages for "%s": ours %.3f s, pdftotext | grep %.3f s, ratio ours/peer %.2f\n' \
  "$text" "$ours_search" "$peer_search" "$(echo "$ours_search / $peer_search" | bc -l)"
