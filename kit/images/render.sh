#!/usr/bin/env bash
# Renders the committed PNG files from their SVG sources (needs rsvg-convert, Debian
# librsvg2-bin). Run after changing an SVG, and commit both.
set -euo pipefail
cd "$(dirname "$0")"
rsvg-convert -w 155 -h 226 dravel.svg -o dravel.png
for size in 16 32 48 256; do
  rsvg-convert -w "$size" -h "$size" vorsel.svg -o "vorsel-$size.png"
done
