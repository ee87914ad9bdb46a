#!/bin/sh
# Renders the icons drawn for this project (share/tools/icons/*.svg) into the
# PNG files the Settings stand-in and the pane bundle look up: 29-point icons
# at 1x, 2x and 3x; and the app list library's generic app icon, 60 points at
# 3x. Needs ImageMagick. Run from anywhere; rewrites the PNGs.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
share=$(dirname "$here")

render() {  # svg, output folder, output name
  for scale in 1 2 3; do
    size=$((29 * scale))
    suffix=$([ "$scale" = 1 ] && echo "" || echo "@${scale}x")
    # Drawn large, then scaled down, for smooth edges; no dates, so a rerun
    # gives the same bytes.
    convert -background none -density 576 "$here/icons/$1.svg" -resize "${size}x${size}" \
      -depth 8 -strip -define png:exclude-chunks=date,time "$2/$3$suffix.png"
  done
}

mkdir -p "$share/Settings.app" "$share/Chimewell.bundle"
for icon in global report twitter; do
  render "$icon" "$share/Settings.app" "$icon"
done
render bell "$share/Chimewell.bundle" icon
mkdir -p "$share/SparkAppList"
convert -background none -density 576 "$here/icons/app.svg" -resize 180x180 \
  -depth 8 -strip -define png:exclude-chunks=date,time "$share/SparkAppList/GenericAppIcon@3x.png"
