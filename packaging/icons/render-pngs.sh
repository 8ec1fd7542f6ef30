#!/usr/bin/env bash
# Renders the icon's PNG sizes from tamrel.svg. Run after changing the SVG and
# commit the PNGs with it; the build installs them as they are.
set -euo pipefail
cd "$(dirname "$0")"
../../scripts/bootstrap.sh librsvg2-bin
for size in 48 128 256; do
    mkdir -p "$size"
    rsvg-convert --width "$size" --height "$size" tamrel.svg --output "$size/tamrel.png"
done
