#!/usr/bin/env bash
# Packs one backup-like file (a generated SQLite database of business rows)
# with archive-tool at the normal level on --threads threads, with `zip -6`,
# with Python's zipfile at level 6 and, where installed, with `pigz -6`
# (gzip, not ZIP, but the same deflate on the same threads), in the same run,
# rounds interleaved (bench/lib.sh: best of --runs, ours / peer), and prints wall time, output size and peak memory of
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
source "$root/bench/lib.sh"
bench_need "$tool" zip unzip 7z
bench_work zipbench
if [[ -z $db ]]; then
  db=$work/Backup_Loja_20240131_235959.bak
  "$root/bench/gen_backup_db.sh" "$db" "$mib" >/dev/null
fi
cd "$(dirname "$db")"
input=$(basename "$db")

have_pigz=0
command -v pigz >/dev/null && have_pigz=1
tools="ours zip python"
(( have_pigz )) && tools="$tools pigz"
declare -A size
for ((r = 0; r < runs; r++)); do
  rm -f "$work/ours.zip" "$work/zip.zip" "$work/python.zip"
  bench_quiet ours "$tool" compress --threads "$threads" --level normal "$work/ours.zip" "$input"
  bench_quiet zip zip -6 -q "$work/zip.zip" "$input"
  bench_quiet python /usr/bin/python3 -c "
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED, compresslevel=6) as z:
    z.write(sys.argv[2])" "$work/python.zip" "$input"
  (( have_pigz )) && bench_run pigz pigz -6 -p "$threads" -c "$input"
done
size[ours]=$(stat -c %s "$work/ours.zip") size[zip]=$(stat -c %s "$work/zip.zip")
size[python]=$(stat -c %s "$work/python.zip")
(( have_pigz )) && size[pigz]=$(stat -c %s "$work/pigz.out")

unzip -tq "$work/ours.zip" >/dev/null || { echo "our archive fails unzip -t" >&2; exit 1; }
7z t "$work/ours.zip" >/dev/null || { echo "our archive fails 7z t" >&2; exit 1; }
/usr/bin/python3 -m zipfile -t "$work/ours.zip" >/dev/null || { echo "our archive fails zipfile -t" >&2; exit 1; }
printf 'input: %s (%d bytes), %d run(s) each, best counts; archive-tool and pigz on %d threads\n' \
  "$input" "$(stat -c %s "$input")" "$runs" "$threads"
printf 'our archive passes unzip -t, 7z t and zipfile -t\n\n'
printf '%-16s %10s %14s %14s\n' tool "wall s" "size bytes" "peak KiB"
for n in $tools; do
  printf '%-16s %10s %14s %14s\n' "$n" "${best[$n]}" "${size[$n]}" "${peak[$n]}"
done
echo
echo "wall time: ours / zip -6 = $(bench_ratio ours zip) (goal <= 0.30), ours / python = $(bench_ratio ours python)"
if (( have_pigz )); then
  echo "           ours / pigz -6 = $(bench_ratio ours pigz)"
else
  echo "           pigz is not installed: no ratio to pigz -6"
fi
awk -v o="${size[ours]}" -v z="${size[zip]}" \
    'BEGIN { printf "size:      ours / zip -6 = %.4f (goal <= 1.005)\n", o / z }'
echo "memory:    ours peak = $(bench_mib ours) MiB (goal <= 32)"
