#!/usr/bin/env bash
# Reads a 100,000-record CNAB 400 return of banks 237 and 341 with the
# engine's reader (bench/retorno_bench.cpp, titles streamed to TSV) and with
# a gawk script that only slices the same fields to TSV
# (bench/retorno_fields.awk), in the same run; prints wall time and peak
# memory of each and our ratio. The reader that keeps every title in the
# batch (`--batch`, as LerRetorno does) is timed beside them;
# bench/retorno_tool_bench.sh times billing-tool retorno itself.
# bench/lib.sh: interleaved rounds, best of --runs, ours / peer. Run by
# hand, not part of ctest.
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
source "$root/bench/lib.sh"
bench_need "$ours" gawk
bench_work retornobench

printf '%-6s %-16s %8s %10s\n' bank reader "wall s" "peak KiB"
for bank in 237 341; do
  file=$work/r$bank.ret
  /usr/bin/python3 "$root/tests/cnab400_returns.py" --records "$bank" "$records" "$file"
  bench_reset
  for ((r = 0; r < runs; r++)); do
    bench_run ours "$ours" "$bank" "$file"
    bench_run gawk env LC_ALL=C gawk -v bank="$bank" -f "$root/bench/retorno_fields.awk" "$file"
    bench_quiet batch "$ours" "$bank" "$file" --batch
  done
  rows=$(wc -l <"$work/ours.out")
  [[ $(wc -l <"$work/gawk.out") == "$rows" ]] || { echo "gawk and ours disagree on the record count" >&2; exit 1; }
  printf '%-6s %-16s %8s %10s\n' "$bank" ours "${best[ours]}" "${peak[ours]}" "$bank" gawk "${best[gawk]}" "${peak[gawk]}" \
    "$bank" "ours, batch" "${best[batch]}" "${peak[batch]}"
  echo "       $rows records: ours / gawk = $(bench_ratio ours gawk) (goal <= 0.50), peak $(bench_mib ours) MiB (goal < 128); batch / gawk = $(bench_ratio batch gawk)"
done
