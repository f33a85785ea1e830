# Sourced by the remittance benchmarks; needs $runs and $work.
# measure OUTPUT COMMAND...: prints "seconds KiB" of the fastest of the runs.
measure() {
  local out=$1; shift
  local best="" best_mem=0
  for ((r = 0; r < runs; r++)); do
    rm -f "$out"
    /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >"$work/stdout.txt"
    read -r t m <"$work/time.txt"
    if [[ -z $best ]] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t best_mem=$m; fi
  done
  echo "$best $best_mem"
}
