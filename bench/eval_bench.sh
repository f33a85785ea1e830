#!/usr/bin/env bash
# Times `report-tool eval --aggregate` over a generated SQLite table against
# its peers, in the same run: the tool reads every row through platform/data
# (the SQLite ODBC driver), evaluates the compiled expression once a record
# and prints the total. First against python3's sqlite3 module summing the
# same column of the same query row by row (the goal: ratio <= 1.0), then
# against sqlite3 running the SQL aggregate for each aggregate. Checks that
# every total agrees with sqlite3's and prints wall time, peak memory and our
# ratio (bench/lib.sh: interleaved rounds, best of --runs, ours / peer). Run
# by hand; not part of ctest.
#
#   bench/eval_bench.sh [--rows N] [--runs N] [--work DIR] [--build DIR]
#
# --rows   rows of the table (default 1000000)
# --runs   runs per program; the fastest counts (default 3)
# --work   folder for the database (default a temporary one)
# --build  build folder holding bin/report-tool (default build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rows=1000000 runs=3 work="" build=$root/build
while (( $# )); do
  case $1 in
    --rows) rows=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
tool=$build/bin/report-tool
source "$root/bench/lib.sh"
bench_need "$tool" sqlite3
bench_work evalbench

db=$work/orders.db
rm -f "$db"
sqlite3 "$db" "CREATE TABLE orders(id INTEGER, amount REAL, qty INTEGER, name TEXT);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
INSERT INTO orders SELECT i, (i * 3719 % 100000) / 100.0, i * 7919 % 5000, 'Cliente ' || i FROM n;"

# the numbers two totals print, the same when they agree to 12 digits
same() { awk -v a="$1" -v b="$2" 'BEGIN { d = a - b; if (d < 0) d = -d; m = (a < 0 ? -a : a); exit !(d <= m * 1e-12 + 1e-9) }'; }

query="SELECT amount, qty FROM orders"
total=$(sqlite3 "$db" "SELECT SUM(amount) FROM orders")
cat >"$work/rowloop.py" <<'PY'
import sqlite3, sys
total = 0.0
for amount, qty in sqlite3.connect(sys.argv[1]).execute(sys.argv[2]):
    if amount is not None:
        total += amount
print(repr(total))
PY
row() { printf "%-16s %10s %10s %10s %10s %7s %s\n" "$@"; }
for ((r = 0; r < runs; r++)); do
  bench_run tool "$tool" eval --db "$db" --sql "$query" --aggregate "SUM(amount)"
  bench_run python /usr/bin/python3 "$work/rowloop.py" "$db" "$query"
done
ours=$(cut -d' ' -f2 "$work/tool.out") theirs=$(cat "$work/python.out")
ok=no; same "$ours" "$total" && same "$theirs" "$total" && ok=yes
row expression tool_s python_s tool_KiB python_KiB ratio same
row "SUM(amount)" "${best[tool]}" "${best[python]}" "${peak[tool]}" "${peak[python]}" "$(bench_ratio tool python)" "$ok"
echo "(goal: ratio <= 1.0; ratios are ours / peer)"
echo

row expression tool_s sqlite_s tool_KiB sqlite_KiB ratio same
for pair in "SUM(amount):SUM(amount)" "COUNT:COUNT(*)" "AVERAGE(amount):AVG(amount)" "MAX(qty):MAX(qty)"; do
  expr=${pair%%:*} sql=${pair#*:}
  bench_reset
  for ((r = 0; r < runs; r++)); do
    bench_run tool "$tool" eval --db "$db" --sql "$query" --aggregate "$expr"
    bench_run sqlite sqlite3 "$db" "SELECT $sql FROM orders"
  done
  ours=$(cut -d' ' -f2 "$work/tool.out") peer=$(cat "$work/sqlite.out")
  ok=no; same "$ours" "$peer" && ok=yes
  row "$expr" "${best[tool]}" "${best[sqlite]}" "${peak[tool]}" "${peak[sqlite]}" "$(bench_ratio tool sqlite)" "$ok"
done
