#!/usr/bin/env bash
# A short run of the GIF fuzz target, seeded with the test corpus:
#   smoke.sh FUZZER SECONDS WORKDIR
set -euo pipefail
fuzzer=$1 seconds=$2 work=$3
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work/seeds" "$work/new"
/usr/bin/python3 "$here/../../tests/make_gif_corpus.py" "$work/seeds" >/dev/null
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1536 -malloc_limit_mb=512 \
  -max_len=4096 -print_final_stats=1 "$work/new" "$work/seeds" 2>&1 | tail -5
rm -rf "$work"
