# The full-screen saver (/s): the first slide pixel for pixel, the caption on every other
# slide, the hidden cursor, the mouse and key rules, the password check with the stand-in
# library, the extracted items, and the screen-saver-running flag after every ending.
# Sourced by run-e2e.sh, which provides the helpers and the variables used here.

SCREEN_W=1024 SCREEN_H=768

# start_saver SAVER [ARGS...]: runs the saver in the background (default /s); sets saver_pid.
start_saver() {
  local scr=$1
  shift
  [ $# -gt 0 ] || set -- /s
  "$WINE" "$scr" "$@" >/dev/null 2>&1 &
  saver_pid=$!
}
# saver_alive: whether the saver process still runs.
saver_alive() { kill -0 "$saver_pid" 2>/dev/null; }
# wait_saver_end SECONDS: waits for the saver to end; false when it still runs after that.
wait_saver_end() {
  local i
  for ((i = 0; i < $1 * 10; i++)); do
    if ! saver_alive; then
      wait "$saver_pid" 2>/dev/null
      return 0
    fi
    sleep 0.1
  done
  return 1
}
# end_saver: ends a saver that a test left running.
end_saver() {
  saver_alive && kill "$saver_pid" 2>/dev/null
  wait "$saver_pid" 2>/dev/null
}
# shot NAME: a screenshot as NAME.png and its bytes as NAME.rgb.
shot() {
  import -window root "$WORK/$1.png" 2>/dev/null && convert "$WORK/$1.png" -depth 8 "rgb:$WORK/$1.rgb"
}
# brightest NAME X Y W H: the largest channel value (0..255) in a part of screenshot NAME.
brightest() {
  convert "$WORK/$1.png" -crop "$4x$5+$2+$3" -depth 8 -format '%[fx:int(255*maxima)]' info: 2>/dev/null
}
screensaver_flag() { "$WINE" "$PROBE" --screensaver-running 2>/dev/null | tr -d '\r' | sed -n 's/^screensaver_running=//p'; }
cursor_visible() { DISPLAY=$DISPLAY "$WORK/xcursor" | sed -n 's/^cursor_visible=//p'; }
pointer() { xdotool getmouselocation | sed -E 's/^x:([0-9]+) y:([0-9]+).*/\1 \2/'; }
# wait_first_slide REFERENCE.rgb: waits (at most 20 s) until the screen shows exactly it.
wait_first_slide() {
  local i
  for ((i = 0; i < 60; i++)); do
    shot first
    cmp -s "$WORK/first.rgb" "$1" && return 0
    saver_alive || return 1
    sleep 0.3
  done
  return 1
}

# A package of the test picture without a caption, a reference of its first slide, and a running
# saver showing it.
start_plain_saver() {
  pack --output "$(winpath "$F/plain.scr")" --interval 600000 "$(winpath "$F/photo.jpg")" ||
    { fail "packing the plain saver"; return 1; }
  "$RENDER" slide --picture "$F/photo.jpg" --screen "${SCREEN_W}x${SCREEN_H}" --out "$WORK/plain-ref.png" &&
    convert "$WORK/plain-ref.png" -depth 8 "rgb:$WORK/plain-ref.rgb" || { fail "rendering the reference"; return 1; }
  start_saver "$F/plain.scr"
  wait_first_slide "$WORK/plain-ref.rgb" || { fail "the screen never showed the first slide as rendered"; return 1; }
}

test_saver_shows_the_first_slide_exactly_and_a_key_ends_it() {
  start_plain_saver || { end_saver; return; }
  expect_eq "screen-saver-running flag during the run" "$(screensaver_flag)" 1
  expect_eq "cursor visible over the saver" "$(cursor_visible)" 0
  xdotool key a
  wait_saver_end 5 || fail "a key did not end the run"
  end_saver
  expect_eq "screen-saver-running flag after a key" "$(screensaver_flag)" 0
}

test_saver_mouse_moves() {
  start_plain_saver || { end_saver; return; }
  # Where the pointer was when the window appeared may already be recorded; every move below
  # is measured against that point or the first one made here, one pixel apart.
  read -r px py <<<"$(pointer)"
  xdotool mousemove $((px + 1)) "$py"
  sleep 0.3
  xdotool mousemove $((px + 300)) "$py"
  sleep 0.3
  xdotool mousemove $((px + 1)) "$py"
  sleep 0.3
  saver_alive || { fail "a long horizontal move ended the run"; return; }
  xdotool mousemove $((px + 1)) $((py + 300))
  sleep 0.3
  xdotool mousemove $((px + 1)) "$py"
  sleep 0.5
  saver_alive || { fail "a long vertical move ended the run"; return; }
  xdotool mousemove $((px + 4)) $((py + 3))
  wait_saver_end 5 || fail "a diagonal move of 3 pixels did not end the run"
  end_saver
  expect_eq "screen-saver-running flag after a move" "$(screensaver_flag)" 0
}

test_saver_caption_on_the_first_slide_only() {
  pack --output "$(winpath "$F/caption.scr")" --interval 2500 --text "Painted Landscapes" --font-name Arial \
    --font-size 20 --font-color clWhite "$(winpath "$F/photo.jpg")" || { fail "packing"; return; }
  start_saver "$F/caption.scr"
  # The picture (160 x 120) sits in the middle: the bottom rows hold nothing but the caption.
  local i states="" state last=""
  for ((i = 0; i < 40; i++)); do
    sleep 0.3
    shot caption
    if [ "$(brightest caption 0 $((SCREEN_H - 60)) "$SCREEN_W" 60)" -gt 128 ]; then state=caption; else state=none; fi
    [ "$state" = "$last" ] || states+="$state "
    last=$state
    [[ $states == *"caption none caption"* ]] && break
  done
  xdotool key Escape
  wait_saver_end 5 || fail "Escape did not end the run"
  end_saver
  # Black at first, the caption with the first slide, none with the second, then again.
  [[ $states == *"caption none caption"* ]] || fail "caption states seen: $states"
}

test_saver_password_check_with_the_standin() {
  local cfg=$WORK/password.cfg plog=$WORK/password.log
  export PASSWORD_STANDIN_CFG
  PASSWORD_STANDIN_CFG=$(winpath "$cfg")
  rm -f "$plog"
  printf 'answer=refuse\nlog=%s\n' "$(winpath "$plog")" >"$cfg"
  "$WINE" reg add 'HKCU\Control Panel\Desktop' /v ScreenSaveUsePassword /t REG_DWORD /d 1 /f >>"$WORK/reg.log" 2>&1
  start_plain_saver || { end_saver; unset PASSWORD_STANDIN_CFG; return; }
  xdotool key a
  sleep 2
  saver_alive || fail "a refused password ended the run"
  expect_eq "checks after a refusal" "$(grep -c VerifyScreenSavePwd "$plog" 2>/dev/null)" 1
  grep -q 'visible_cursor=1' "$plog" 2>/dev/null || fail "the cursor was hidden during the check: $(cat "$plog" 2>/dev/null)"
  expect_eq "cursor hidden again after the check" "$(cursor_visible)" 0
  printf 'answer=accept\nlog=%s\n' "$(winpath "$plog")" >"$cfg"
  xdotool key b
  wait_saver_end 5 || fail "an accepted password did not end the run"
  end_saver
  expect_eq "checks after acceptance" "$(grep -c VerifyScreenSavePwd "$plog" 2>/dev/null)" 2
  expect_eq "screen-saver-running flag after the password" "$(screensaver_flag)" 0

  # Stored as text, the flag lets the user out without asking the library.
  rm -f "$plog"
  "$WINE" reg add 'HKCU\Control Panel\Desktop' /v ScreenSaveUsePassword /t REG_SZ /d 1 /f >>"$WORK/reg.log" 2>&1
  start_saver "$F/plain.scr"
  wait_first_slide "$WORK/plain-ref.rgb" || fail "the text-flag run never showed its slide"
  xdotool key a
  wait_saver_end 5 || fail "a key did not end the run with the flag stored as text"
  end_saver
  [ ! -s "$plog" ] || fail "the library was asked with the flag stored as text: $(cat "$plog")"
  "$WINE" reg delete 'HKCU\Control Panel\Desktop' /v ScreenSaveUsePassword /f >>"$WORK/reg.log" 2>&1
  unset PASSWORD_STANDIN_CFG
}

test_saver_extracted_items_live_for_the_run() {
  head -c 4321 /dev/urandom >"$F/tune.wav"
  pack --output "$(winpath "$F/items.scr")" --interval 600000 --sound "$(winpath "$F/tune.wav")" \
    "$(winpath "$F/photo.jpg")" || { fail "packing"; return; }
  start_saver "$F/items.scr"
  local i found=""
  for ((i = 0; i < 50; i++)); do
    sleep 0.2
    found=$(find "$WINEPREFIX/drive_c/users" -name tune.wav 2>/dev/null | head -n1)
    [ -z "$found" ] || break
  done
  [ -n "$found" ] || { fail "tune.wav was never extracted"; end_saver; return; }
  expect_eq "extracted size" "$(stat -c %s "$found")" 4321
  sleep 1
  xdotool key a
  wait_saver_end 5 || fail "a key did not end the run"
  end_saver
  [ ! -e "$found" ] || fail "tune.wav is still in the temporary directory after the run"
}

# The x86-64 saver is what users get: stripped, at most 1 MB.
test_saver_is_small() {
  local size
  size=$(stat -c %s "$SAVER")
  [ "$size" -le 1048576 ] || fail "the saver is $size bytes"
}

all_tests+=(
  test_saver_shows_the_first_slide_exactly_and_a_key_ends_it
  test_saver_mouse_moves
  test_saver_caption_on_the_first_slide_only
  test_saver_password_check_with_the_standin
  test_saver_extracted_items_live_for_the_run
  test_saver_is_small
)
