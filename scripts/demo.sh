#!/usr/bin/env bash
# The main job: paints the sample pictures, builds the demo saver from them with the package
# tool, shows what the saver's readers find in it, and runs it full screen: on your display when
# there is one (move the mouse or press a key to end it), else on a virtual display that ends by
# itself. Screenshots of the first slides go to OUT_DIR/slide-N.png either way.
#   demo.sh [OUT_DIR]     (default build/demo)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/demo}
bash scripts/build-all.sh linux win64 >/dev/null
mkdir -p "$out"
out=$(realpath "$out")
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

# --- Running it ---------------------------------------------------------------------------------
WINE=/usr/lib/wine/wine64
export WINEPREFIX=$out/wineprefix WINEDEBUG=-all WINEARCH=win64
started=()
cleanup() {
  "/usr/lib/wine/wineserver" -k >/dev/null 2>&1 || true
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

virtual=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  virtual=1
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" >"$out/xvfb.log" 2>&1 &
  started+=($!)
  for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
  export DISPLAY=:$(head -n1 "$out/display")
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Making a Wine prefix for the demo (once, about 20 s)..."
  WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE" wineboot -u >"$out/wineboot.log" 2>&1 || true
  /usr/lib/wine/wineserver -w || true
fi

echo
if [ $virtual -eq 1 ]; then
  echo "Running the demo saver on a virtual display ($DISPLAY); it ends by itself."
else
  echo "Running the demo saver on $DISPLAY: move the mouse or press a key to end it."
fi
"$WINE" "$out/demo.scr" /s >"$out/saver.log" 2>&1 &
saver=$!
# A slide is on screen a second after it begins (its transition), then for four seconds: wait
# for the first one to begin (the screen stops being black), then catch each one whole.
rm -f "$out"/slide-*.png
for _ in $(seq 150); do
  import -window root "$out/screen.png" 2>/dev/null &&
    [ "$(convert "$out/screen.png" -format '%[fx:int(255*maxima)]' info: 2>/dev/null)" -gt 0 ] && break
  kill -0 "$saver" 2>/dev/null || break
  sleep 0.2
done
rm -f "$out/screen.png"
# Slide n begins about 5.1 s after slide n - 1 (4 s of interval after a transition of about a
# second); each shot is taken two seconds into its slide, by the clock, whatever a shot costs.
first=$(date +%s%N)
for n in 1 2 3; do
  kill -0 "$saver" 2>/dev/null || break
  due=$((first + (2000 + (n - 1) * 5100) * 1000000))
  now=$(date +%s%N)
  [ "$due" -le "$now" ] || sleep "$(printf '%d.%03d' $(((due - now) / 1000000000)) $((((due - now) / 1000000) % 1000)))"
  import -window root "$out/slide-$n.png" 2>/dev/null && echo "  $out/slide-$n.png"
done
if [ $virtual -eq 1 ]; then
  xdotool key Escape
fi
wait "$saver" || true
echo "The saver ended."
