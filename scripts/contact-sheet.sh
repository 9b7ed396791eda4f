#!/usr/bin/env bash
# Renders the README's contact sheet: all 127 styles at progress 50, dusk giving way to noon,
# from the project's own sample pictures.
#   contact-sheet.sh [OUT]     (default docs/contact-sheet.jpg)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/contact-sheet.jpg}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
bash samples/make-samples.sh "$tmp"
convert "$tmp/03-dusk.jpg" -resize 320x240 "$tmp/old.png"
convert "$tmp/02-noon.jpg" -resize 320x240 "$tmp/new.png"
build/linux/tools/render/render sheet --old "$tmp/old.png" --new "$tmp/new.png" --progress 50 \
  --columns 8 --thumb-width 160 --out "$tmp/sheet.png"
convert "$tmp/sheet.png" -quality 82 "$out"
