#!/usr/bin/env bash
# Times reading every row of a SQLite table through platform/data (sql-tool,
# over the SQLite ODBC driver) against the sqlite3 tool printing the same rows.
#   bench/data_fetch.sh [rows]        (default 200000; needs build/bin/sql-tool)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rows=${1:-200000}
tool="$root/build/bin/sql-tool"
[[ -x "$tool" ]] || { echo "build first: $tool is missing" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
db="$tmp/bench.db"
sqlite3 "$db" "CREATE TABLE t(id INTEGER, price REAL, name TEXT, note TEXT);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
INSERT INTO t SELECT i, i * 1.25, 'Cliente número ' || i, CASE WHEN i % 7 = 0 THEN NULL ELSE 'obs ' || (i % 100) END FROM n;"

best() { # command... : best wall time of three runs, in seconds
  local best=""
  for _ in 1 2 3; do
    local s e
    s=$(date +%s.%N); "$@" > /dev/null; e=$(date +%s.%N)
    local t; t=$(echo "$e - $s" | bc -l)
    if [[ -z "$best" ]] || (( $(echo "$t < $best" | bc -l) )); then best=$t; fi
  done
  echo "$best"
}

ours=$(best "$tool" --connect "DRIVER=SQLite3;Database=$db" --query "SELECT * FROM t")
peer=$(best sqlite3 -separator $'\t' "$db" "SELECT * FROM t")
printf 'rows: %d\nsql-tool (ODBC, buffered): %.3f s\nsqlite3: %.3f s\nratio ours/peer: %.2f\n' \
  "$rows" "$ours" "$peer" "$(echo "$ours / $peer" | bc -l)"
