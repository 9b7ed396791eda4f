# A sound server for end-to-end tests, to be sourced by a bash runner: a user-space PulseAudio
# daemon with one null sink, whose socket, state and log live in a folder of the run, and a
# recorder of what reaches that sink. Everything started here is ended by its pid.
#
#   pulse_start DIR       starts the daemon in DIR; exports PULSE_SERVER (and a client config
#                         that never autospawns a daemon) so Wine's programs play into the sink
#   pulse_record_start F  records the sink's monitor to the WAV file F in the background
#   pulse_record_stop     ends the recording; F is then complete
#   pulse_stop            ends the recording, if any, and the daemon
#
# Each returns non-zero with a message on stderr when it fails. Needs pulseaudio and
# pulseaudio-utils (parec, pactl).

PULSE_SINK_NAME=e2e_null
PULSE_PID=
PULSE_REC_PID=

pulse_start() {
  local dir=$1
  mkdir -p "$dir/run" "$dir/home" && chmod 700 "$dir/run" || return 1
  # No client of this run may start a daemon of its own (in the user's home) when ours is gone.
  printf 'autospawn = no\n' >"$dir/client.conf"
  export PULSE_CLIENTCONFIG=$dir/client.conf
  export PULSE_SERVER=unix:$dir/run/pulse/native
  # A home and runtime folder of its own: several runs (and users) on one machine never meet.
  # As root the daemon only warns.
  HOME=$dir/home XDG_RUNTIME_DIR=$dir/run XDG_CONFIG_HOME=$dir/home/.config \
    pulseaudio --daemonize=no --exit-idle-time=-1 --system=false -n \
      --load="module-native-protocol-unix auth-anonymous=1" \
      --load="module-null-sink sink_name=$PULSE_SINK_NAME" \
      --log-target="file:$dir/pulse.log" >/dev/null 2>&1 &
  PULSE_PID=$!
  local _
  for _ in $(seq 100); do
    if pactl info >/dev/null 2>&1; then return 0; fi
    kill -0 "$PULSE_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "pulse_start: the sound server did not start (see $dir/pulse.log)" >&2
  pulse_stop
  return 1
}

pulse_record_start() {
  local file=$1
  [ -n "$PULSE_PID" ] || { echo "pulse_record_start: no sound server" >&2; return 1; }
  # A short latency: with parec's default the last second or two buffered is lost at its end.
  parec -d "$PULSE_SINK_NAME.monitor" --latency-msec=20 --file-format=wav "$file" >/dev/null 2>&1 &
  PULSE_REC_PID=$!
  # The recording starts once parec has connected; what plays before that is lost.
  local _
  for _ in $(seq 50); do
    pactl list short source-outputs 2>/dev/null | grep -q . && return 0
    sleep 0.1
  done
  echo "pulse_record_start: the recorder did not connect" >&2
  return 1
}

pulse_record_stop() {
  [ -n "$PULSE_REC_PID" ] || return 0
  # SIGINT lets parec finish the WAV header before it ends.
  kill -INT "$PULSE_REC_PID" 2>/dev/null
  wait "$PULSE_REC_PID" 2>/dev/null
  PULSE_REC_PID=
}

pulse_stop() {
  pulse_record_stop
  [ -n "$PULSE_PID" ] || return 0
  kill "$PULSE_PID" 2>/dev/null
  wait "$PULSE_PID" 2>/dev/null
  PULSE_PID=
}
