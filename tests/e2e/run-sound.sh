#!/usr/bin/env bash
# Sound for real: the framework's Win32 media player under wine64, playing into a PulseAudio null
# sink whose monitor is recorded and analysed. Starts its own Xvfb (the player's windows need a
# display), a fresh prefix with a persistent wineserver and a sound server (pulse.sh), and ends
# everything it started, by pid.
#   run-sound.sh --probe SOUND_PROBE_EXE --saver SCR --scrpack SCRPACK --work DIR [TEST...]
# SCRPACK is the native package tool; the saver's own tests pack their savers with it.
# Exit status: the number of failed tests (0: all passed).
set -uo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
PROBE= SAVER= SCRPACK= WORK=
selected=()
while [ $# -gt 0 ]; do
  case $1 in
    --probe) PROBE=$2; shift 2 ;;
    --saver) SAVER=$2; shift 2 ;;
    --scrpack) SCRPACK=$2; shift 2 ;;
    --work) WORK=$2; shift 2 ;;
    *) selected+=("$1"); shift ;;
  esac
done
for v in PROBE SAVER SCRPACK WORK; do
  [ -n "${!v}" ] || { echo "run-sound.sh: --${v,,} is required" >&2; exit 2; }
done
source "$HERE/session.sh"
source "$HERE/pulse.sh"
WINE=$SESSION_WINE
for tool in Xvfb pulseaudio parec pactl lame python3 "$WINE" "$SESSION_WINESERVER"; do
  command -v "$tool" >/dev/null || { echo "run-sound.sh: $tool is missing" >&2; exit 2; }
done
ANALYSE=$HERE/analyse_wav.py

t_start=$(date +%s%N)
log() { printf '[sound %5.1fs] %s\n' "$(( ($(date +%s%N) - t_start) / 1000000 ))e-3" "$*"; }

rm -rf "$WORK" && mkdir -p "$WORK/files"
cleanup() {
  pulse_stop
  session_end
  # The prefix takes 700 MB; SOUND_KEEP_PREFIX=1 keeps it.
  [ -n "${SOUND_KEEP_PREFIX:-}" ] || rm -rf "$WORK/prefix"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- Display, prefix, sound server ------------------------------------------------------------
session_start_display "$WORK" || exit 2
log "display $DISPLAY; making the prefix"
session_make_prefix "$WORK/prefix" || exit 2
pulse_start "$WORK/pulse" || exit 2
log "prefix and sound server ready"

# --- Files: a 440 Hz WAV track and an 880 Hz MP3 track, and shorter ones for many endings ------
F=$WORK/files
make_tracks() {
  local track name hz ms
  for track in a440:440:1500 b880:880:1500 c880:880:600 s440:440:300 s880:880:300; do
    IFS=: read -r name hz ms <<<"$track"
    python3 "$ANALYSE" tone "$F/$name.wav" "$hz:$ms" || return 1
  done
  for name in b880 c880 s880; do lame --quiet -b 128 "$F/$name.wav" "$F/$name.mp3" || return 1; done
}
make_tracks || { echo "the test tracks could not be made" >&2; exit 2; }
convert -size 160x120 gradient:navy-orange "$F/photo.jpg" || { echo "the test picture could not be made" >&2; exit 2; }

# --- Helpers ----------------------------------------------------------------------------------
failures=0
fail() { echo "    FAIL: $*"; failures_in_test=$((failures_in_test + 1)); }
expect_eq() { [ "$2" = "$3" ] || fail "$1: expected '$3', got '$2'"; }

# probe OUT ARGS...: runs the probe (at most 120 s); its lines, without CR, go to OUT; sets status.
# Without Wine's debugger a crash ends the probe at once instead of hanging in the debugger.
probe() {
  local out=$1
  shift
  WINEDLLOVERRIDES="winedbg.exe=d" timeout 120 "$WINE" "$PROBE" "$@" >"$out.raw" 2>"$out.err"
  status=$?
  tr -d '\r' <"$out.raw" >"$out"
  grep -h 'Unhandled' "$out.err" | sed 's/^/    wine: /'
}
# stat_of OUT KEY: the value of KEY=N on the probe's stats line.
stat_of() { sed -n "s/^stats .*\b$2=\([0-9]*\).*/\1/p" "$1"; }

# The first MP3 in a prefix may stutter while GStreamer starts up: one is played unrecorded.
probe "$WORK/warm-up.txt" --tracks 1 "$(winpath "$F/c880.mp3")"
log "GStreamer warmed up (probe status $status)"

# --- Tests ------------------------------------------------------------------------------------
test_wav_then_mp3_in_order() {
  local out=$WORK/order.txt rec=$WORK/order.wav
  pulse_record_start "$rec" || { fail "no recording"; return; }
  probe "$out" --tracks 4 "$(winpath "$F/a440.wav")" "$(winpath "$F/b880.mp3")"
  sleep 0.3
  pulse_record_stop
  expect_eq "probe exit status" "$status" 0
  expect_eq "tracks started" "$(awk '$1 == "start" { printf "%s ", $3 }' "$out")" "0 1 2 3 "
  expect_eq "notices" "$(awk '$1 == "notice" { printf "%s ", $3 }' "$out")" \
    "successful successful successful successful "
  python3 "$ANALYSE" segments "$rec" >"$WORK/order-segments.txt"
  sed 's/^/    /' "$WORK/order-segments.txt"
  # The order of the tracks is the probe's to tell; the recording says that each was heard, in
  # that order, even if one stuttered.
  python3 "$ANALYSE" expect "$rec" 440 880 440 880 --join-repeats >"$WORK/order-tones.txt" ||
    fail "recorded $(cat "$WORK/order-tones.txt"), expected 440 880 440 880"
}

test_mp3_endings_never_stall() {
  local out=$WORK/endings.txt n=20
  probe "$out" --tracks $n --timeout 5000 "$(winpath "$F/c880.mp3")"
  expect_eq "probe exit status" "$status" 0
  expect_eq "tracks that ended" "$(grep -c '^notice .* successful stopped' "$out")" $n
  # How often Wine's MP3 device still said "playing" when it reported the end, and how long
  # the player waited for it: for the record, not a condition.
  echo "    $n MP3 endings: $(stat_of "$out" held) reported while the device still said playing," \
    "longest wait $(stat_of "$out" longest_hold) ms; $(stat_of "$out" stale) stale notices dropped"
}

test_short_tracks_alternating() {
  # Each track's close unloads nothing: with Wine's wave driver unloaded after the last wave
  # device closed, about one run in two of these crashed in that driver's play thread.
  local out=$WORK/alternating.txt n=40
  probe "$out" --tracks $n --timeout 5000 "$(winpath "$F/s440.wav")" "$(winpath "$F/s880.mp3")"
  expect_eq "probe exit status" "$status" 0
  expect_eq "tracks that ended" "$(grep -c '^notice .* successful stopped' "$out")" $n
}

# --- The saver's background music ---------------------------------------------------------------
# saver_run NAME SECONDS [scrpack options...]: packs NAME.scr in a folder of its own with the
# picture and the options, records the sound while the saver runs SECONDS, then ends it with a
# key; the recording is $WORK/NAME.wav.
saver_run() {
  local name=$1 seconds=$2
  shift 2
  mkdir -p "$WORK/$name"
  "$SCRPACK" build --stub "$SAVER" --output "$WORK/$name/$name.scr" --interval 600000 "$@" "$F/photo.jpg"     >"$WORK/$name/scrpack.log" 2>&1 || { fail "packing $name: $(cat "$WORK/$name/scrpack.log")"; return 1; }
  [ -z "${STORED_MUTE:-}" ] || printf '[Setup]\r\nmute=%s\r\n' "$STORED_MUTE" >"$WORK/$name/CONTROL.INI"
  pulse_record_start "$WORK/$name.wav" || { fail "no recording"; return 1; }
  "$WINE" "$WORK/$name/$name.scr" /s >/dev/null 2>&1 &
  local pid=$! i
  sleep "$seconds"
  xdotool key a
  for ((i = 0; i < 100; i++)); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  kill -0 $pid 2>/dev/null && { fail "$name: a key did not end the saver"; kill $pid; }
  wait $pid 2>/dev/null
  pulse_record_stop
}
# heard NAME: the tones of the recording, "silence" alone when nothing was heard.
heard() { python3 "$ANALYSE" segments "$WORK/$1.wav" | awk '$3 != "silence" { printf "%s ", $3 }'; }

test_saver_plays_its_tracks_in_order_and_starts_over() {
  saver_run music 9 --sound "$F/a440.wav" --sound "$F/b880.mp3" || return
  python3 "$ANALYSE" expect "$WORK/music.wav" 440 880 440 880 --join-repeats >"$WORK/music-tones.txt" ||
    fail "the saver played $(cat "$WORK/music-tones.txt"), expected 440 880 440 880"
  # The tracks lived in the temporary directory for the run only.
  local left
  left=$(find "$WINEPREFIX/drive_c/users" -name 'a440.wav' -o -name 'b880.mp3' 2>/dev/null)
  [ -z "$left" ] || fail "extracted tracks left behind: $left"
}

test_saver_muted_plays_nothing() {
  saver_run muted 4 --mute --sound "$F/a440.wav" || return
  expect_eq "heard with the package muted" "$(heard muted)" ""
  STORED_MUTE=1 saver_run stored 4 --sound "$F/a440.wav" || return
  expect_eq "heard with mute stored" "$(heard stored)" ""
  # The stored "0" turns the package's mute off again.
  STORED_MUTE=0 saver_run unmuted 4 --mute --sound "$F/a440.wav" || return
  [[ $(heard unmuted) == *440* ]] || fail "nothing heard with \"0\" stored over a muted package"
}

test_saver_flash_mode_plays_no_music() {
  printf 'frames=10\nrate=1\ncolor=FF0000\n' >"$F/m.swf"
  saver_run flash 4 --mode flash --flash "$F/m.swf" --sound "$F/a440.wav" || return
  expect_eq "heard in Flash mode" "$(heard flash)" ""
}

all_tests=(test_wav_then_mp3_in_order test_mp3_endings_never_stall test_short_tracks_alternating
  test_saver_plays_its_tracks_in_order_and_starts_over test_saver_muted_plays_nothing
  test_saver_flash_mode_plays_no_music)
[ ${#selected[@]} -gt 0 ] || selected=("${all_tests[@]}")
for t in "${selected[@]}"; do
  declare -F "$t" >/dev/null || { echo "no test named $t" >&2; failures=$((failures + 1)); continue; }
  failures_in_test=0
  "$t"
  if [ $failures_in_test -eq 0 ]; then log "PASS $t"; else log "FAIL $t"; failures=$((failures + 1)); fi
done
log "$failures failed of ${#selected[@]}"
exit $failures
