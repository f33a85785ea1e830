#!/usr/bin/env bash
# Runs the backup program inside an X session (started by xvfb-run) and acts
# as the person in front of it. Writes what it saw into OUTDIR.
#   xvfb_session.sh failing PROG OUTDIR  dismisses the "Erro" and "Tamblero"
#       boxes with Return, screenshots the screen once the window is up
#       (screen.png, window.txt from xwininfo, props.txt from xprop), then
#       closes the window with Alt+F4.
#   xvfb_session.sh success PROG OUTDIR  records every window mapped on the
#       screen while the program runs (maps.txt).
# The program's exit status goes to OUTDIR/status, its stderr to OUTDIR/stderr.
set -u
mode=$1 prog=$2 out=$3

wait_gone() { # window id
  for _ in $(seq 100); do xwininfo -id "$1" 2>/dev/null | grep -q IsViewable || return 0; sleep 0.1; done
}

case $mode in
failing)
  "$prog" 2>"$out/stderr" &
  pid=$!
  for title in Erro Tamblero; do
    wid=$(xdotool search --sync --onlyvisible --limit 1 --name "^${title}\$")
    echo "$title $wid" >>"$out/boxes.txt"
    sleep 0.3
    xdotool key Return
    wait_gone "$wid"
  done
  wid=$(xdotool search --sync --onlyvisible --limit 1 --name '^Atualização$')
  sleep 1
  xwininfo -id "$wid" >"$out/window.txt"
  xprop -id "$wid" >"$out/props.txt"
  import -window root "$out/screen.png"
  xdotool key alt+F4
  wait "$pid"
  echo $? >"$out/status"
  ;;
success)
  xev -root -event substructure >"$out/xev.txt" &
  xev_pid=$!
  sleep 0.5
  "$prog" 2>"$out/stderr"
  echo $? >"$out/status"
  sleep 0.5
  kill "$xev_pid"
  grep -E '^(MapNotify|CreateNotify)' -A2 "$out/xev.txt" >"$out/maps.txt" || true
  ;;
esac
