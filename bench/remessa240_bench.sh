#!/usr/bin/env bash
# Writes a CNAB 240 remittance of 49,999 random titles for banks 001 and 104
# with `billing-tool remessa --layout 240` from the JSON batch and with gawk
# printing the same records with fixed-width printf (bench/remessa240_bench.awk)
# from the same titles already split, one a line, tab-separated. Checks that
# both files are identical, that every line is 240 bytes, and prints wall
# time, peak memory and our ratio to gawk. Run by hand; not part of ctest.
#
#   bench/remessa240_bench.sh [--titles N] [--runs N] [--work DIR]
#
# --titles  titles per batch (default and most 49,999: record numbers in a
#           batch have five digits)
# --runs    runs per program; the fastest counts (default 3)
# --work    folder for the batches and the files (default a temporary one)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
titles=49999 runs=3 work=""
while (( $# )); do
  case $1 in
    --titles) titles=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
(( titles > 49999 )) && titles=49999  # record numbers in a batch have five digits
tool=$root/build/bin/billing-tool
source "$root/bench/lib.sh"
bench_need "$tool" gawk
bench_work remessa240bench

printf "%-5s %10s %10s %10s %10s %8s %s\n" bank tool_s gawk_s tool_KiB gawk_KiB ratio same
for bank in 001 104; do
  json=$work/batch$bank.json tsv=$work/batch$bank.tsv
  /usr/bin/python3 "$root/tests/make_remessa_batch.py" "$bank" "$titles" 18 "$json" --tsv "$tsv" --plain
  read -r numero data < <(/usr/bin/python3 -c 'import json, sys
d = json.load(open(sys.argv[1])); print(d["NumeroArquivo"], d["DataArquivo"])' "$json")
  bench_reset
  for ((r = 0; r < runs; r++)); do
    bench_run tool "$tool" remessa --bank "$bank" --layout 240 "$json" "$work/tool.rem"
    bench_run gawk gawk -v bank="$bank" -v numero="$numero" -v data="$data" -f "$root/bench/remessa240_bench.awk" "$tsv"
  done
  same=no
  cmp -s "$work/tool.rem" "$work/gawk.out" && tr -d '\r' <"$work/tool.rem" | awk 'length($0)!=240{exit 1}' && same=yes
  printf "%-5s %10s %10s %10s %10s %8s %s\n" "$bank" "${best[tool]}" "${best[gawk]}" "${peak[tool]}" "${peak[gawk]}" \
    "$(bench_ratio tool gawk)" "$same"
done
