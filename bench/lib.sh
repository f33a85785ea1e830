# Sourced by the benchmarks: one method for all of them.
#  - Each program runs in rounds that alternate with its peer's (a change of
#    load hits both), the best wall time of N rounds counts, and the peak
#    memory is the largest of its rounds.
#  - Wall time comes from bench/timeit.py (monotonic clock, microseconds) and
#    peak memory from the kernel's accounting of the finished command.
#  - Ratios are always ours / peer: below 1 we are faster.
#
#   bench_work PREFIX        $work: a new temporary folder removed at exit,
#                            unless $work is already set (the --work option)
#   bench_need PROGRAM...    fails with a message when a program is missing
#   bench_reset              forgets every name's figures (a new input)
#   bench_run NAME CMD...    one timed round of CMD, its output in
#                            $work/NAME.out; keeps best[NAME] and peak[NAME]
#   bench_quiet NAME CMD...  the same with the output sent to /dev/null
#   bench_ratio A B          ours/peer of the best times of A and B ("n/a"
#                            when B's time is 0)
#   bench_mib NAME           peak[NAME] in MiB
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
declare -gA best=() peak=()

bench_work() {
  if [[ -z ${work:-} ]]; then
    work=$(mktemp -d "/tmp/${1}XXXXXX")
    trap 'rm -rf "$work"' EXIT
  fi
  mkdir -p "$work"
}

bench_need() {
  local p
  for p in "$@"; do
    if [[ $p == */* ]]; then
      [[ -x $p ]] || { echo "build first: $p is missing" >&2; exit 1; }
    else
      command -v "$p" >/dev/null || { echo "$p is missing (scripts/setup installs it)" >&2; exit 1; }
    fi
  done
}

bench_reset() { best=() peak=(); }

bench_run() { bench_timed "$1" "$work/$1.out" "${@:2}"; }
bench_quiet() { bench_timed "$1" - "${@:2}"; }

bench_timed() { # NAME STDOUT-FILE CMD...
  local name=$1 out=$2; shift 2
  local t m
  read -r t m < <(/usr/bin/python3 "$root/bench/timeit.py" "$out" "$@" || true)
  [[ -n $t ]] || { echo "bench: $name: $1 did not run" >&2; exit 1; }
  if [[ -z ${best[$name]:-} ]] || awk -v a="$t" -v b="${best[$name]}" 'BEGIN { exit !(a < b) }'; then
    best[$name]=$t
  fi
  (( m > ${peak[$name]:-0} )) && peak[$name]=$m
  return 0
}

bench_ratio() {
  awk -v a="${best[$1]}" -v b="${best[$2]}" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "n/a" }'
}

bench_mib() { awk -v k="${peak[$1]}" 'BEGIN { printf "%.1f", k / 1024 }'; }
