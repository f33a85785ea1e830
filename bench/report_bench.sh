#!/usr/bin/env bash
# Times a 1,000-page list report made by `report-tool run` against the same
# report drawn with reportlab's canvas (python3-reportlab), in the same run.
# bench/report_bench.py makes the SQLite table, the layout (page header with
# the page number, a title, 50 detail rows of 5 columns a page, page footer)
# and the reportlab peer. Checks that both PDFs have the same page count
# (pdfinfo) and the same texts in the same order (pdftotext -layout), and
# that ours passes qpdf --check. Then times, best of the runs interleaved:
# the run into a PDF, reportlab, and the run into a page stream (--brp);
# prints wall time, peak memory and our ratios (goals: PDF <= 0.2, page
# stream <= 0.1). Then, once each, the same report at larger sizes (10,000
# and 50,000 pages) into a PDF, into a page stream and with reportlab, with
# the peak memory of each beside reportlab's (goal: ours <= 40 MB at every
# size: the rows pass through the run, they are not held). Run by hand; not
# part of ctest.
#
#   bench/report_bench.sh [--rows N] [--runs N] [--sizes "PAGES..."] [--work DIR] [--build DIR]
#
# --rows   rows of the table, 50 a page (default 50000: 1,000 pages)
# --sizes  pages of the memory runs (default "10000 50000"; "" skips them)
# --runs   rounds; the fastest of each program counts (default 3)
# --work   folder for the files (default a temporary one)
# --build  build folder holding bin/report-tool (default build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rows=50000 runs=3 work="" build=$root/build sizes="10000 50000"
while (( $# )); do
  case $1 in
    --rows) rows=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --sizes) sizes=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
tool=$build/bin/report-tool
gen=$root/bench/report_bench.py
py=/usr/bin/python3
[[ -x $tool ]] || { echo "build first: $tool is missing" >&2; exit 1; }
for t in pdfinfo pdftotext qpdf; do
  command -v $t >/dev/null || { echo "$t is missing (scripts/setup installs it)" >&2; exit 1; }
done
$py -c 'import reportlab' 2>/dev/null || { echo "python3-reportlab is missing (scripts/setup installs it)" >&2; exit 1; }
if [[ -z $work ]]; then
  work=$(mktemp -d /tmp/reportbenchXXXXXX)
  trap 'rm -rf "$work"' EXIT
fi
export LC_ALL=C

db=$work/orders.db layout=$work/list.json
ours=$work/ours.pdf peer=$work/reportlab.pdf brp=$work/ours.brp
rm -f "$db"
$py "$gen" db "$db" "$rows"
$py "$gen" layout "$layout"

# timed NAME COMMAND...: runs once, records "seconds KiB" in $work/NAME.time
timed() {
  local name=$1; shift
  /usr/bin/time -f "%e %M" -o "$work/$name.time" "$@" >"$work/$name.out"
}
# best NAME SECONDS KIB: keeps the fastest run's figures in best_NAME
declare -A best_t best_m
keep() {
  local name=$1 t m
  read -r t m <"$work/$name.time"
  if [[ -z ${best_t[$name]:-} ]] || awk -v a="$t" -v b="${best_t[$name]}" 'BEGIN { exit !(a < b) }'; then
    best_t[$name]=$t best_m[$name]=$m
  fi
}

for ((r = 0; r < runs; r++)); do
  rm -f "$ours" "$peer" "$brp"
  timed pdf "$tool" run "$layout" --db "$db" --pdf "$ours"; keep pdf
  timed reportlab $py "$gen" reportlab "$db" "$peer"; keep reportlab
  timed brp "$tool" run "$layout" --db "$db" --brp "$brp"; keep brp
done

pages_of() { pdfinfo "$1" | awk '/^Pages:/ { print $2 }'; }
p_ours=$(pages_of "$ours") p_peer=$(pages_of "$peer")
echo "pages: ours $p_ours ($(cut -f2 "$work/pdf.out") reported, page stream $(cut -f2 "$work/brp.out")), reportlab $p_peer"
status=0
[[ $p_ours == "$p_peer" ]] || { echo "page counts differ"; status=1; }
pdftotext -layout "$ours" "$work/ours.txt"
pdftotext -layout "$peer" "$work/reportlab.txt"
$py "$gen" compare "$work/ours.txt" "$work/reportlab.txt" || status=1
if qpdf --check "$ours" >"$work/qpdf.txt" 2>&1; then
  echo "qpdf --check: $(grep -m1 -o "No syntax or stream encoding errors found" "$work/qpdf.txt" || tail -1 "$work/qpdf.txt")"
else
  echo "qpdf --check fails:"; tail -5 "$work/qpdf.txt"; status=1
fi
echo "sizes: ours.pdf $(stat -c %s "$ours") B, reportlab.pdf $(stat -c %s "$peer") B, ours.brp $(stat -c %s "$brp") B"
echo

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
printf "%-22s %9s %10s %7s %s\n" run seconds peak_KiB ratio goal
printf "%-22s %9s %10s %7s %s\n" "reportlab canvas" "${best_t[reportlab]}" "${best_m[reportlab]}" 1.00 ""
printf "%-22s %9s %10s %7s %s\n" "report-tool --pdf" "${best_t[pdf]}" "${best_m[pdf]}" \
  "$(ratio "${best_t[pdf]}" "${best_t[reportlab]}")" "<= 0.20"
printf "%-22s %9s %10s %7s %s\n" "report-tool --brp" "${best_t[brp]}" "${best_m[brp]}" \
  "$(ratio "${best_t[brp]}" "${best_t[reportlab]}")" "<= 0.10"

# Peak memory as the data grow: one run of each at every size.
if [[ -n $sizes ]]; then
  echo
  printf "%-8s %-20s %9s %10s %s\n" pages run seconds peak_KiB goal
  for pages in $sizes; do
    big=$work/orders_$pages.db
    rm -f "$big"
    $py "$gen" db "$big" $((pages * 50))
    timed pdf_big "$tool" run "$layout" --db "$big" --pdf "$ours"
    timed brp_big "$tool" run "$layout" --db "$big" --brp "$brp"
    timed reportlab_big $py "$gen" reportlab "$big" "$peer"
    [[ $(pages_of "$ours") == "$pages" ]] || { echo "ours: $(pages_of "$ours") pages, not $pages"; status=1; }
    for run in reportlab_big pdf_big brp_big; do
      read -r t m <"$work/$run.time"
      case $run in
        reportlab_big) label="reportlab canvas" goal="" ;;
        pdf_big) label="report-tool --pdf" goal="<= 40960" ;;
        brp_big) label="report-tool --brp" goal="<= 40960" ;;
      esac
      printf "%-8s %-20s %9s %10s %s\n" "$pages" "$label" "$t" "$m" "$goal"
      if [[ -n $goal ]] && (( m > 40960 )); then status=1; fi
    done
    rm -f "$big" "$ours" "$peer" "$brp"
  done
fi
exit $status
