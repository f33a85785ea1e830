#!/usr/bin/env bash
# Packs one backup-like file (a generated SQLite database of business rows)
# with archive-tool at the normal level on --threads threads, with `zip -6`,
# with Python's zipfile at level 6 and, where installed, with `pigz -6`
# (gzip, not ZIP, but the same deflate on the same threads), in the same run,
# rounds interleaved, and prints wall time, output size and peak memory of
# each, with our ratios. Our archive must pass unzip -t, 7z t and zipfile.
# Run by hand; not part of ctest.
#
#   bench/zip_bench.sh [--mib N] [--runs N] [--threads N] [--db FILE] [--work DIR]
#
# --mib     size of the generated database (default 512)
# --runs    runs per tool; the fastest run counts (default 1)
# --threads threads of archive-tool and pigz (default 4)
# --db    use this file instead of generating one
# --work  folder for the database and the archives (default a temporary one)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mib=512 runs=1 threads=4 db="" work=""
while (( $# )); do
  case $1 in
    --mib) mib=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --threads) threads=$2; shift 2 ;;
    --db) db=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
tool=$root/build/bin/archive-tool
[[ -x $tool ]] || { echo "build first: $tool is missing" >&2; exit 1; }
if [[ -z $work ]]; then
  work=$(mktemp -d /tmp/zipbenchXXXXXX)
  trap 'rm -rf "$work"' EXIT
fi
if [[ -z $db ]]; then
  db=$work/Backup_Loja_20240131_235959.bak
  "$root/bench/gen_backup_db.sh" "$db" "$mib" >/dev/null
fi
cd "$(dirname "$db")"
input=$(basename "$db")

# measure NAME OUTPUT COMMAND...: one run; keeps the best wall time (s), its
# peak memory (KiB) and the output's size.
declare -A wall mem size
measure() {
  local name=$1 out=$2; shift 2
  local best=${wall[$name]:-} best_mem=${mem[$name]:-0}
  {
    rm -f "$out"
    /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null
    local t m
    t=$(/usr/bin/python3 - "$work/time.txt" <<'PY'
import sys
for line in open(sys.argv[1]):
    if 'Elapsed (wall clock)' in line:
        v = line.rsplit(': ', 1)[1].strip().split(':')
        s = 0.0
        for part in v:
            s = s * 60 + float(part)
        print('%.2f' % s)
PY
)
    m=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
    if [[ -z $best ]] || awk "BEGIN {exit !($t < $best)}"; then best=$t; best_mem=$m; fi
  }
  wall[$name]=$best mem[$name]=$best_mem size[$name]=$(stat -c %s "$out")
}

have_pigz=0
command -v pigz >/dev/null && have_pigz=1
tools="ours zip python"
(( have_pigz )) && tools="$tools pigz"
for ((r = 0; r < runs; r++)); do
  measure ours "$work/ours.zip" "$tool" compress --threads "$threads" --level normal "$work/ours.zip" "$input"
  measure zip "$work/zip.zip" zip -6 -q "$work/zip.zip" "$input"
  measure python "$work/python.zip" /usr/bin/python3 -c "
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED, compresslevel=6) as z:
    z.write(sys.argv[2])" "$work/python.zip" "$input"
  if (( have_pigz )); then
    measure pigz "$work/pigz.gz" sh -c 'pigz -6 -p "$1" -c "$2" > "$3"' sh "$threads" "$input" "$work/pigz.gz"
  fi
done

unzip -tq "$work/ours.zip" >/dev/null || { echo "our archive fails unzip -t" >&2; exit 1; }
7z t "$work/ours.zip" >/dev/null || { echo "our archive fails 7z t" >&2; exit 1; }
/usr/bin/python3 -m zipfile -t "$work/ours.zip" >/dev/null || { echo "our archive fails zipfile -t" >&2; exit 1; }
printf 'input: %s (%d bytes), %d run(s) each, best counts; archive-tool and pigz on %d threads\n' \
  "$input" "$(stat -c %s "$input")" "$runs" "$threads"
printf 'our archive passes unzip -t, 7z t and zipfile -t\n\n'
printf '%-16s %10s %14s %14s\n' tool "wall s" "size bytes" "peak KiB"
for n in $tools; do
  printf '%-16s %10s %14s %14s\n' "$n" "${wall[$n]}" "${size[$n]}" "${mem[$n]}"
done
echo
awk -v o="${wall[ours]}" -v z="${wall[zip]}" -v p="${wall[python]}" \
    'BEGIN { printf "wall time: ours / zip -6 = %.2f (goal <= 0.30), ours / python = %.2f\n", o / z, o / p }'
if (( have_pigz )); then
  awk -v o="${wall[ours]}" -v g="${wall[pigz]}" 'BEGIN { printf "           ours / pigz -6 = %.2f\n", o / g }'
else
  echo "           pigz is not installed: no ratio to pigz -6"
fi
awk -v o="${size[ours]}" -v z="${size[zip]}" \
    'BEGIN { printf "size:      ours / zip -6 = %.4f (goal <= 1.005)\n", o / z }'
awk -v o="${mem[ours]}" 'BEGIN { printf "memory:    ours peak = %.1f MiB (goal <= 32)\n", o / 1024 }'
