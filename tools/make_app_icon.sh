#!/usr/bin/env bash
# Renders the application icon data/vostrel.svg to data/vostrel.png
# (256 x 256), which the program loads at run time; the SVG is installed as
# the scalable icon. Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
command -v rsvg-convert >/dev/null || { echo "rsvg-convert is missing (apt-get install librsvg2-bin)" >&2; exit 1; }
rsvg-convert -w 256 -h 256 "$top/data/vostrel.svg" -o "$top/data/vostrel.png"
