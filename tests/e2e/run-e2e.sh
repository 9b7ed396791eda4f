#!/usr/bin/env bash
# End-to-end tests of the x86-64 saver under wine64. Starts its own Xvfb on a free display,
# openbox, a fresh prefix (plus a copy for the tests that change it) with a persistent
# wineserver each, runs the tests one at a time and ends everything it started, by pid.
#   run-e2e.sh --saver SCR --host EXE --mpr DLL --scrpack EXE --probe EXE --dialog-probe EXE
#              [--gui-test EXE] --render EXE --standins DIR --work DIR [TEST...]
# --render is the native frame renderer (reference slides); --standins holds the built stand-ins.
# With TEST names only those tests run. Exit status: the number of failed tests (0: all passed).
set -uo pipefail

source "$(dirname "$0")/session.sh"
WINE=$SESSION_WINE
WINESERVER=$SESSION_WINESERVER
SAVER= HOST= MPR= SCRPACK= PROBE= DIALOG_PROBE= GUI_TEST= RENDER= STANDINS= WORK=
selected=()
while [ $# -gt 0 ]; do
  case $1 in
    --saver) SAVER=$2; shift 2 ;;
    --host) HOST=$2; shift 2 ;;
    --mpr) MPR=$2; shift 2 ;;
    --scrpack) SCRPACK=$2; shift 2 ;;
    --probe) PROBE=$2; shift 2 ;;
    --dialog-probe) DIALOG_PROBE=$2; shift 2 ;;
    --gui-test) GUI_TEST=$2; shift 2 ;;
    --render) RENDER=$2; shift 2 ;;
    --standins) STANDINS=$2; shift 2 ;;
    --work) WORK=$2; shift 2 ;;
    *) selected+=("$1"); shift ;;
  esac
done
for v in SAVER HOST MPR SCRPACK PROBE DIALOG_PROBE RENDER STANDINS WORK; do
  [ -n "${!v}" ] || { echo "run-e2e.sh: --${v,,} is required" >&2; exit 2; }
done

for tool in Xvfb openbox xdotool convert import cc bc "$WINE" "$WINESERVER" "$RENDER"; do
  command -v "$tool" >/dev/null || { echo "run-e2e.sh: $tool is missing" >&2; exit 2; }
done

run_started=$(date +%s.%N)
rm -rf "$WORK" && mkdir -p "$WORK"
# The probe of the X pointer's image (is the cursor hidden?), built natively.
cc -O2 -o "$WORK/xcursor" "$(dirname "$0")/xcursor.c" -lX11 -lXfixes ||
  { echo "run-e2e.sh: cannot build the cursor probe (libx11-dev, libxfixes-dev)" >&2; exit 2; }
started=()   # pids of the prefixes' servers, ended in reverse order (the display: session_end)
prefixes=()  # prefixes whose Wine processes are ended before their server

cleanup() {
  for p in "${prefixes[@]}"; do WINEPREFIX=$p "$WINESERVER" -k >/dev/null 2>&1; done
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do kill "${started[i]}" 2>/dev/null; done
  for pid in "${started[@]}"; do wait "$pid" 2>/dev/null; done
  session_end
  # The prefixes take 1.4 GB; the reports and logs stay. E2E_KEEP_PREFIX=1 keeps them too.
  [ -n "${E2E_KEEP_PREFIX:-}" ] || rm -rf "$WORK/prefix" "$WORK/prefix-mpr"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

elapsed() { echo "$(date +%s.%N) - $1" | bc; }
log() { echo "[e2e $(printf '%5.1f' "$(elapsed "$run_started")")s] $*"; }

# --- Display, window manager, prefix ----------------------------------------------------------
session_start_display "$WORK" 1024x768 || exit 2
session_start_window_manager "$WORK"

export WINEDEBUG=-all WINEARCH=win64
export WINEPREFIX=$WORK/prefix
prefixes+=("$WINEPREFIX")
log "display $DISPLAY; making the prefix"
WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE" wineboot -u >"$WORK/wineboot.log" 2>&1
# A full-screen window with a hidden cursor makes Wine clip the pointer and read its moves
# through XInput2, which the test display's synthetic moves never reach; with XInput2 off the
# moves arrive as plain motion, as a real mouse's do.
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v UseXInput2 /t REG_SZ /d N /f >"$WORK/reg.log" 2>&1
# The stand-in password library, asked only when a test sets the password flag.
cp "$STANDINS/password_standin.cpl" "$WORK/prefix/drive_c/windows/system32/password.cpl"
# Its server writes the registry out when it ends: then the prefix can be copied.
"$WINESERVER" -w
# The stand-in password library goes into a copy, so the main prefix stays as Wine made it.
cp -a "$WORK/prefix" "$WORK/prefix-mpr"
cp "$MPR" "$WORK/prefix-mpr/drive_c/windows/system32/mpr.dll"
prefixes+=("$WORK/prefix-mpr")
# The Flash control and the presentation application are registered in a copy of their own, so
# the main prefix stays a machine without them.
cp -a "$WORK/prefix" "$WORK/prefix-com"
prefixes+=("$WORK/prefix-com")
for p in "${prefixes[@]}"; do
  WINEPREFIX=$p "$WINESERVER" -f -p >/dev/null 2>&1 &
  started+=($!)
done
sleep 0.3
mkdir -p "$WORK/standins"
cp "$STANDINS"/flash_standin.dll "$STANDINS"/presentation_standin.exe "$STANDINS"/password_standin.cpl "$WORK/standins/"
bash "$(dirname "$0")/standins/register-standins.sh" "$WORK/prefix-com" "$WORK/standins" ||
  { echo "the stand-ins could not be registered" >&2; exit 2; }
log "prefixes ready"

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

# --- Tests: every file in cases/ defines its test functions and adds them to all_tests ---------
all_tests=()
for cases in "$(dirname "$0")"/cases/*.sh; do
  # shellcheck source=/dev/null
  source "$cases"
done
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
