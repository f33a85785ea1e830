#!/usr/bin/env bash
# Updates a large archive with one new file: archive-tool against `zip -u`, in
# the same run, on copies of the same archive. The archive is built by `zip`
# from many small files. Prints both wall times and their ratio. Run by hand;
# not part of ctest.
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
[[ -x $tool ]] || { echo "build first: $tool is missing" >&2; exit 1; }
if [[ -z $work ]]; then
  work=$(mktemp -d /tmp/zipupdbenchXXXXXX)
  trap 'rm -rf "$work"' EXIT
fi

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

# best_of COMMAND...: the fastest wall time in seconds over the runs, each on
# a fresh copy of the archive.
best_of() {
  local archive=$1; shift
  local best=""
  for ((r = 0; r < runs; r++)); do
    cp "$work/base.zip" "$archive"
    local t0 t1 t
    t0=$(date +%s.%N)
    "$@" >/dev/null
    t1=$(date +%s.%N)
    t=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')
    if [[ -z $best ]] || awk "BEGIN {exit !($t < $best)}"; then best=$t; fi
  done
  echo "$best"
}

ours=$(best_of "$work/ours.zip" "$tool" compress "$work/ours.zip" "$work/new/added.txt")
theirs=$(cd "$work/new" && best_of "$work/zip.zip" zip -q -u "$work/zip.zip" added.txt)

# Both results must hold every old entry and the new one.
unzip -tq "$work/ours.zip" >/dev/null || { echo "our archive fails unzip -t" >&2; exit 1; }
count=$(zipinfo -1 "$work/ours.zip" | wc -l)
expected=$(( $(zipinfo -1 "$work/base.zip" | wc -l) + 1 ))
[[ $count == "$expected" ]] || { echo "our archive holds $count entries, not $expected" >&2; exit 1; }

printf 'archive: %d entries (%d bytes), one file added, %d run(s) each, best counts\n\n' \
  "$((expected - 1))" "$(stat -c %s "$work/base.zip")" "$runs"
printf '%-22s %10s\n' tool "wall s"
printf '%-22s %10s\n' "archive-tool compress" "$ours"
printf '%-22s %10s\n' "zip -u" "$theirs"
echo
awk -v o="$ours" -v z="$theirs" 'BEGIN { printf "wall time: ours / zip -u = %.2f (goal <= 1.0)\n", o / z }'
