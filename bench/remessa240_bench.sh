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
[[ -x $tool ]] || { echo "build first: $tool is missing" >&2; exit 1; }
command -v gawk >/dev/null || { echo "gawk is missing (scripts/setup installs it)" >&2; exit 1; }
if [[ -z $work ]]; then
  work=$(mktemp -d /tmp/remessa240benchXXXXXX)
  trap 'rm -rf "$work"' EXIT
fi

source "$root/bench/measure.sh"

printf "%-5s %8s %8s %10s %10s %8s %s\n" bank tool_s gawk_s tool_KiB gawk_KiB ratio same
for bank in 001 104; do
  json=$work/batch$bank.json tsv=$work/batch$bank.tsv
  /usr/bin/python3 "$root/tests/make_remessa_batch.py" "$bank" "$titles" 18 "$json" --tsv "$tsv" --plain
  read -r numero data < <(/usr/bin/python3 -c 'import json, sys
d = json.load(open(sys.argv[1])); print(d["NumeroArquivo"], d["DataArquivo"])' "$json")
  read -r tool_s tool_kib < <(measure "$work/tool.rem" "$tool" remessa --bank "$bank" --layout 240 "$json" "$work/tool.rem")
  read -r gawk_s gawk_kib < <(measure "$work/stdout.txt" gawk -v bank="$bank" -v numero="$numero" -v data="$data" \
    -f "$root/bench/remessa240_bench.awk" "$tsv")
  same=no
  cmp -s "$work/tool.rem" "$work/stdout.txt" && tr -d '\r' <"$work/tool.rem" | awk 'length($0)!=240{exit 1}' && same=yes
  ratio=$(awk -v a="$tool_s" -v b="$gawk_s" 'BEGIN { printf "%.2fx", (b > 0 ? a / b : 0) }')
  printf "%-5s %8s %8s %10s %10s %8s %s\n" "$bank" "$tool_s" "$gawk_s" "$tool_kib" "$gawk_kib" "$ratio" "$same"
done
