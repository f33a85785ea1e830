#!/usr/bin/env bash
# Times the backup job's packing step on one backup-like file (a generated
# SQLite database of business rows) against what a shell script would do with
# the peers: `zip -6` into a temporary file, `unzip -tq` of the result, and a
# move to the trash (gio trash where present, else mv). Ours also checks the
# archive against the file's own CRC before trashing; the check's share is
# printed apart. Best of --runs; run by hand, not part of ctest.
#   bench/handoff_bench.sh [--mib N] [--runs N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mib=256 runs=3
while (( $# )); do
  case $1 in
    --mib) mib=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
tool=$root/build/bin/handoff_bench
[[ -x $tool ]] || { echo "build first: $tool is missing" >&2; exit 1; }
work=$(mktemp -d /tmp/handoffbenchXXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/copias" "$work/tmp" "$work/data"
src=$work/source.db
"$root/bench/gen_backup_db.sh" "$src" "$mib" >/dev/null
bak=$work/copias/Backup_Loja_20240131_235959.bak
zip=${bak%.bak}.zip

now() { date +%s.%N; }
best_ours="" best_check="" best_peer=""
for ((r = 0; r < runs; r++)); do
  rm -rf "$work/data/Trash" "$zip"; cp "$src" "$bak"; sync
  out=$(XDG_DATA_HOME=$work/data "$tool" "$bak" "$work/tmp")
  t=$(awk '/^handoff/ {print $2}' <<<"$out"); c=$(awk '/^check/ {print $2}' <<<"$out")
  if [[ -z $best_ours ]] || awk "BEGIN {exit !($t < $best_ours)}"; then best_ours=$t; best_check=$c; fi

  rm -rf "$work/data/Trash" "$zip"; cp "$src" "$bak"; sync
  s=$(now)
  (cd "$work/copias" && zip -q -6 "$work/tmp/peer.zip" "$(basename "$bak")" && unzip -tq "$work/tmp/peer.zip" >/dev/null \
    && mv "$work/tmp/peer.zip" "$zip")
  if command -v gio >/dev/null; then XDG_DATA_HOME=$work/data gio trash "$bak"; else mv "$bak" "$work/data/"; fi
  e=$(now)
  t=$(echo "$e - $s" | bc -l)
  if [[ -z $best_peer ]] || awk "BEGIN {exit !($t < $best_peer)}"; then best_peer=$t; fi
done
printf 'backup: %d MiB (%d bytes)\n' "$mib" "$(stat -c %s "$src")"
printf 'ours (pack, read back and check, trash): %.2f s, of which the check alone: %.2f s\n' "$best_ours" "$best_check"
printf 'peers (zip -6, unzip -tq, trash): %.2f s\n' "$best_peer"
printf 'ratio ours/peers: %.2f\n' "$(echo "$best_ours / $best_peer" | bc -l)"
