#!/usr/bin/env bash
# Draws the backup window's 450 x 300 background picture from primitives
# (a pale blue gradient, a darker band at the foot and a few arcs) and writes
# it as a GIF with a 32-colour palette. Usage: make-background.sh OUT.gif
set -euo pipefail
out=${1:?usage: make-background.sh OUT.gif}
convert -size 450x300 'gradient:#ffffff-#cfe3f1' \
  -fill none -stroke '#9cc3de' -strokewidth 3 \
  -draw 'ellipse 450,320 200,200 180,270' \
  -draw 'ellipse 450,320 150,150 180,270' \
  -stroke '#bcd7ea' -strokewidth 2 \
  -draw 'ellipse 450,320 250,250 180,270' \
  -stroke none -fill '#006b9f' -draw 'rectangle 0,276 450,300' \
  -fill '#3f93bd' -draw 'rectangle 0,270 450,275' \
  -fill '#e8f1f8' -draw 'circle 400,60 400,72' \
  -fill '#cfe3f1' -draw 'circle 370,80 370,88' \
  +dither -colors 32 -define gif:optimize=false "gif:$out"
