# Flash and presentation modes against the stand-ins (registered in prefix-com): movies in list
# order by the control's log and the screen's colour, one-frame and failing movies, input ending
# a run at once (also with a password required), the presentation's calls in order with their
# types, quitting on input in its own window, a failing Open's message box, and a Flash package
# on a machine without the control. Sourced by run-e2e.sh.

COM_PREFIX=$WORK/prefix-com

# movie FILE FRAMES RATE COLOUR [fail-play]: a stand-in movie.
movie() { printf 'frames=%s\nrate=%s\ncolor=%s\n%s' "$2" "$3" "$4" "${5:+$5
}" >"$1"; }
# flash_log: the Flash stand-in's log, one line per call.
FLASH_LOG=$WORK/flash.log
# puts: the movies put, by file name, in order.
puts() { sed -n 's/^Flash\.Movie PROPERTYPUT value=VT_BSTR:"\(.*\)" -> .*/\1/p' "$FLASH_LOG" | sed 's/.*\\//' | tr '\n' ' '; }
# centre_colour NAME: the classified colour in the middle of screenshot NAME.
centre_colour() { convert "$WORK/$1.png" -crop 1x1+512+384 -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}' | head -n1; }

with_com() { WINEPREFIX=$COM_PREFIX FLASH_STANDIN_LOG=$(winpath "$FLASH_LOG") "$@"; }

test_flash_movies_in_list_order_and_the_screen_follows() {
  rm -f "$FLASH_LOG"
  movie "$F/red.swf" 2 1 FF0000
  movie "$F/blue.swf" 2 1 0000FF
  pack --output "$(winpath "$F/flash2.scr")" --mode flash --flash "$(winpath "$F/red.swf")" \
    --flash "$(winpath "$F/blue.swf")" || { fail "packing"; return; }
  with_com start_saver "$F/flash2.scr"
  local i colours="" c last=""
  for ((i = 0; i < 40; i++)); do
    sleep 0.25
    shot flash
    c=$(centre_colour flash)
    [ "$c" = "$last" ] || colours+="$c "
    last=$c
    [ "$(puts | wc -w)" -ge 4 ] && break
  done
  xdotool key a
  WINEPREFIX=$COM_PREFIX wait_saver_end 5 || fail "a key did not end the Flash run"
  end_saver
  [[ $(puts) == "red.swf blue.swf red.swf blue.swf"* ]] || fail "movies put: $(puts)"
  [[ $colours == *"#FF0000"*"#0000FF"* ]] || fail "screen colours seen: $colours"
  grep -q '^released$' "$FLASH_LOG" || fail "the control was not released"
}

test_flash_one_frame_movie_reloads_and_failing_play_moves_on() {
  rm -f "$FLASH_LOG"
  movie "$F/one.swf" 1 12 00FF00
  movie "$F/bad.swf" 1 12 FFFF00 fail-play
  pack --output "$(winpath "$F/flash-one.scr")" --mode flash --flash "$(winpath "$F/bad.swf")" \
    --flash "$(winpath "$F/one.swf")" || { fail "packing"; return; }
  with_com start_saver "$F/flash-one.scr"
  sleep 4.5
  xdotool key a
  wait_saver_end 5 || fail "a key did not end the run"
  end_saver
  # The failing movie's Play raised and the run went on: about one movie a second.
  grep -q '^Flash\.Play METHOD -> DISP_E_EXCEPTION' "$FLASH_LOG" || fail "no failing Play in the log"
  local n
  n=$(puts | wc -w)
  [ "$n" -ge 3 ] || fail "only $n movies put in 4.5 s: $(puts)"
}

test_flash_input_ends_at_once_without_a_password() {
  local cfg=$WORK/password.cfg plog=$WORK/password.log
  rm -f "$plog"
  printf 'answer=refuse\nlog=%s\n' "$(winpath "$plog")" >"$cfg"
  WINEPREFIX=$COM_PREFIX "$WINE" reg add 'HKCU\Control Panel\Desktop' /v ScreenSaveUsePassword /t REG_DWORD /d 1 /f \
    >>"$WORK/reg.log" 2>&1
  movie "$F/long.swf" 1000 10 808080
  pack --output "$(winpath "$F/flash-long.scr")" --mode flash --flash "$(winpath "$F/long.swf")" ||
    { fail "packing"; return; }
  local how
  for how in key move; do
    PASSWORD_STANDIN_CFG=$(winpath "$cfg") with_com start_saver "$F/flash-long.scr"
    sleep 3
    if [ $how = key ]; then xdotool key a; else xdotool mousemove_relative 40 25; fi
    wait_saver_end 3 || fail "a $how did not end the Flash run at once"
    end_saver
    sleep 0.5
  done
  [ ! -s "$plog" ] || fail "the hook's road asked for the password: $(cat "$plog")"
  WINEPREFIX=$COM_PREFIX "$WINE" reg delete 'HKCU\Control Panel\Desktop' /v ScreenSaveUsePassword /f >>"$WORK/reg.log" 2>&1
  expect_eq "screen-saver-running flag" "$(WINEPREFIX=$COM_PREFIX screensaver_flag)" 0
}

test_flash_package_without_the_control_shows_black_and_ends_on_input() {
  movie "$F/m.swf" 5 1 FF0000
  pack --output "$(winpath "$F/flash-none.scr")" --mode flash --flash "$(winpath "$F/m.swf")" ||
    { fail "packing"; return; }
  start_saver "$F/flash-none.scr"  # the main prefix: no Flash control there
  sleep 3
  saver_alive || { fail "the saver ended without the control"; return; }
  shot noflash
  expect_eq "brightest pixel on screen" "$(brightest noflash 0 0 "$SCREEN_W" "$SCREEN_H")" 0
  xdotool key a
  wait_saver_end 5 || fail "a key did not end the run"
  end_saver
}

# --- The presentation ------------------------------------------------------------------------

PRESENTATION_LOG=$WORK/presentation.log
presentation_config() { printf 'log=%s\n%s' "$(winpath "$PRESENTATION_LOG")" "$1" >"$WORK/standins/presentation_standin.cfg"; }
# The calls the saver made, without the name look-ups.
presentation_calls() { grep -v '\.GetIDsOfNames ' "$PRESENTATION_LOG" 2>/dev/null; }

# presentation_run MUTE: runs a presentation package; leaves the saver running.
presentation_run() {
  printf 'slides=3\ncolor=1F3864\n' >"$F/talk.ppt"
  pack --output "$(winpath "$F/talk.scr")" --mode powerpoint --mute="$1" --flash "$(winpath "$F/talk.ppt")" ||
    { fail "packing"; return 1; }
  rm -f "$PRESENTATION_LOG"
  with_com start_saver "$F/talk.scr"
  local i
  for ((i = 0; i < 60; i++)); do
    grep -q 'SlideShowWindow' "$PRESENTATION_LOG" 2>/dev/null && return 0
    sleep 0.25
  done
  fail "the show never started: $(presentation_calls | tr '\n' ';')"
  return 1
}

test_presentation_calls_in_order_with_their_types() {
  local mute talk
  presentation_config ""
  for mute in false true; do
    presentation_run $mute || { end_saver; continue; }
    talk=$(grep -o 'FileName=VT_BSTR:"[^"]*"' "$PRESENTATION_LOG" | head -n1)
    [[ $talk == *'talk.ppt"' ]] || fail "$mute: opened $talk"
    local want=(
      "Application.Presentations METHOD|PROPERTYGET -> S_OK VT_DISPATCH"
      "Presentations.Open METHOD $talk ReadOnly=VT_I4:-1 Untitled=VT_I4:-1 WithWindow=VT_I4:0 -> S_OK VT_DISPATCH"
      "Presentation.SlideShowSettings METHOD|PROPERTYGET -> S_OK VT_DISPATCH"
      "SlideShowSettings.LoopUntilStopped PROPERTYPUT value=VT_I4:-1 -> S_OK"
      "SlideShowSettings.ShowType PROPERTYPUT value=VT_I4:1 -> S_OK"
    )
    if [ $mute = true ]; then
      want+=("Presentation.Slides METHOD|PROPERTYGET -> S_OK VT_DISPATCH" "Slides.Count METHOD|PROPERTYGET -> S_OK VT_I4:3")
      local i
      for i in 1 2 3; do
        want+=("Slides.Item METHOD Index=VT_I4:$i -> S_OK VT_DISPATCH"
          "Slide.SlideShowTransition METHOD|PROPERTYGET -> S_OK VT_DISPATCH"
          "SlideShowTransition.SoundEffect METHOD|PROPERTYGET -> S_OK VT_DISPATCH"
          "SoundEffect.Type PROPERTYPUT value=VT_I4:0 -> S_OK")
      done
    fi
    want+=("SlideShowSettings.Run METHOD -> S_OK VT_DISPATCH"
      "Presentation.SlideShowWindow METHOD|PROPERTYGET -> S_OK VT_DISPATCH")
    local got
    got=$(presentation_calls | grep -E '^(Application|Presentations|Presentation|SlideShowSettings|Slides|Slide|SlideShowTransition|SoundEffect)\.')
    expect_eq "$mute: calls" "$got" "$(printf '%s\n' "${want[@]}")"
    # Input in the show's own window (another process) ends the run and quits the application.
    xdotool key a
    wait_saver_end 10 || fail "$mute: a key in the show did not end the run"
    end_saver
    sleep 1
    grep -q '^Application\.Quit METHOD -> S_OK' "$PRESENTATION_LOG" || fail "$mute: no Quit"
    grep -q '^ended objects=0' "$PRESENTATION_LOG" || fail "$mute: $(grep '^ended' "$PRESENTATION_LOG")"
  done
}

test_presentation_failing_open_shows_a_message_and_goes_on() {
  presentation_config "$(printf 'fail=Open\nfail-text=The presentation is damaged\n')"
  printf 'slides=3\n' >"$F/talk.ppt"
  pack --output "$(winpath "$F/broken.scr")" --mode powerpoint --flash "$(winpath "$F/talk.ppt")" ||
    { fail "packing"; return; }
  rm -f "$PRESENTATION_LOG"
  with_com start_saver "$F/broken.scr"
  WINEPREFIX=$COM_PREFIX dialog "broken" "$WORK/ppt-message.txt" || { fail "no message box"; end_saver; return; }
  grep -q '^Static|The presentation is damaged|' "$WORK/ppt-message.txt" ||
    fail "message box: $(tr '\n' ' ' <"$WORK/ppt-message.txt")"
  xdotool key Return
  sleep 2
  saver_alive || fail "the run ended after the message"
  xdotool key a
  wait_saver_end 10 || fail "a key did not end the run"
  end_saver
  presentation_config ""
}

all_tests+=(
  test_flash_movies_in_list_order_and_the_screen_follows
  test_flash_one_frame_movie_reloads_and_failing_play_moves_on
  test_flash_input_ends_at_once_without_a_password
  test_flash_package_without_the_control_shows_black_and_ends_on_input
  test_presentation_calls_in_order_with_their_types
  test_presentation_failing_open_shows_a_message_and_goes_on
)
