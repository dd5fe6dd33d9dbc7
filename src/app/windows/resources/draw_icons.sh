#!/usr/bin/env bash
# Draws the program's icons with ImageMagick. The .ico files are kept in the repository; run
# this again only to change them.
#   application.ico  a database drum with a green arrow going round it (16, 32 and 48 pixels)
#   browse.ico       an open folder, the glyph of the file-name field's browse button (16 pixels)
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Drawn once at 192 pixels, then scaled down, so every size has the same shape.
convert -size 192x192 xc:none \
  -fill '#1f5fa8' -stroke '#0d3263' -strokewidth 6 \
  -draw 'rectangle 40,52 152,148' \
  -draw 'ellipse 96,148 56,20 0,180' \
  -fill '#4f8fd8' -draw 'ellipse 96,52 56,20 0,360' \
  -stroke '#0d3263' -strokewidth 4 -fill none \
  -draw 'arc 40,72 152,112 0,180' -draw 'arc 40,100 152,140 0,180' \
  -stroke '#1e9e2e' -strokewidth 16 -fill none -draw 'arc 8,20 184,184 200,330' \
  -stroke none -fill '#1e9e2e' -draw 'polygon 176,74 188,132 140,112' \
  "$tmp/big.png"
for size in 16 32 48; do
  convert "$tmp/big.png" -resize ${size}x${size} "$tmp/app$size.png"
done
convert "$tmp/app16.png" "$tmp/app32.png" "$tmp/app48.png" application.ico

convert -size 16x16 xc:none \
  -fill '#e8b830' -stroke '#8a6408' -strokewidth 1 \
  -draw 'polygon 1,3 6,3 7,5 13,5 13,13 1,13' \
  -fill '#f8d868' -draw 'polygon 3,7 15,7 13,13 1,13' \
  browse.ico
