# The preview, the second instance, the password change and the saver's resources.
# Sourced by run-e2e.sh, which provides the helpers and the variables used here.

test_preview_ends_when_hidden() {
  host "$WORK/hide.txt" "$F/pictures.scr" --hold 1500 --end hide
  expect_eq "saver ended while its window was visible" "$(value "$WORK/hide.txt" early)" 0
  expect_lt "ms from hiding to the saver's end" "$(value "$WORK/hide.txt" end_ms)" 1000
  expect_eq "exit status" "$(value "$WORK/hide.txt" exit)" 0
}

test_preview_ends_when_destroyed() {
  host "$WORK/destroy.txt" "$F/pictures.scr" --hold 1500 --end destroy
  expect_eq "saver ended while its window was visible" "$(value "$WORK/destroy.txt" early)" 0
  expect_lt "ms from destroying to the saver's end" "$(value "$WORK/destroy.txt" end_ms)" 1000
  expect_eq "exit status" "$(value "$WORK/destroy.txt" exit)" 0
}

test_preview_of_window_destroyed_before_shown() {
  # The window is never shown: the saver waits for it, and gives up once it is gone.
  host "$WORK/unshown.txt" "$F/pictures.scr" --hidden 1 --hold 1000
  expect_eq "saver ended before the window was destroyed" "$(value "$WORK/unshown.txt" early)" 0
  expect_lt "ms from destroying to the saver's end" "$(value "$WORK/unshown.txt" end_ms)" 1000
  expect_eq "exit status" "$(value "$WORK/unshown.txt" exit)" 0
}

test_preview_without_valid_handle_ends_at_once() {
  local args
  for args in "/p" "/p abc" "/P 12abc"; do
    host "$WORK/badhandle.txt" "$F/pictures.scr" --args "$args" --hold 5000
    expect_eq "'$args' ended while the window was visible" "$(value "$WORK/badhandle.txt" early)" 1
    expect_lt "'$args' ms to the end" "$(value "$WORK/badhandle.txt" early_ms)" 3000
    expect_eq "'$args' exit status" "$(value "$WORK/badhandle.txt" exit)" 0
  done
}

test_preview_without_picture_ends_silently() {
  local saver
  # A bare executable reads its own last 40 bytes as a trailer; a package without pictures
  # starts with a Flash movie. Neither is drawn, and nothing waits for the user.
  for saver in bare.scr flash.scr; do
    host "$WORK/nopicture.txt" "$F/$saver" --hold 5000
    expect_eq "$saver ended while the window was visible" "$(value "$WORK/nopicture.txt" early)" 1
    expect_lt "$saver ms to the end" "$(value "$WORK/nopicture.txt" early_ms)" 3000
    expect_eq "$saver exit status" "$(value "$WORK/nopicture.txt" exit)" 0
  done
}

test_second_instance_ends_at_once() {
  cp "$F/pictures.scr" "$F/other.scr"
  host "$WORK/first.txt" "$F/pictures.scr" --hold 8000 &
  local first=$!
  timeout 30 "$WINE" "$PROBE" --wait-semaphore pictures.scrSemaphore || fail "first instance holds no semaphore"
  host "$WORK/second.txt" "$F/pictures.scr" --hold 3000
  expect_eq "second preview ended while its window was visible" "$(value "$WORK/second.txt" early)" 1
  expect_lt "second preview ms to the end" "$(value "$WORK/second.txt" early_ms)" 2000
  expect_eq "second preview exit status" "$(value "$WORK/second.txt" exit)" 0
  local args
  for args in /c /s ""; do
    run_saver "$F/pictures.scr" $args
    expect_eq "second instance '$args' exit status" "$status" 0
    expect_lt "second instance '$args' ms to the end" "$ms" 5000
  done
  # Another file name is another saver: it runs beside the first.
  host "$WORK/other.txt" "$F/other.scr" --hold 1500
  expect_eq "copy under another name ended while visible" "$(value "$WORK/other.txt" early)" 0
  expect_eq "copy under another name exit status" "$(value "$WORK/other.txt" exit)" 0
  wait "$first"
  expect_eq "first instance ended while visible" "$(value "$WORK/first.txt" early)" 0
  expect_lt "first instance ms from hiding to its end" "$(value "$WORK/first.txt" end_ms)" 1000
}

test_change_password_calls_standin() {
  local log=$WORK/mpr.log
  rm -f "$log"
  export MPR_STANDIN_LOG=$(winpath "$log")
  WINEPREFIX=$WORK/prefix-mpr WINEDLLOVERRIDES="mpr=n,b" run_saver "$F/pictures.scr" /a 5678
  expect_eq "exit status" "$status" 0
  expect_eq "recorded call" "$(tr -d '\r' <"$log" 2>/dev/null)" \
    "key=SCRSAVE window=5678 reserved1=0 reserved2=0 semaphore=0"
  # No semaphore in this mode: it works while a preview of the same saver runs.
  WINEPREFIX=$WORK/prefix-mpr host "$WORK/mpr-first.txt" "$F/pictures.scr" --hold 4000 &
  local first=$!
  WINEPREFIX=$WORK/prefix-mpr timeout 30 "$WINE" "$PROBE" --wait-semaphore pictures.scrSemaphore ||
    fail "preview in the copied prefix holds no semaphore"
  WINEPREFIX=$WORK/prefix-mpr WINEDLLOVERRIDES="mpr=n,b" run_saver "$F/pictures.scr" -A 77
  expect_eq "exit status beside a running preview" "$status" 0
  expect_eq "call beside a running preview" "$(tr -d '\r' <"$log" | tail -n1)" \
    "key=SCRSAVE window=77 reserved1=0 reserved2=0 semaphore=1"
  wait "$first"
  expect_eq "preview beside the password change ended while visible" "$(value "$WORK/mpr-first.txt" early)" 0
  # A bad handle ends the mode before the library is called.
  WINEPREFIX=$WORK/prefix-mpr WINEDLLOVERRIDES="mpr=n,b" run_saver "$F/pictures.scr" /a abc
  expect_eq "exit status with a bad handle" "$status" 0
  expect_eq "calls recorded" "$(wc -l <"$log")" 2
  unset MPR_STANDIN_LOG
}

test_change_password_without_standin_is_quiet() {
  local overrides before new
  before=$(visible_windows)
  # Wine's own library (which shows nothing), then no library at all.
  for overrides in "" "mpr="; do
    local t0; t0=$(date +%s%N)
    WINEDLLOVERRIDES=$overrides timeout 20 "$WINE" "$F/pictures.scr" /a 5678 >/dev/null 2>&1 &
    local pid=$! seen=""
    while kill -0 "$pid" 2>/dev/null; do
      seen+=$(comm -13 <(echo "$before") <(visible_windows))
      sleep 0.05
    done
    wait "$pid"
    expect_eq "exit status (WINEDLLOVERRIDES='$overrides')" "$?" 0
    expect_eq "windows shown (WINEDLLOVERRIDES='$overrides')" "$seen" ""
  done
}

test_saver_resources() {
  local out
  out=$(timeout 20 "$WINE" "$PROBE" "$(winpath "$SAVER")" 2>/dev/null | tr -d '\r')
  expect_eq "description (string 1)" "$(sed -n 's/^description=//p' <<<"$out")" "Photo Screen Saver"
  expect_eq "icon 100 loads" "$(sed -n 's/^icon=//p' <<<"$out")" 1
  expect_eq "manifest declares DPI awareness" "$(sed -n 's/^dpi_aware=//p' <<<"$out")" 1
  [ -n "$(sed -n 's/^version=//p' <<<"$out")" ] || fail "no version information"
}

test_preview_drawing_in_process() {
  [ -n "$GUI_TEST" ] || { echo "    (no in-process drawing test built)"; return; }
  timeout 120 "$WINE" "$GUI_TEST" >"$WORK/gui_win32_test.log" 2>&1
  local rc=$?
  grep -E '^\[  (PASSED|FAILED|SKIPPED) ' "$WORK/gui_win32_test.log" | sed 's/^/    /'
  expect_eq "in-process drawing test status" "$rc" 0
  [ $rc -eq 0 ] || tail -n 40 "$WORK/gui_win32_test.log"
}

all_tests+=(
  test_preview_ends_when_hidden
  test_preview_ends_when_destroyed
  test_preview_of_window_destroyed_before_shown
  test_preview_without_valid_handle_ends_at_once
  test_preview_without_picture_ends_silently
  test_second_instance_ends_at_once
  test_change_password_calls_standin
  test_change_password_without_standin_is_quiet
  test_saver_resources
  test_preview_drawing_in_process
)
