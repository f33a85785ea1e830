#!/usr/bin/env bash
# Updates a large archive with one new file: archive-tool against `zip -u`, in
# the same run, on copies of the same archive. The archive is built by `zip`
# from many small files. Prints wall time and peak memory of both and our
# ratio (bench/lib.sh: interleaved rounds, best of --runs, ours / peer). Run
# by hand; not part of ctest.
#
#   bench/zip_update_bench.sh [--entries N] [--runs N] [--work DIR]
#
# --entries  number of small files in the archive (default 50000)
# --runs     updates per tool; the fastest counts (default 3)
# --work     folder for the files and archives (default a temporary one)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
entries=50000 runs=3 work=""
while (( $# )); do
  case $1 in
    --entries) entries=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
tool=$root/build/bin/archive-tool
source "$root/bench/lib.sh"
bench_need "$tool" zip unzip zipinfo
bench_work zipupdbench

# The small files, in folders of 1,000, and the archive zip makes of them.
mkdir -p "$work/src"
/usr/bin/python3 - "$work/src" "$entries" <<'PY'
import os, sys
root, n = sys.argv[1], int(sys.argv[2])
for i in range(n):
    d = os.path.join(root, 'd%03d' % (i // 1000))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, 'file%06d.txt' % i), 'w') as f:
        f.write('entry %d of the benchmark archive\n' % i * (1 + i % 7))
PY
(cd "$work/src" && zip -q -r "$work/base.zip" .)
mkdir -p "$work/new"
head -c 200000 /dev/urandom | base64 > "$work/new/added.txt"

# Each round updates a fresh copy of the archive (the copy is not timed).
for ((r = 0; r < runs; r++)); do
  cp "$work/base.zip" "$work/ours.zip"
  bench_quiet ours "$tool" compress "$work/ours.zip" "$work/new/added.txt"
  cp "$work/base.zip" "$work/zip.zip"
  pushd "$work/new" >/dev/null
  bench_quiet zip zip -q -u "$work/zip.zip" added.txt
  popd >/dev/null
done

# Both results must hold every old entry and the new one.
unzip -tq "$work/ours.zip" >/dev/null || { echo "our archive fails unzip -t" >&2; exit 1; }
count=$(zipinfo -1 "$work/ours.zip" | wc -l)
expected=$(( $(zipinfo -1 "$work/base.zip" | wc -l) + 1 ))
[[ $count == "$expected" ]] || { echo "our archive holds $count entries, not $expected" >&2; exit 1; }

printf 'archive: %d entries (%d bytes), one file added, %d run(s) each, best counts\n\n' \
  "$((expected - 1))" "$(stat -c %s "$work/base.zip")" "$runs"
printf '%-22s %10s %10s\n' tool "wall s" "peak KiB"
printf '%-22s %10s %10s\n' "archive-tool compress" "${best[ours]}" "${peak[ours]}"
printf '%-22s %10s %10s\n' "zip -u" "${best[zip]}" "${peak[zip]}"
echo
echo "wall time: ours / zip -u = $(bench_ratio ours zip) (goal <= 1.0)"
