#!/usr/bin/env bash
# End-to-end tests of the x86-64 saver under wine64. Starts its own Xvfb on a free display,
# openbox, a fresh prefix (plus a copy for the tests that change it) with a persistent
# wineserver each, runs the tests one at a time and ends everything it started, by pid.
#   run-e2e.sh --saver SCR --host EXE --mpr DLL --scrpack EXE --probe EXE [--gui-test EXE] --work DIR
#              [TEST...]
# With TEST names only those tests run. Exit status: the number of failed tests (0: all passed).
set -uo pipefail

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
SAVER= HOST= MPR= SCRPACK= PROBE= GUI_TEST= WORK=
selected=()
while [ $# -gt 0 ]; do
  case $1 in
    --saver) SAVER=$2; shift 2 ;;
    --host) HOST=$2; shift 2 ;;
    --mpr) MPR=$2; shift 2 ;;
    --scrpack) SCRPACK=$2; shift 2 ;;
    --probe) PROBE=$2; shift 2 ;;
    --gui-test) GUI_TEST=$2; shift 2 ;;
    --work) WORK=$2; shift 2 ;;
    *) selected+=("$1"); shift ;;
  esac
done
for v in SAVER HOST MPR SCRPACK PROBE WORK; do
  [ -n "${!v}" ] || { echo "run-e2e.sh: --${v,,} is required" >&2; exit 2; }
done

for tool in Xvfb openbox xdotool convert bc "$WINE" "$WINESERVER"; do
  command -v "$tool" >/dev/null || { echo "run-e2e.sh: $tool is missing" >&2; exit 2; }
done

run_started=$(date +%s.%N)
rm -rf "$WORK" && mkdir -p "$WORK"
started=()   # pids of what this run started, ended in reverse order
prefixes=()  # prefixes whose Wine processes are ended before their server

cleanup() {
  for p in "${prefixes[@]}"; do WINEPREFIX=$p "$WINESERVER" -k >/dev/null 2>&1; done
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do kill "${started[i]}" 2>/dev/null; done
  for pid in "${started[@]}"; do wait "$pid" 2>/dev/null; done
  # The prefixes take 1.4 GB; the reports and logs stay. E2E_KEEP_PREFIX=1 keeps them too.
  [ -n "${E2E_KEEP_PREFIX:-}" ] || rm -rf "$WORK/prefix" "$WORK/prefix-mpr"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

winpath() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }
elapsed() { echo "$(date +%s.%N) - $1" | bc; }
log() { echo "[e2e $(printf '%5.1f' "$(elapsed "$run_started")")s] $*"; }

# --- Display, window manager, prefix ----------------------------------------------------------
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
started+=($!)
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
[ -s "$WORK/display" ] || { echo "Xvfb did not start" >&2; exit 2; }
export DISPLAY=:$(head -n1 "$WORK/display")
openbox --sm-disable >"$WORK/openbox.log" 2>&1 &
started+=($!)

export WINEDEBUG=-all WINEARCH=win64
export WINEPREFIX=$WORK/prefix
prefixes+=("$WINEPREFIX")
log "display $DISPLAY; making the prefix"
WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE" wineboot -u >"$WORK/wineboot.log" 2>&1
# Its server writes the registry out when it ends: then the prefix can be copied.
"$WINESERVER" -w
# The stand-in password library goes into a copy, so the main prefix stays as Wine made it.
cp -a "$WORK/prefix" "$WORK/prefix-mpr"
cp "$MPR" "$WORK/prefix-mpr/drive_c/windows/system32/mpr.dll"
prefixes+=("$WORK/prefix-mpr")
for p in "${prefixes[@]}"; do
  WINEPREFIX=$p "$WINESERVER" -f -p >/dev/null 2>&1 &
  started+=($!)
done
sleep 0.3
log "prefix ready"

# --- Files under test ---------------------------------------------------------------------------
mkdir -p "$WORK/files"
F=$WORK/files
cp "$SAVER" "$F/bare.scr"
convert -size 160x120 xc: -sparse-color bilinear '0,0 red 159,0 yellow 0,119 blue 159,119 lime' \
  -quality 92 "$F/photo.jpg"
head -c 3000 /dev/urandom >"$F/movie.swf"
# Packages built with the package tool (the win64 build of it, under Wine).
pack() { "$WINE" "$SCRPACK" build --stub "$(winpath "$SAVER")" "$@" >>"$WORK/scrpack.log" 2>&1; }
pack --output "$(winpath "$F/pictures.scr")" "$(winpath "$F/photo.jpg")" &&
  # No pictures: the first appended item is a Flash movie.
  pack --output "$(winpath "$F/flash.scr")" --mode flash --flash "$(winpath "$F/movie.swf")" ||
  { cat "$WORK/scrpack.log"; exit 2; }

# --- Helpers ----------------------------------------------------------------------------------
failures=0
fail() { echo "    FAIL: $*"; failures_in_test=$((failures_in_test + 1)); }
expect_eq() { [ "$2" = "$3" ] || fail "$1: expected '$3', got '$2'"; }
expect_lt() { [ -n "$2" ] && [ "$2" -lt "$3" ] 2>/dev/null || fail "$1: expected below $3, got '$2'"; }

# host REPORT SAVER [host options]: runs the preview host and waits for it.
host() {
  local report=$1 saver=$2
  shift 2
  timeout 60 "$WINE" "$HOST" --saver "$(winpath "$saver")" --report "$(winpath "$report")" "$@" \
    >/dev/null 2>&1
}
# value REPORT KEY
value() { sed -n "s/^$2=//p" "$1" 2>/dev/null | tr -d '\r' | tail -n1; }

# run_saver SAVER ARGS...: runs the saver to its end (at most 20 s); sets status and ms.
run_saver() {
  local t0; t0=$(date +%s%N)
  timeout 20 "$WINE" "$@" >/dev/null 2>&1
  status=$?
  ms=$((($(date +%s%N) - t0) / 1000000))
}

visible_windows() { xdotool search --onlyvisible --name '.*' 2>/dev/null | sort -u; }

# --- Tests ------------------------------------------------------------------------------------
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

all_tests=(
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
[ ${#selected[@]} -gt 0 ] || selected=("${all_tests[@]}")

for t in "${selected[@]}"; do
  declare -F "$t" >/dev/null || { echo "no test named $t" >&2; failures=$((failures + 1)); continue; }
  failures_in_test=0
  t0=$(date +%s.%N)
  "$t"
  if [ $failures_in_test -eq 0 ]; then
    log "PASS $t ($(printf '%.1f' "$(elapsed "$t0")") s)"
  else
    log "FAIL $t"
    failures=$((failures + 1))
  fi
done
log "$failures failed of ${#selected[@]}"
exit $failures
