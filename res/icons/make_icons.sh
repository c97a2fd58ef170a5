#!/bin/sh
# Draws the module's icons with ImageMagick and writes them as .ico files
# (16 x 16 and 32 x 32 images each) beside this script. The .ico files are
# kept in the tree: building the module does not run this script.
#
#   sh res/icons/make_icons.sh
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# canvas SIZE OUT DRAW...: a transparent square with the drawing on it.
canvas() {
    size=$1; out=$2; shift 2
    convert -size "${size}x${size}" xc:none +antialias "$@" "$work/$out.png"
}

box16="-fill white -stroke '#404040' -strokewidth 1 -draw 'rectangle 2,2 13,13'"
box32="-fill white -stroke '#404040' -strokewidth 2 -draw 'rectangle 4,4 27,27'"

# 110: an empty check box (a temporary version).
eval canvas 16 unchecked16 $box16
eval canvas 32 unchecked32 $box32
# 111: a ticked check box (a permanent version).
eval canvas 16 checked16 $box16 \
    -fill none -stroke black -strokewidth 2 -draw "'polyline 4,7 6,10 11,4'"
eval canvas 32 checked32 $box32 \
    -fill none -stroke black -strokewidth 3 -draw "'line 9,15 13,21'" -draw "'line 13,21 22,9'"

# The product's emblem: three stacked pages, the front one with lines of text.
pages16="-stroke '#1f3a5f' -strokewidth 1 \
    -fill '#9cc3e6' -draw 'rectangle 5,0 14,10' \
    -fill '#b9e0a5' -draw 'rectangle 3,2 12,12' \
    -fill white   -draw 'rectangle 1,4 10,15' \
    -stroke '#5a6f86' -draw 'line 3,7 8,7' -draw 'line 3,9 8,9' -draw 'line 3,11 7,11'"
pages32="-stroke '#1f3a5f' -strokewidth 1 \
    -fill '#9cc3e6' -draw 'rectangle 11,1 28,21' \
    -fill '#b9e0a5' -draw 'rectangle 7,5 24,25' \
    -fill white   -draw 'rectangle 3,9 20,30' \
    -stroke '#5a6f86' -draw 'line 6,14 17,14' -draw 'line 6,17 17,17' \
    -draw 'line 6,20 17,20' -draw 'line 6,23 17,23' -draw 'line 6,26 13,26'"

# 115: the emblem alone (About box).
eval canvas 16 fennory16 $pages16
eval canvas 32 fennory32 $pages32
# 113: the emblem with a magnifying glass (viewer window).
eval canvas 16 viewer16 $pages16 \
    -stroke "'#202020'" -strokewidth 2 -draw "'line 12,12 15,15'" \
    -fill "'#e8f4ff'" -strokewidth 1 -draw "'circle 10,10 10,7'"
eval canvas 32 viewer32 $pages32 \
    -stroke "'#202020'" -strokewidth 3 -draw "'line 24,24 30,30'" \
    -fill "'#e8f4ff'" -strokewidth 2 -draw "'circle 20,20 20,14'"
# 125: the emblem with a clock (version history).
eval canvas 16 history16 $pages16 \
    -fill "'#fff4c0'" -stroke "'#202020'" -strokewidth 1 -draw "'circle 11,11 11,7'" \
    -draw "'line 11,11 11,8'" -draw "'line 11,11 13,11'"
eval canvas 32 history32 $pages32 \
    -fill "'#fff4c0'" -stroke "'#202020'" -strokewidth 2 -draw "'circle 22,22 22,14'" \
    -strokewidth 2 -draw "'line 22,22 22,16'" -draw "'line 22,22 26,22'"

for name in unchecked checked fennory viewer history; do
    convert "$work/${name}16.png" "$work/${name}32.png" "$name.ico"
done
