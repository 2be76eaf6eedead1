#!/usr/bin/env bash
# Renders the window icon's PNG sizes from halvoran.svg (needs ImageMagick with
# an SVG delegate). The PNGs are committed, so the build does not need this.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128; do
  convert -background none -density 300 halvoran.svg -resize ${size}x${size} -strip "halvoran-${size}.png"
done
