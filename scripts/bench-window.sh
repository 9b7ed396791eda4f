#!/usr/bin/env bash
# Runs the win64 benchmark of every transition style through the real window, on a virtual
# display of 1920x1080 at 24 bits, and prints the ten slowest styles.
#   bench-window.sh [FLAGS...]     e.g. --shows=3, or --benchmark_filter='Show/11[0-9]/'
# Needs the win64 build: cmake --preset win64 && cmake --build --preset win64 --target bench_window_shows
# Writes build/win64/bench-window.json (Google Benchmark's JSON). Runs in a Wine prefix of its own
# (build/win64/bench-wineprefix, a copy of the tests' prefix when there is one) and ends the
# display and the programs it started when it is done.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
exe=$root/build/win64/bench/win32/bench_window_shows.exe
out=$root/build/win64/bench-window.json
prefix=$root/build/win64/bench-wineprefix
if [ ! -f "$exe" ]; then
  echo "no $exe: cmake --preset win64 && cmake --build --preset win64 --target bench_window_shows" >&2
  exit 1
fi
if [ ! -f "$prefix/system.reg" ] && [ -f "$root/build/win64/wineprefix/system.reg" ]; then
  cp -a "$root/build/win64/wineprefix" "$prefix"
fi

work=$(mktemp -d)
xvfb_pid=""
wine_pid=""
finish() {
  if [ -n "$wine_pid" ] && kill -0 "$wine_pid" 2>/dev/null; then
    kill "$wine_pid" 2>/dev/null || true
    wait "$wine_pid" 2>/dev/null || true
    # What the program left running lives in this script's own prefix.
    WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  fi
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -w 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap finish EXIT
trap 'exit 130' INT TERM

# -displayfd picks a free display and writes its number once the server accepts clients.
Xvfb -displayfd 9 -screen 0 1920x1080x24 -nolisten tcp 9>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { cat "$work/xvfb.log" >&2; exit 1; }
  sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(tr -d '[:space:]' <"$work/display")

echo "== bench_window_shows on $DISPLAY (1920x1080x24); $(uptime | sed 's/.*load/load/')"
# Wine's own output goes to a log: its background processes would hold a captured pipe open.
scripts/wine64-run.sh "$prefix" "$exe" --benchmark_format=json "$@" >"$out" 2>"$work/wine.log" &
wine_pid=$!
rc=0
wait "$wine_pid" || rc=$?
wine_pid=""
if [ "$rc" -ne 0 ]; then
  echo "bench_window_shows failed ($rc):" >&2
  tail -n 20 "$work/wine.log" >&2
  exit "$rc"
fi
echo "== $out"

python3 scripts/bench-window-summary.py "$out"
