#!/usr/bin/env bash
# Renders the program icon's PNG sizes from resources/icons/korvane.svg.
# Run after changing the drawing (needs rsvg-convert from librsvg2-bin); the
# PNGs are kept in the repository so that a build needs no SVG renderer.
set -euo pipefail
cd "$(dirname "$0")/../resources/icons"
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" korvane.svg -o "korvane-$size.png"
done
