#!/usr/bin/env bash
# Writes a CNAB 400 remittance of 100,000 random titles for banks 001 and 237
# with `billing-tool remessa` from the JSON batch and with gawk printing the
# same fields with fixed-width printf (bench/remessa_bench.awk), in the same
# run: gawk reading the same JSON batch, and gawk reading the same titles
# already split, one a line, tab-separated. Checks that all three files are
# identical and prints wall time, peak memory and our ratio to each. Run by
# hand; not part of ctest.
#
#   bench/remessa_bench.sh [--titles N] [--runs N] [--work DIR]
#
# --titles  titles per batch (default 100000)
# --runs    runs per program; the fastest counts (default 3)
# --work    folder for the batches and the files (default a temporary one)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
titles=100000 runs=3 work=""
while (( $# )); do
  case $1 in
    --titles) titles=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
tool=$root/build/bin/billing-tool
source "$root/bench/lib.sh"
bench_need "$tool" gawk
bench_work remessabench

printf "%-5s %10s %10s %10s %10s %10s %10s %11s %11s %s\n" bank tool_s gawk_json gawk_tsv tool_KiB gawkj_KiB gawkt_KiB ratio_json ratio_tsv same
for bank in 001 237; do
  json=$work/batch$bank.json tsv=$work/batch$bank.tsv
  /usr/bin/python3 "$root/tests/make_remessa_batch.py" "$bank" "$titles" 18 "$json" --tsv "$tsv" --plain
  read -r numero data < <(/usr/bin/python3 -c 'import json, sys
d = json.load(open(sys.argv[1])); print(d["NumeroArquivo"], d["DataArquivo"])' "$json")
  gawk_run=(gawk -v bank="$bank" -v numero="$numero" -v data="$data" -f "$root/bench/remessa_bench.awk")
  bench_reset
  for ((r = 0; r < runs; r++)); do
    bench_run tool "$tool" remessa --bank "$bank" "$json" "$work/tool.rem"
    bench_run gawk_json "${gawk_run[@]}" -v input=json "$json"
    bench_run gawk_tsv "${gawk_run[@]}" -v input=tsv "$tsv"
  done
  same=no
  cmp -s "$work/tool.rem" "$work/gawk_json.out" && cmp -s "$work/tool.rem" "$work/gawk_tsv.out" && same=yes
  printf "%-5s %10s %10s %10s %10s %10s %10s %11s %11s %s\n" "$bank" "${best[tool]}" "${best[gawk_json]}" "${best[gawk_tsv]}" \
    "${peak[tool]}" "${peak[gawk_json]}" "${peak[gawk_tsv]}" "$(bench_ratio tool gawk_json)" "$(bench_ratio tool gawk_tsv)" "$same"
done
