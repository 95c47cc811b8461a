#!/usr/bin/env bash
# A private headless Wayland desktop for the portal tests: a session bus, sway on wlroots'
# headless backend (pixman, no input devices), PipeWire with WirePlumber, and the ScreenCast
# portal (xdg-desktop-portal with its wlroots backend).
#
#   wayland-session.sh up BASE SHIM   starts it; writes BASE/env (KEY=VALUE lines for clients)
#   wayland-session.sh down BASE      stops what `up` started, by PID, newest first
#
# TARNIX_WAYLAND_OUTPUT sets the output's size (default 1280x720), TARNIX_WAYLAND_MAX_FPS the
# portal's frame rate cap (default 30).
# The portal's output chooser is BASE/chooser: it appends a line to BASE/chooser.log at each
# question and answers with the headless output, or declines while BASE/decline exists.
# Traps of this machine: sway refuses to run as root (it runs as nobody, with its own runtime
# folder), and without a DRM render node xdg-desktop-portal-wlr 0.7 needs SHIM preloaded
# (it then accepts shared-memory screencopy buffers).
set -eu
cmd=$1 base=$2
sway_uid=65534
# shellcheck source=tests/wayland/session-lib.sh
. "$(dirname "$0")/session-lib.sh"
fail() { echo "wayland-session: $*" >&2; exit 1; }

if [ "$cmd" = down ]; then
  stop_listed
  exit 0
fi

shim=$3
for tool in sway pipewire wireplumber /usr/libexec/xdg-desktop-portal /usr/libexec/xdg-desktop-portal-wlr setpriv gdbus; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/deps installs it)"
done
[ -f "$shim" ] || fail "no screencopy shim at $shim"

rm -rf "$base/run" "$base/run-sway" "$base/cfg"
mkdir -p "$base/logs" "$base/cfg/sway" "$base/cfg/xdg-desktop-portal-wlr"
mkdir -m 0700 "$base/run" "$base/run-sway"
chown "$sway_uid:$sway_uid" "$base/run-sway"
setpriv --reuid=$sway_uid --regid=$sway_uid --clear-groups test -w "$base/run-sway" ||
  fail "sway's user ($sway_uid) can't reach $base/run-sway: every folder above it must be searchable"
: >"$base/pids"
: >"$base/chooser.log"

printf 'xwayland disable\noutput HEADLESS-1 mode %s position 0,0\ndefault_border none\n' \
  "${TARNIX_WAYLAND_OUTPUT:-1280x720}" \
  >"$base/cfg/sway/config"
cat >"$base/chooser" <<CHOOSER
#!/bin/sh
echo asked >>"$base/chooser.log"
[ -e "$base/decline" ] || echo HEADLESS-1
CHOOSER
chmod +x "$base/chooser"
printf '[screencast]\nchooser_type=simple\nchooser_cmd=%s\nmax_fps=%s\n' "$base/chooser" \
  "${TARNIX_WAYLAND_MAX_FPS:-30}" \
  >"$base/cfg/xdg-desktop-portal-wlr/config"
quiet_wireplumber_config "$base/cfg"

cat >"$base/env" <<ENV
XDG_RUNTIME_DIR=$base/run
XDG_CONFIG_HOME=$base/cfg
DBUS_SESSION_BUS_ADDRESS=unix:path=$base/run/bus
XDG_CURRENT_DESKTOP=sway
XDG_SESSION_TYPE=wayland
WAYLAND_DISPLAY=$base/run-sway/wayland-1
SWAYSOCK=$base/run-sway/ipc.sock
ENV
set -a; . "$base/env"; set +a
unset DISPLAY PULSE_SERVER

start_bus
# An empty SWAYSOCK makes sway open no IPC socket at all, so it is always set.
start sway env -u DBUS_SESSION_BUS_ADDRESS -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$base/run-sway" HOME="$base" \
  WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
  setpriv --reuid=$sway_uid --regid=$sway_uid --clear-groups sway -c "$base/cfg/sway/config"
wait_for 15 test -S "$WAYLAND_DISPLAY" || fail "sway did not start (see $base/logs/sway.log)"
wait_for 10 sh -c 'swaymsg -t get_outputs | grep -q HEADLESS-1' || fail "sway has no output"
start_pipewire
# The backend first: started by D-Bus activation it would miss the shim.
start xdpw env LD_PRELOAD="$shim" /usr/libexec/xdg-desktop-portal-wlr -l INFO \
  -c "$base/cfg/xdg-desktop-portal-wlr/config"
wait_for 15 on_bus org.freedesktop.impl.portal.desktop.wlr || fail "xdg-desktop-portal-wlr did not start"
start xdp /usr/libexec/xdg-desktop-portal -v
wait_for 15 on_bus org.freedesktop.portal.Desktop || fail "xdg-desktop-portal did not start"
echo "wayland-session: up"
