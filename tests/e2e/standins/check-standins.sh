#!/usr/bin/env bash
# Checks the stand-ins under wine64: starts its own Xvfb on a free display, openbox, a fresh
# prefix with a persistent wineserver, registers the stand-ins there from a copy in the work
# folder, and runs standin_check.exe, answering its screen colour requests ("expect-color NAME
# X Y RRGGBB" lines in its report) with screenshots. Ends everything it started, by pid.
#   check-standins.sh --dir DIR --check EXE --work WORK [SECTION...]
# DIR holds the built stand-ins; SECTIONs (flash, presentation, password) narrow the check.
# Exit status: the number of failures (0: all passed; 1 also when nothing could be checked).
set -uo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/../session.sh"
WINE=$SESSION_WINE
DIR= CHECK= WORK=
sections=()
while [ $# -gt 0 ]; do
  case $1 in
    --dir) DIR=$2; shift 2 ;;
    --check) CHECK=$2; shift 2 ;;
    --work) WORK=$2; shift 2 ;;
    *) sections+=("$1"); shift ;;
  esac
done
for v in DIR CHECK WORK; do
  [ -n "${!v}" ] || { echo "check-standins.sh: --${v,,} is required" >&2; exit 1; }
done
for tool in Xvfb openbox import convert "$WINE" "$SESSION_WINESERVER"; do
  command -v "$tool" >/dev/null || { echo "check-standins.sh: $tool is missing" >&2; exit 1; }
done

t_start=$(date +%s%N)
log() { printf '[standins %5.1fs] %s\n' "$(( ($(date +%s%N) - t_start) / 1000000 ))e-3" "$*"; }

rm -rf "$WORK" && mkdir -p "$WORK/standins" "$WORK/run"
for f in flash_standin.dll presentation_standin.exe password_standin.cpl; do
  cp "$DIR/$f" "$WORK/standins/" || exit 1
done

cleanup() {
  session_end
  # The prefix takes 700 MB; STANDINS_KEEP_PREFIX=1 keeps it.
  [ -n "${STANDINS_KEEP_PREFIX:-}" ] || rm -rf "$WORK/prefix"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- Display, window manager, prefix ----------------------------------------------------------
session_start_display "$WORK" 1024x768 || exit 1
session_start_window_manager "$WORK"
log "display $DISPLAY; making the prefix"
session_make_prefix "$WORK/prefix" || exit 1
sleep 0.3
log "prefix ready; registering"
bash "$HERE/register-standins.sh" "$WINEPREFIX" "$WORK/standins" || exit 1
log "registered"

# --- The check, and the screen colours it asks about --------------------------------------------
report=$WORK/run/report.txt
screen_failures=0
"$WINE" "$CHECK" --work "$(winpath "$WORK/run")" --standins "$(winpath "$WORK/standins")" "${sections[@]}" \
  >"$WORK/check.out" 2>&1 &
check_pid=$!
deadline=$((SECONDS + 240))
seen=0
while :; do
  alive=0
  kill -0 "$check_pid" 2>/dev/null && alive=1
  if [ -f "$report" ]; then
    mapfile -t requests <"$report"
    while [ $seen -lt ${#requests[@]} ]; do
      read -r kind name x y want <<<"${requests[$seen]}"
      seen=$((seen + 1))
      [ "$kind" = expect-color ] || continue
      import -window root "$WORK/$name.png" 2>/dev/null
      got=$(convert "$WORK/$name.png" -format "%[hex:p{$x,$y}]" info: 2>/dev/null)
      got=${got:0:6}
      if [ "${got^^}" = "${want^^}" ]; then
        log "screen $name at $x,$y is $want"
      else
        log "FAIL: screen $name at $x,$y: expected $want, got '${got}' (see $WORK/$name.png)"
        screen_failures=$((screen_failures + 1))
      fi
      : >"$WORK/run/$name.go"
    done
  fi
  [ $alive -eq 1 ] || break
  if [ $SECONDS -ge $deadline ]; then
    log "FAIL: standin_check.exe still runs after 240 s; ending it"
    kill "$check_pid"
    screen_failures=$((screen_failures + 1))
  fi
  sleep 0.1
done
wait "$check_pid"
check_status=$?
cat "$WORK/check.out" | tr -d '\r'
failures=$((check_status + screen_failures))
log "$failures failures"
exit $failures
