#!/usr/bin/env bash
# Renders resources/pelmora.svg to the PNG sizes that the windows and the desktop use.
# Needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../resources"
for size in 16 32 48 256; do
    rsvg-convert -w "$size" -h "$size" pelmora.svg -o "icon-$size.png"
done
