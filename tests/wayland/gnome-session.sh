#!/usr/bin/env bash
# A private headless GNOME desktop for the portal tests: a session bus, PipeWire with WirePlumber,
# mutter on its headless backend with a virtual monitor (software rendering, no GPU), and the
# ScreenCast portal (xdg-desktop-portal with its GNOME backend).
#
#   gnome-session.sh up BASE SHIM   starts it; writes BASE/env (KEY=VALUE lines for clients)
#   gnome-session.sh down BASE      stops what `up` started, and the helpers D-Bus started for it
#
# TARNIX_GNOME_OUTPUT sets the virtual monitor's size (default 1280x720).
# GNOME's chooser dialog must never open here: closing a session while it is open crashes
# xdg-desktop-portal-gnome 43. `up` therefore seeds restore tokens for the monitor and for the
# known window (BASE/display-token, BASE/window-token); the tests put them in Tarnix's settings.
# Windows: the portal takes the list of windows from GNOME Shell, which does not run here; a
# stand-in (gnome_desktop.py shell-windows) lists the known window under the id mutter gives its
# first window, which SHIM (mutter_window_ids_shim.c, preloaded into mutter) makes predictable.
# The known window must therefore be the first window opened on this desktop.
set -eu
cmd=$1 base=$2
known_window_id=0x10000001
known_window_app=tarnix-known-window
known_window_title="Tarnix known window"
here=$(cd "$(dirname "$0")" && pwd)

# shellcheck source=tests/wayland/session-lib.sh
. "$here/session-lib.sh"
# D-Bus starts helpers of its own (permission store, document portal, the GTK portal); they
# outlive the bus, so they are found by the runtime folder in their environment.
activated() {
  local p
  for p in /proc/[0-9]*; do
    p=${p#/proc/}
    [ "$p" = $$ ] && continue
    if { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qx "XDG_RUNTIME_DIR=$base/run"; then echo "$p"; fi
  done
}
fail() { echo "gnome-session: $*" >&2; exit 1; }

if [ "$cmd" = down ]; then
  helpers=$(activated) # while the bus still runs
  stop_listed
  for pid in $helpers $(activated); do stop_pid "$pid"; done
  mountpoint -q "$base/run/doc" 2>/dev/null && umount -l "$base/run/doc"
  exit 0
fi

shim=$3
[ -f "$shim" ] || fail "no window-id shim at $shim"
for tool in mutter pipewire wireplumber /usr/libexec/xdg-desktop-portal /usr/libexec/xdg-desktop-portal-gnome \
    gdbus pw-cli /usr/bin/python3; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/deps installs it)"
done
/usr/bin/python3 -c 'import gi' 2>/dev/null || fail "python3-gi is not installed (scripts/deps installs it)"

mountpoint -q "$base/run/doc" 2>/dev/null && umount -l "$base/run/doc"
rm -rf "$base/run" "$base/home"
mkdir -p "$base/logs" "$base/home"
mkdir -m 0700 "$base/run"
: >"$base/pids"
quiet_wireplumber_config "$base/cfg"

cat >"$base/env" <<ENV
XDG_RUNTIME_DIR=$base/run
HOME=$base/home
XDG_CONFIG_HOME=$base/cfg
DBUS_SESSION_BUS_ADDRESS=unix:path=$base/run/bus
XDG_CURRENT_DESKTOP=GNOME
XDG_SESSION_TYPE=wayland
WAYLAND_DISPLAY=wayland-0
GTK_A11Y=none
NO_AT_BRIDGE=1
ENV
# Exported before the bus starts: the services it activates inherit them.
set -a; . "$base/env"; set +a
unset DISPLAY PULSE_SERVER

start_bus
start_pipewire
start mutter env LD_PRELOAD="$shim" mutter --headless --wayland --no-x11 --wayland-display=wayland-0 \
  --virtual-monitor "${TARNIX_GNOME_OUTPUT:-1280x720}"
wait_for 20 test -S "$base/run/wayland-0" || fail "mutter did not start: $(tail -n 3 "$base/logs/mutter.log")"
wait_for 15 on_bus org.gnome.Mutter.ScreenCast || fail "mutter offers no screen casts (see $base/logs/mutter.log)"
# Before the portal's backend, which looks for the shell when it starts.
start shell /usr/bin/python3 "$here/gnome_desktop.py" shell-windows $known_window_id $known_window_app \
  "$known_window_title"
wait_for 15 on_bus org.gnome.Shell.Introspect || fail "the stand-in for GNOME Shell's window list did not start"
start xdpg /usr/libexec/xdg-desktop-portal-gnome
wait_for 15 on_bus org.freedesktop.impl.portal.desktop.gnome || fail "xdg-desktop-portal-gnome did not start"
start xdp /usr/libexec/xdg-desktop-portal -v
wait_for 15 on_bus org.freedesktop.portal.Desktop || fail "xdg-desktop-portal did not start"
/usr/bin/python3 "$here/gnome_desktop.py" seed 00000000-0000-4000-8000-000000000001 \
  >"$base/display-token" 2>"$base/logs/seed.log" &&
  /usr/bin/python3 "$here/gnome_desktop.py" seed-window 00000000-0000-4000-8000-000000000002 \
    $known_window_app "$known_window_title" >"$base/window-token" 2>>"$base/logs/seed.log" ||
  fail "couldn't seed the restore tokens: $(cat "$base/logs/seed.log")"
echo "gnome-session: up"
