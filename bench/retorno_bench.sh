#!/usr/bin/env bash
# Reads a 100,000-record CNAB 400 return of banks 237 and 341 with the
# engine's reader (bench/retorno_bench.cpp, titles streamed to TSV) and with
# a gawk script that only slices the same fields to TSV
# (bench/retorno_fields.awk), in the same run; prints wall time and peak
# memory of each and our ratio. The reader that keeps every title in the
# batch (`--batch`, as LerRetorno does) is timed beside them;
# bench/retorno_tool_bench.sh times billing-tool retorno itself.
# Best of --runs; run by hand, not part of ctest.
#   bench/retorno_bench.sh [--records N] [--runs N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
records=100000 runs=3
while (( $# )); do
  case $1 in
    --records) records=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
ours=$root/build/bin/retorno_bench
[[ -x $ours ]] || { echo "build first: $ours is missing" >&2; exit 1; }
command -v gawk >/dev/null || { echo "gawk is missing (scripts/setup installs it)" >&2; exit 1; }
work=$(mktemp -d /tmp/retornobenchXXXXXX)
trap 'rm -rf "$work"' EXIT

# measure COMMAND...: sets best wall seconds and its peak KiB.
measure() {
  best="" best_mem=0
  for ((r = 0; r < runs; r++)); do
    /usr/bin/time -f '%e %M' -o "$work/time.txt" "$@" >"$work/out.tsv"
    read -r t m <"$work/time.txt"
    if [[ -z $best ]] || awk "BEGIN {exit !($t < $best)}"; then best=$t best_mem=$m; fi
  done
}

printf '%-6s %-16s %8s %10s\n' bank reader "wall s" "peak KiB"
for bank in 237 341; do
  file=$work/r$bank.ret
  /usr/bin/python3 "$root/tests/cnab400_returns.py" --records "$bank" "$records" "$file"
  measure "$ours" "$bank" "$file"
  o=$best om=$best_mem
  rows=$(wc -l <"$work/out.tsv")
  measure env LC_ALL=C gawk -v bank="$bank" -f "$root/bench/retorno_fields.awk" "$file"
  g=$best gm=$best_mem
  [[ $(wc -l <"$work/out.tsv") == "$rows" ]] || { echo "gawk and ours disagree on the record count" >&2; exit 1; }
  measure "$ours" "$bank" "$file" --batch
  b=$best bm=$best_mem
  printf '%-6s %-16s %8s %10s\n' "$bank" ours "$o" "$om" "$bank" gawk "$g" "$gm" "$bank" "ours, batch" "$b" "$bm"
  awk -v o="$o" -v g="$g" -v m="$om" -v b="$b" 'BEGIN {
    printf "       %d records: ours / gawk = %.2f (goal <= 0.50), peak %.1f MiB (goal < 128); batch / gawk = %.2f\n",
           '"$rows"', o / g, m / 1024, b / g }'
done
