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
[[ -x $tool ]] || { echo "build first: $tool is missing" >&2; exit 1; }
command -v gawk >/dev/null || { echo "gawk is missing (scripts/setup installs it)" >&2; exit 1; }
if [[ -z $work ]]; then
  work=$(mktemp -d /tmp/remessabenchXXXXXX)
  trap 'rm -rf "$work"' EXIT
fi

source "$root/bench/measure.sh"

printf "%-5s %8s %8s %8s %10s %10s %10s %11s %11s %s\n" bank tool_s gawk_json gawk_tsv tool_KiB gawkj_KiB gawkt_KiB ratio_json ratio_tsv same
for bank in 001 237; do
  json=$work/batch$bank.json tsv=$work/batch$bank.tsv
  /usr/bin/python3 "$root/tests/make_remessa_batch.py" "$bank" "$titles" 18 "$json" --tsv "$tsv" --plain
  read -r numero data < <(/usr/bin/python3 -c 'import json, sys
d = json.load(open(sys.argv[1])); print(d["NumeroArquivo"], d["DataArquivo"])' "$json")
  read -r tool_s tool_kib < <(measure "$work/tool.rem" "$tool" remessa --bank "$bank" "$json" "$work/tool.rem")
  gawk_run=(gawk -v bank="$bank" -v numero="$numero" -v data="$data" -f "$root/bench/remessa_bench.awk")
  read -r json_s json_kib < <(measure "$work/stdout.txt" "${gawk_run[@]}" -v input=json "$json")
  cp "$work/stdout.txt" "$work/gawk-json.rem"
  read -r tsv_s tsv_kib < <(measure "$work/stdout.txt" "${gawk_run[@]}" -v input=tsv "$tsv")
  cp "$work/stdout.txt" "$work/gawk-tsv.rem"
  same=no
  cmp -s "$work/tool.rem" "$work/gawk-json.rem" && cmp -s "$work/tool.rem" "$work/gawk-tsv.rem" && same=yes
  ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2fx", (b > 0 ? a / b : 0) }'; }
  printf "%-5s %8s %8s %8s %10s %10s %10s %11s %11s %s\n" "$bank" "$tool_s" "$json_s" "$tsv_s" "$tool_kib" "$json_kib" \
    "$tsv_kib" "$(ratio "$tool_s" "$json_s")" "$(ratio "$tool_s" "$tsv_s")" "$same"
done
