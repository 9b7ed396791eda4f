# The Wine session of an end-to-end runner, to be sourced by bash: a display of its own, a fresh
# prefix with a persistent wineserver, and the ending of everything started, by pid.
#
#   session_start_display DIR [WxH]
#                              starts Xvfb on a free display, 640x480 unless given (its log
#                              and number in DIR); exports DISPLAY
#   session_start_window_manager DIR
#                              starts openbox on that display (its log in DIR)
#   session_make_prefix DIR    makes a fresh 64-bit prefix in DIR and starts its persistent
#                              wineserver; exports WINEPREFIX, WINEDEBUG and WINEARCH
#   session_end                ends the prefix's programs, then what the session started,
#                              newest first
#   winpath PATH               the Windows name (Z:\...) of a native path
#
# Each start returns non-zero with a message on stderr when it fails.

SESSION_WINE=/usr/lib/wine/wine64
SESSION_WINESERVER=/usr/lib/wine/wineserver
SESSION_PIDS=()

session_start_display() {
  local dir=$1 size=${2:-640x480} _
  mkdir -p "$dir" || return 1
  # -displayfd picks a free number: a killed server's lock file cannot block the next run.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
  SESSION_PIDS+=($!)
  for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
  [ -s "$dir/display" ] || { echo "session: Xvfb did not start (see $dir/xvfb.log)" >&2; return 1; }
  export DISPLAY=:$(head -n1 "$dir/display")
}

session_start_window_manager() {
  openbox --sm-disable >"$1/openbox.log" 2>&1 &
  SESSION_PIDS+=($!)
}

session_make_prefix() {
  export WINEPREFIX=$1 WINEDEBUG=-all WINEARCH=win64
  WINEDLLOVERRIDES="mscoree,mshtml=" "$SESSION_WINE" wineboot -u >"$WINEPREFIX.wineboot.log" 2>&1
  # The prefix is complete once its first server has written the registry out and ended.
  "$SESSION_WINESERVER" -w
  [ -f "$WINEPREFIX/system.reg" ] || { echo "session: no prefix made (see $WINEPREFIX.wineboot.log)" >&2; return 1; }
  # A persistent server: programs then start in a fraction of a second.
  "$SESSION_WINESERVER" -f -p >/dev/null 2>&1 &
  SESSION_PIDS+=($!)
}

session_end() {
  [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && "$SESSION_WINESERVER" -k >/dev/null 2>&1
  local i
  for ((i = ${#SESSION_PIDS[@]} - 1; i >= 0; i--)); do kill "${SESSION_PIDS[i]}" 2>/dev/null; done
  for i in "${SESSION_PIDS[@]}"; do wait "$i" 2>/dev/null; done
  SESSION_PIDS=()
}

winpath() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }
