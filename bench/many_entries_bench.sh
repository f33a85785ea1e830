#!/usr/bin/env bash
# Times report-tool on inputs with many entries, to see that the cost grows
# about linearly: `eval` with N report variables (--env) and `bands run` of
# a layout with N bands, for N and 4N. Prints seconds and peak memory of
# each and the growth factor (4 is linear, 16 quadratic). Run by hand; not
# part of ctest.
#
#   bench/many_entries_bench.sh [--n N] [--build DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
n=5000 build=$root/build
while (( $# )); do
  case $1 in
    --n) n=$2; shift 2 ;;
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
tool=$build/bin/report-tool
[[ -x $tool ]] || { echo "build first: $tool is missing" >&2; exit 1; }
work=$(mktemp -d /tmp/manybenchXXXXXX)
trap 'rm -rf "$work"' EXIT

# seconds and KiB of one run
timed() { /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null; cat "$work/time.txt"; }

printf '%-28s %8s %10s\n' case seconds peak-KiB
declare -A secs
for count in "$n" "$((4 * n))"; do
  python3 - "$count" "$work" <<'PY'
import json, sys
n, work = int(sys.argv[1]), sys.argv[2]
with open(f"{work}/env.args", "w") as f:
    f.write("\n".join(f"--env\nV{i}={i} + 1" for i in range(n)))
bands = [{"class": "TBRBand", "name": f"B{i}"} for i in range(n)]
with open(f"{work}/layout.json", "w") as f:
    json.dump({"class": "TBandReport", "name": "Report1", "children": bands}, f)
PY
  mapfile -t args <"$work/env.args"
  read -r s kib < <(timed "$tool" eval "${args[@]}" "V$((count - 1)) + V0")
  secs[eval$count]=$s
  printf '%-28s %8s %10s\n' "eval, $count variables" "$s" "$kib"
  read -r s kib < <(timed env QT_QPA_PLATFORM=offscreen "$tool" bands run "$work/layout.json" "$work/out.brp" 1)
  secs[bands$count]=$s
  printf '%-28s %8s %10s\n' "bands run, $count bands" "$s" "$kib"
done
awk -v a="${secs[eval$n]}" -v b="${secs[eval$((4 * n))]}" -v c="${secs[bands$n]}" -v d="${secs[bands$((4 * n))]}" 'BEGIN {
  printf "growth for 4x the entries: eval %.1f, bands run %.1f (4 is linear, 16 quadratic)\n", (a > 0 ? b / a : 0), (c > 0 ? d / c : 0)
}'
