#!/usr/bin/python3
"""What the GNOME portal tests do to their headless desktop, over its session bus.

  gnome_desktop.py seed TOKEN       lets TOKEN (printed) restore a cast of the first monitor, so
                                    that the portal starts it without asking
  gnome_desktop.py seed-window TOKEN APP_ID TITLE
                                    the same for a cast of the window APP_ID titled TITLE
  gnome_desktop.py shell-windows ID APP_ID TITLE
                                    stands in for GNOME Shell's window list (org.gnome.Shell.Introspect),
                                    which the portal reads to offer and restore windows: one window
  gnome_desktop.py pointer CMD...   moves the pointer and presses keys through mutter's own
                                    remote-desktop API, CMD = abs X Y | circle CX CY R STEPS MS |
                                    down | up (the left button) | key CODE (a press and release of
                                    a Linux key code, e.g. 28 Enter, 1 Escape) | sleep MS; with no CMD, says "ready",
                                    reads lines of them from standard input and answers each
                                    with "done" (a client learns of the keyboard only when it
                                    appears: a test keeps this running while its window is up)
  gnome_desktop.py end-casts        ends every running cast from the desktop's side, as GNOME's
                                    screen-sharing indicator does (the portal stops mutter's cast)
"""
import math
import sys
import time

from gi.repository import Gio, GLib

bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)


def call(name, path, interface, method, args=None, reply=None):
    return bus.call_sync(name, path, interface, method, args, GLib.VariantType(reply) if reply else None,
                         Gio.DBusCallFlags.NONE, -1, None)


def first_monitor():
    state = call("org.gnome.Mutter.DisplayConfig", "/org/gnome/Mutter/DisplayConfig",
                 "org.gnome.Mutter.DisplayConfig", "GetCurrentState", None, None).unpack()
    return state[1][0][0]  # (connector, vendor, product, serial)


def seed(token, source_type, source):
    # xdg-desktop-portal keeps restore data in its permission store (table "screencast", the token
    # as id, "yes" for the unsandboxed app ""); xdg-desktop-portal-gnome 43 stores
    # ("GNOME", 1, <(created, last used, [(stream id, 1 = monitor | 2 = window, <source>)])>),
    # a monitor as <"vendor:product:serial">, a window as <(app id, title)>.
    store = ("org.freedesktop.impl.portal.PermissionStore", "/org/freedesktop/impl/portal/PermissionStore",
             "org.freedesktop.impl.portal.PermissionStore")
    now = int(time.time() * 1e6)
    data = GLib.Variant("(suv)", ("GNOME", 1, GLib.Variant("(xxa(uuv))", (now, now, [(0, source_type, source)]))))
    call(*store, "SetPermission", GLib.Variant("(sbssas)", ("screencast", True, token, "", ["yes"])))
    call(*store, "SetValue", GLib.Variant("(sbsv)", ("screencast", True, token, data)))
    print(token)


def seed_monitor(token):
    connector, vendor, product, serial = first_monitor()
    seed(token, 1, GLib.Variant("s", f"{vendor}:{product}:{serial}"))


SHELL_INTROSPECT = """<node><interface name="org.gnome.Shell.Introspect">
  <method name="GetRunningApplications"><arg type="a{sa{sv}}" direction="out"/></method>
  <method name="GetWindows"><arg type="a{ta{sv}}" direction="out"/></method>
  <signal name="RunningApplicationsChanged"/>
  <signal name="WindowsChanged"/>
  <property name="AnimationsEnabled" type="b" access="read"/>
  <property name="ScreenSize" type="(ii)" access="read"/>
  <property name="version" type="u" access="read"/>
</interface></node>"""


def shell_windows(window_id, app_id, title):
    window = {"app-id": GLib.Variant("s", app_id), "title": GLib.Variant("s", title),
              "client-type": GLib.Variant("u", 0), "is-hidden": GLib.Variant("b", False),
              "has-focus": GLib.Variant("b", True)}

    def method(_bus, _sender, _path, _interface, name, _args, invocation):
        if name == "GetWindows":
            invocation.return_value(GLib.Variant("(a{ta{sv}})", ({window_id: window},)))
        else:
            invocation.return_value(GLib.Variant("(a{sa{sv}})", ({},)))

    def prop(_bus, _sender, _path, _interface, name):
        return {"AnimationsEnabled": GLib.Variant("b", False), "ScreenSize": GLib.Variant("(ii)", (0, 0)),
                "version": GLib.Variant("u", 3)}[name]

    interface = Gio.DBusNodeInfo.new_for_xml(SHELL_INTROSPECT).interfaces[0]
    bus.register_object("/org/gnome/Shell/Introspect", interface, method, prop, None)
    Gio.bus_own_name_on_connection(bus, "org.gnome.Shell.Introspect", Gio.BusNameOwnerFlags.NONE, None, None)
    GLib.MainLoop().run()


def pointer(commands):
    rd, sc = "org.gnome.Mutter.RemoteDesktop", "org.gnome.Mutter.ScreenCast"
    session = call(rd, "/org/gnome/Mutter/RemoteDesktop", rd, "CreateSession", None, "(o)").unpack()[0]
    session_id = call(rd, session, "org.freedesktop.DBus.Properties", "Get",
                      GLib.Variant("(ss)", (rd + ".Session", "SessionId"))).unpack()[0]
    # Absolute motion is relative to a stream of a screen cast tied to the remote-desktop session.
    cast = call(sc, "/org/gnome/Mutter/ScreenCast", sc, "CreateSession",
                GLib.Variant("(a{sv})", ({"remote-desktop-session-id": GLib.Variant("s", session_id)},)),
                "(o)").unpack()[0]
    stream = call(sc, cast, sc + ".Session", "RecordMonitor",
                  GLib.Variant("(sa{sv})", (first_monitor()[0], {"cursor-mode": GLib.Variant("u", 0)})),
                  "(o)").unpack()[0]
    call(rd, session, rd + ".Session", "Start")

    def move(x, y):
        call(rd, session, rd + ".Session", "NotifyPointerMotionAbsolute", GLib.Variant("(sdd)", (stream, x, y)))

    def run(commands):
        i = 0
        while i < len(commands):
            what = commands[i]
            if what == "abs":
                move(float(commands[i + 1]), float(commands[i + 2]))
                i += 3
            elif what in ("down", "up"):
                call(rd, session, rd + ".Session", "NotifyPointerButton",
                     GLib.Variant("(ib)", (0x110, what == "down")))  # BTN_LEFT
                i += 1
            elif what == "key":
                for pressed in (True, False):
                    call(rd, session, rd + ".Session", "NotifyKeyboardKeycode",
                         GLib.Variant("(ub)", (int(commands[i + 1]), pressed)))
                i += 2
            elif what == "sleep":
                time.sleep(int(commands[i + 1]) / 1000)
                i += 2
            elif what == "circle":
                cx, cy, r = (float(v) for v in commands[i + 1:i + 4])
                steps, ms = int(commands[i + 4]), int(commands[i + 5])
                for k in range(steps + 1):
                    angle = 2 * math.pi * k / steps
                    move(cx + r * math.cos(angle), cy + r * math.sin(angle))
                    time.sleep(ms / 1000)
                i += 6
            else:
                sys.exit("unknown pointer command " + what)
            if commands_given:
                print("pointer:", what, flush=True)

    commands_given = bool(commands)
    if commands:
        run(commands)
    else:
        # mutter adds the session's keyboard to the seat at its first key: a Shift, so that a
        # client started now already has it.
        run(["key", "42"])
        print("ready", flush=True)
        for line in sys.stdin:
            run(line.split())
            print("done", flush=True)
    call(rd, session, rd + ".Session", "Stop")


def sessions(path):
    xml = call("org.freedesktop.impl.portal.desktop.gnome", path, "org.freedesktop.DBus.Introspectable",
               "Introspect", None, "(s)").unpack()[0]
    info = Gio.DBusNodeInfo.new_for_xml(xml)
    if any(i.name == "org.freedesktop.impl.portal.Session" for i in info.interfaces):
        yield path
    for node in info.nodes:
        yield from sessions(path.rstrip("/") + "/" + node.path)


def end_casts():
    ended = 0
    for path in sessions("/org/freedesktop/portal/desktop/session"):
        call("org.freedesktop.impl.portal.desktop.gnome", path, "org.freedesktop.impl.portal.Session", "Close")
        ended += 1
    print("ended", ended)


if __name__ == "__main__":
    command = sys.argv[1] if len(sys.argv) > 1 else ""
    if command == "seed":
        seed_monitor(sys.argv[2])
    elif command == "seed-window":
        seed(sys.argv[2], 2, GLib.Variant("(ss)", (sys.argv[3], sys.argv[4])))
    elif command == "shell-windows":
        shell_windows(int(sys.argv[2], 0), sys.argv[3], sys.argv[4])
    elif command == "pointer":
        pointer(sys.argv[2:])
    elif command == "end-casts":
        end_casts()
    else:
        sys.exit(__doc__)
