#!/usr/bin/env bash
# Draws the demo line's machine symbols (simple pictograms, dark grey on the tiles' grey) into
# demo/MachineSymbols. The GIFs are committed; run this again only to change them.
set -euo pipefail
cd "$(dirname "$0")/../demo/MachineSymbols"
bg='#d6d6d6'; fg='#3a3a3a'; accent='#6a6a6a'
draw() { convert -size 96x96 "xc:$bg" -fill none -stroke "$fg" -strokewidth 4 "$@" "MachineSymbol_${n}_800.gif"; }
n=1 draw -draw "rectangle 36,30 60,84" -draw "rectangle 42,12 54,30" -draw "line 24,84 72,84" -fill "$accent" -stroke none -draw "rectangle 38,56 58,82"
n=2 draw -draw "rectangle 34,44 62,84" -fill "$accent" -draw "rectangle 30,30 66,44" -fill none -draw "line 48,10 48,30"
n=3 draw -draw "rectangle 34,16 62,84" -fill "$accent" -stroke none -draw "rectangle 36,40 60,62" -fill none -stroke "$fg" -draw "circle 80,40 90,40"
n=4 draw -draw "rectangle 16,36 80,84" -draw "line 16,36 30,20" -draw "line 80,36 66,20" -draw "line 30,20 66,20" -draw "line 48,36 48,84"
n=5 draw -draw "rectangle 14,60 82,84" -draw "rectangle 20,38 48,60" -draw "rectangle 48,38 76,60" -draw "rectangle 34,16 62,38"
n=6 draw -draw "roundrectangle 8,40 88,64 12,12" -draw "circle 22,52 28,52" -draw "circle 48,52 54,52" -draw "circle 74,52 80,52"
n=7 draw -draw "ellipse 48,48 38,22 0,360" -fill "$accent" -draw "circle 48,48 58,48"
n=8 draw -draw "rectangle 28,24 68,84" -draw "line 20,40 76,32" -draw "line 20,56 76,48" -draw "line 20,72 76,64"
