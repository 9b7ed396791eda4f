#!/usr/bin/env bash
# Runs a win64 program under wine64 in the build tree's own prefix (CTest's emulator).
#   wine64-run.sh PREFIX PROGRAM [ARGS...]
# The prefix is made on first use (under a lock, since CTest may start several tests at once).
set -euo pipefail
prefix=$1; shift
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEARCH=win64
wine=/usr/lib/wine/wine64
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  exec 9>"$prefix.lock"
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot -u >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w || true
  fi
  exec 9>&-
fi
exec "$wine" "$@"
