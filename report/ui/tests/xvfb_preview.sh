#!/usr/bin/env bash
# Runs a command that opens the preview (`report-tool preview FILE`,
# `report-tool run LAYOUT --preview`) inside an X session (started by
# xvfb-run), waits for the preview window, records it (window.txt from
# xwininfo, a screenshot of the window in shot.png) and closes it with Escape.
#   xvfb_preview.sh OUTDIR COMMAND [ARG...]
# The command's exit status goes to OUTDIR/status, its stdout to
# OUTDIR/stdout and its stderr to OUTDIR/stderr.
set -u
out=$1
shift
"$@" >"$out/stdout" 2>"$out/stderr" &
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
