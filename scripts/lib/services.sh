# Services the integration tests need, owned by the calling script:
#   an X server (Xvfb 1920x1080x24 on a free display, -noreset) with a window manager chosen by
#   TARNIX_WM (evilwm by default, openbox, or openbox+picom with a compositing manager),
#   a private PulseAudio daemon (a null sink as default, a source playing a 440 Hz tone),
#   a private D-Bus session bus with the accessibility bus.
# Source this file, call tarnix_start_services, and tarnix_stop_services on exit. Works as root,
# without a terminal, on a clean machine; stops only what it started. Exports DISPLAY,
# PULSE_SERVER, DBUS_SESSION_BUS_ADDRESS, TARNIX_WM and TARNIX_TEST_SERVICES=1 for the tests.

_tarnix_pids=()
_tarnix_dir=""

_tarnix_wait_for() { # seconds command...
  local tries=$(($1 * 20)); shift
  while ((tries-- > 0)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  return 1
}

_tarnix_free_display() {
  local n
  for n in $(seq 90 199); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { echo "$n"; return 0; }
  done
  return 1
}

_tarnix_start_x() {
  local n
  n=$(_tarnix_free_display) || { echo "services: no free X display number" >&2; return 1; }
  Xvfb ":$n" -screen 0 1920x1080x24 -noreset -nolisten tcp +extension Composite \
    >"$_tarnix_dir/xvfb.log" 2>&1 &
  _tarnix_pids+=($!)
  export DISPLAY=":$n"
  _tarnix_wait_for 10 xdotool getmouselocation ||
    { echo "services: Xvfb did not start (see $_tarnix_dir/xvfb.log)" >&2; return 1; }
  _tarnix_start_wm || return 1
  command -v xsetroot >/dev/null && xsetroot -cursor_name left_ptr 2>/dev/null || true
}

# The window manager of TARNIX_WM: evilwm (the default), openbox, or openbox+picom (a compositing
# manager, so that translucent windows show what lies behind them).
_tarnix_start_wm() {
  export TARNIX_WM="${TARNIX_WM:-evilwm}"
  case "$TARNIX_WM" in
    evilwm)
      command -v evilwm >/dev/null || return 0
      evilwm -fn fixed >"$_tarnix_dir/wm.log" 2>&1 &
      _tarnix_pids+=($!) ;;
    openbox | openbox+picom)
      openbox --sm-disable >"$_tarnix_dir/wm.log" 2>&1 &
      _tarnix_pids+=($!) ;;
    *) echo "services: unknown TARNIX_WM '$TARNIX_WM' (evilwm, openbox or openbox+picom)" >&2; return 1 ;;
  esac
  # A window manager announces itself with _NET_SUPPORTING_WM_CHECK on the root.
  _tarnix_wait_for 10 bash -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    echo "services: the window manager $TARNIX_WM did not start (see $_tarnix_dir/wm.log)" >&2
  if [ "$TARNIX_WM" = openbox+picom ]; then
    picom --config /dev/null --backend xrender >"$_tarnix_dir/picom.log" 2>&1 &
    _tarnix_pids+=($!)
  fi
}

_tarnix_tone() { # frequency sink channels
  command -v ffmpeg >/dev/null && command -v pacat >/dev/null || return 0
  (ffmpeg -nostdin -loglevel quiet -re -f lavfi -i "sine=frequency=$1:sample_rate=44100" \
     -ac "$3" -f s16le - 2>/dev/null | pacat --playback --device="$2" --rate=44100 \
     --channels="$3" --format=s16le --latency-msec=200) </dev/null >/dev/null 2>&1 &
  _tarnix_pids+=($!)
}

_tarnix_start_pulse() {
  local d="$_tarnix_dir/pulse"
  mkdir -p "$d/home" "$d/run"
  chmod 700 "$d/run"
  cat >"$d/min.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$d/native
load-module module-null-sink sink_name=tarnix_null
set-default-sink tarnix_null
load-module module-null-sink sink_name=tarnix_mic_feed
load-module module-remap-source master=tarnix_mic_feed.monitor source_name=tarnix_mic channels=1 source_properties=device.description=Tarnix-test-microphone
set-default-source tarnix_mic
PA
  HOME="$d/home" XDG_RUNTIME_DIR="$d/run" setsid pulseaudio --daemonize=no -n -F "$d/min.pa" \
    --exit-idle-time=-1 --disallow-exit --log-target="file:$d/pa.log" </dev/null >/dev/null 2>&1 &
  _tarnix_pids+=($!)
  export PULSE_SERVER="unix:$d/native"
  _tarnix_wait_for 10 pactl info ||
    { echo "services: PulseAudio did not start (see $d/pa.log)" >&2; return 1; }
  # Endless tones in real time: 660 Hz for the system audio (the default sink's monitor) and
  # 440 Hz for the microphone (a source remapped from a second null sink's monitor).
  _tarnix_tone 660 tarnix_null 2
  _tarnix_tone 440 tarnix_mic_feed 1
}

_tarnix_start_bus() {
  local address
  address=$(dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=2 \
    2>"$_tarnix_dir/dbus.pid" </dev/null) || { echo "services: dbus-daemon failed" >&2; return 1; }
  _tarnix_pids+=("$(head -n1 "$_tarnix_dir/dbus.pid")")
  export DBUS_SESSION_BUS_ADDRESS="$address"
}

_tarnix_start_accessibility() {
  [ -x /usr/libexec/at-spi-bus-launcher ] || return 0
  # In a process group of its own: the accessibility registry it starts on demand is stopped
  # with it.
  setsid /usr/libexec/at-spi-bus-launcher --launch-immediately </dev/null >"$_tarnix_dir/atspi.log" 2>&1 &
  _tarnix_pids+=("-$!")
  _tarnix_wait_for 5 dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
    org.a11y.Bus.GetAddress || echo "services: the accessibility bus did not answer" >&2
}

tarnix_start_services() {
  _tarnix_dir=$(mktemp -d /tmp/tarnix-services.XXXXXX)
  # The session bus first, so that nothing started later launches a bus of its own.
  _tarnix_start_bus || return 1
  _tarnix_start_x || return 1
  _tarnix_start_pulse || return 1
  _tarnix_start_accessibility || return 1
  export TARNIX_TEST_SERVICES=1
  echo "services: DISPLAY=$DISPLAY PULSE_SERVER=$PULSE_SERVER (logs in $_tarnix_dir)"
}

tarnix_stop_services() {
  local pid i
  for ((i = ${#_tarnix_pids[@]} - 1; i >= 0; i--)); do
    pid=${_tarnix_pids[i]}
    # The tone pipelines are subshells: end their children too. "-N" is a process group.
    [ "${pid#-}" = "$pid" ] && { pkill -TERM -P "$pid" 2>/dev/null || true; }
    kill -TERM -- "$pid" 2>/dev/null || true
  done
  for pid in "${_tarnix_pids[@]}"; do
    _tarnix_wait_for 3 bash -c "! kill -0 -- $pid" || kill -KILL -- "$pid" 2>/dev/null || true
  done
  _tarnix_pids=()
  [ -n "$_tarnix_dir" ] && rm -rf "$_tarnix_dir"
  _tarnix_dir=""
}
