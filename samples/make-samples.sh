#!/usr/bin/env bash
# Paints the demo's sample pictures: six 1024x768 landscapes drawn here with ImageMagick, so
# no third-party photograph is ever committed. Deterministic: the same files on every machine.
#   make-samples.sh OUT_DIR
set -euo pipefail
out=${1:?usage: make-samples.sh OUT_DIR}
mkdir -p "$out"
W=1024 H=768

scene() { # name sky-top sky-bottom sun-colour sun-x sun-y hill1 hill2 seed
  local name=$1 top=$2 bottom=$3 sun=$4 sx=$5 sy=$6 h1=$7 h2=$8 seed=$9
  convert -size ${W}x${H} gradient:"$top"-"$bottom" \
    \( -size ${W}x${H} -seed "$seed" plasma:gray50-gray50 -colorspace Gray -blur 0x12 -auto-level -level 50%,100% -evaluate multiply 0.55 \) \
    -compose screen -composite \
    -fill "$sun" -draw "circle $sx,$sy $((sx + 46)),$sy" \
    -fill "$h1" -draw "polygon 0,$((H * 62 / 100)) 180,$((H * 48 / 100)) 390,$((H * 58 / 100)) 610,$((H * 44 / 100)) 820,$((H * 57 / 100)) $W,$((H * 50 / 100)) $W,$H 0,$H" \
    -fill "$h2" -draw "polygon 0,$((H * 80 / 100)) 260,$((H * 68 / 100)) 520,$((H * 78 / 100)) 760,$((H * 66 / 100)) $W,$((H * 76 / 100)) $W,$H 0,$H" \
    -attenuate 0.35 +noise Gaussian -quality 88 -sampling-factor 2x2 "$out/$name.jpg"
}

scene 01-dawn     '#1d2b64' '#f8cdda' '#fff4c2' 300 420 '#3b3f5c' '#1f2236' 11
scene 02-noon     '#2f80ed' '#b6e0fe' '#fffbe6' 760 150 '#4f8a3a' '#2e5d25' 12
scene 03-dusk     '#41295a' '#ff8c42' '#ffd166' 520 380 '#5a3d55' '#2b1d2c' 13
scene 04-mist     '#8e9eab' '#eef2f3' '#ffffff' 180 200 '#7b8a8b' '#5d6d6e' 14
scene 05-desert   '#f7971e' '#ffd200' '#fff7e0' 850 260 '#c1762a' '#8a4f1c' 15
scene 06-night    '#000428' '#004e92' '#e8e8ff' 640 120 '#10233f' '#060f1e' 16
# A progressive and a grayscale picture, so the demo carries every kind the reader handles.
convert "$out/02-noon.jpg" -interlace JPEG -quality 85 "$out/07-noon-progressive.jpg"
convert "$out/04-mist.jpg" -colorspace Gray -quality 85 "$out/08-mist-gray.jpg"
