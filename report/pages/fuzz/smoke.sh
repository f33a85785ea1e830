#!/usr/bin/env bash
# A short run of the page stream fuzz target, seeded with streams that
# report-tool makes (plain, coded, without pages) in both ways of reading:
#   smoke.sh FUZZER REPORT-TOOL SECONDS WORKDIR
set -euo pipefail
fuzzer=$1 tool=$2 seconds=$3 work=$4
rm -rf "$work"
mkdir -p "$work/seeds" "$work/new"
export QT_QPA_PLATFORM=offscreen
"$tool" pages synth --pages 1 "$work/plain.brp" 2>/dev/null
"$tool" pages synth --pages 2 --compress "$work/coded.brp" 2>/dev/null
"$tool" pages synth --pages 0 "$work/empty.brp" 2>/dev/null
for f in plain coded empty; do
  { printf '\001'; cat "$work/$f.brp"; } >"$work/seeds/$f-file"
  { printf '\000'; cat "$work/$f.brp"; } >"$work/seeds/$f-memory"
done
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1536 -malloc_limit_mb=512 \
  -max_len=40000 -print_final_stats=1 "$work/new" "$work/seeds" 2>&1 | tail -5
rm -rf "$work"
