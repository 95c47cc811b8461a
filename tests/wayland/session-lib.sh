# What the desktop scripts of this folder share; sourced, with $base set to the desktop's folder.
# Every program started here is listed in $base/pids ("name pid" lines) for the stop.

wait_for() { # seconds command...
  local tries=$(($1 * 20)); shift
  while ((tries-- > 0)); do "$@" >/dev/null 2>&1 && return 0; sleep 0.05; done
  return 1
}
alive() { local s; s=$(ps -o stat= -p "$1" 2>/dev/null) && [ -n "$s" ] && [ "${s#Z}" = "$s" ]; }
on_bus() {
  gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
    -m org.freedesktop.DBus.NameHasOwner "$1" | grep -q true
}
stop_pid() { # pid: SIGTERM, then SIGKILL after 5 s
  alive "$1" || return 0
  kill "$1" 2>/dev/null || true
  for _ in $(seq 50); do alive "$1" || return 0; sleep 0.1; done
  kill -9 "$1" 2>/dev/null || true
}
stop_listed() { # everything in $base/pids, newest first
  tac "$base/pids" 2>/dev/null | while read -r _ pid; do stop_pid "$pid"; done
  : >"$base/pids"
}
start() { # name command...
  local name=$1; shift
  "$@" >"$base/logs/$name.log" 2>&1 &
  echo "$name $!" >>"$base/pids"
}
# WirePlumber without the hardware monitors a test machine has no use for; under $1 (the
# XDG_CONFIG_HOME the session exports).
quiet_wireplumber_config() {
  mkdir -p "$1/wireplumber/main.lua.d" "$1/wireplumber/bluetooth.lua.d"
  for m in alsa_monitor v4l2_monitor libcamera_monitor; do echo "$m.enabled = false"; done \
    >"$1/wireplumber/main.lua.d/51-tests-disable.lua"
  echo "bluez_monitor.enabled = false" >"$1/wireplumber/bluetooth.lua.d/51-tests-disable.lua"
}
start_bus() {
  start dbus dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --nofork --nopidfile
  wait_for 10 test -S "$XDG_RUNTIME_DIR/bus" || fail "the session bus did not start"
}
start_pipewire() {
  start pipewire pipewire
  wait_for 10 test -S "$XDG_RUNTIME_DIR/pipewire-0" || fail "PipeWire did not start"
  start wireplumber wireplumber
  wait_for 15 sh -c "pw-cli ls Metadata | grep -q 'metadata.name = \"default\"'" || fail "WirePlumber did not start"
}
