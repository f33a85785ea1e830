#!/usr/bin/env bash
# Runs `report-tool preview FILE` inside an X session (started by xvfb-run),
# waits for the preview window, records it (window.txt from xwininfo, a
# screenshot of the window in shot.png) and closes it with Escape.
#   xvfb_preview.sh REPORT-TOOL FILE OUTDIR
# The tool's exit status goes to OUTDIR/status, its stderr to OUTDIR/stderr.
set -u
tool=$1 file=$2 out=$3
"$tool" preview "$file" 2>"$out/stderr" &
pid=$!
wid=$(timeout 60 xdotool search --sync --onlyvisible --limit 1 --name '^Print Preview$')
sleep 1.5
xwininfo -id "$wid" >"$out/window.txt"
import -window "$wid" "$out/shot.png"
xdotool windowfocus --sync "$wid"
sleep 0.3
xdotool key Escape
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill "$pid" 2>/dev/null
wait "$pid"
echo $? >"$out/status"
