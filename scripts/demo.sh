#!/usr/bin/env bash
# The main job: paints the sample pictures, builds the demo saver from them with the package
# tool, and shows what the saver's readers find in it.
#   demo.sh [OUT_DIR]     (default build/demo)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/demo}
bash scripts/build-all.sh linux win64 >/dev/null
mkdir -p "$out"
bash samples/make-samples.sh "$out/pictures"
build/linux/tools/scrpack/scrpack build \
  --stub build/win64/src/app/photosaver.scr --output "$out/demo.scr" \
  --title "Painted Landscapes" --author "The photosaver project" \
  --email "mailto:nobody@example.invalid" --web "https://example.invalid/" \
  --description "Eight landscapes painted by the project's own script" \
  --text "Painted Landscapes" --font-name Arial --font-size 14 --font-color clWhite \
  --font-style bold --interval 4000 --random-style \
  "$out"/pictures/*.jpg
echo
build/linux/tools/scrpack/scrpack info "$out/demo.scr"
