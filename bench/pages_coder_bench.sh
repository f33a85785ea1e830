#!/usr/bin/env bash
# Times the page coder of report-tool (`pages code` and `pages decode`) on
# page records against `gzip -1` and `gzip -d` on the same input in one run,
# and prints wall time, output size and peak memory of each, with our speed
# ratios (their time over ours: 1 is as fast as gzip). Run by hand; not part
# of ctest.
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
[[ -x $tool ]] || { echo "build first: $tool is missing" >&2; exit 1; }
if [[ -z $work ]]; then
  work=$(mktemp -d /tmp/pagesbenchXXXXXX)
  trap 'rm -rf "$work"' EXIT
fi
source "$root/bench/measure.sh"

# The input: an uncompressed stream of 200 generated pages, repeated to size.
QT_QPA_PLATFORM=offscreen "$tool" pages synth --pages 200 "$work/pages.brp" 2>/dev/null
bytes=$((mib * 1024 * 1024))
while (( $(stat -c %s "$work/pages.brp") < bytes )); do
  cat "$work/pages.brp" "$work/pages.brp" >"$work/twice" && mv "$work/twice" "$work/pages.brp"
done
head -c "$bytes" "$work/pages.brp" >"$work/input" && rm "$work/pages.brp"
in=$work/input

read -r code_s code_kib < <(measure "$work/payload" sh -c "exec '$tool' pages code <'$in' >'$work/payload'")
read -r gz_s gz_kib < <(measure "$work/input.gz" sh -c "exec gzip -1 -c <'$in' >'$work/input.gz'")
read -r decode_s decode_kib < <(measure "$work/back" sh -c "exec '$tool' pages decode <'$work/payload' >'$work/back'")
read -r gunzip_s gunzip_kib < <(measure "$work/back.gz" sh -c "exec gzip -d -c <'$work/input.gz' >'$work/back.gz'")
cmp -s "$in" "$work/back" || { echo "decode did not give the input back" >&2; exit 1; }
cmp -s "$in" "$work/back.gz" || { echo "gzip -d did not give the input back" >&2; exit 1; }

size() { stat -c %s "$1"; }
printf '%-22s %8s %12s %10s\n' program seconds bytes peak-KiB
printf '%-22s %8s %12s %10s\n' "input" "" "$(size "$in")" ""
printf '%-22s %8s %12s %10s\n' "report-tool code" "$code_s" "$(size "$work/payload")" "$code_kib"
printf '%-22s %8s %12s %10s\n' "gzip -1" "$gz_s" "$(size "$work/input.gz")" "$gz_kib"
printf '%-22s %8s %12s %10s\n' "report-tool decode" "$decode_s" "$(size "$work/back")" "$decode_kib"
printf '%-22s %8s %12s %10s\n' "gzip -d" "$gunzip_s" "$(size "$work/back.gz")" "$gunzip_kib"
awk -v c="$code_s" -v g="$gz_s" -v d="$decode_s" -v u="$gunzip_s" 'BEGIN {
  printf "coding speed, gzip -1 time / ours:   %.2f (goal at least 0.6)\n", (c > 0 ? g / c : 0)
  printf "decoding speed, gzip -d time / ours: %.2f (goal at least 0.3)\n", (d > 0 ? u / d : 0)
}'
