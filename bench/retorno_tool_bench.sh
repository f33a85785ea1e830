#!/usr/bin/env bash
# billing-tool retorno against gawk on CNAB 400 returns of bank 237 of
# 100,000 and 1,000,000 records (tests/cnab400_returns.py): the tool reads
# every title and writes the batch as JSON, gawk slices the same fields to
# TSV (bench/retorno_fields.awk). Both write to /dev/null; the rounds are
# interleaved and the best of --runs is kept. Prints wall time and peak
# memory of each, our ratio, and checks the two agree on the record count.
# Run by hand, not part of ctest.
#   bench/retorno_tool_bench.sh [--records "N..."] [--runs N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sizes="100000 1000000" runs=3
while (( $# )); do
  case $1 in
    --records) sizes=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
tool=$root/build/bin/billing-tool
source "$root/bench/lib.sh"
bench_need "$tool" gawk
bench_work retornotoolbench

printf '%-9s %-6s %10s %10s\n' records reader "wall s" "peak KiB"
for records in $sizes; do
  file=$work/r237.ret
  /usr/bin/python3 "$root/tests/cnab400_returns.py" --records 237 "$records" "$file"
  titles=$("$tool" retorno --bank 237 "$file" | grep -c '^    {$' || true)
  rows=$(LC_ALL=C gawk -v bank=237 -f "$root/bench/retorno_fields.awk" "$file" | wc -l)
  [[ $titles == "$rows" ]] || { echo "gawk ($rows) and billing-tool ($titles) disagree on the record count" >&2; exit 1; }
  bench_reset
  for ((r = 0; r < runs; r++)); do
    bench_quiet ours "$tool" retorno --bank 237 "$file"
    bench_quiet gawk env LC_ALL=C gawk -v bank=237 -f "$root/bench/retorno_fields.awk" "$file"
  done
  printf '%-9s %-6s %10s %10s\n' "$records" ours "${best[ours]}" "${peak[ours]}" "$records" gawk "${best[gawk]}" "${peak[gawk]}"
  echo "          $records records: ours / gawk = $(bench_ratio ours gawk) (goal <= 0.50), peak $(bench_mib ours) MiB (goal < 16)"
  rm -f "$file"
done
