#!/usr/bin/python3
"""Answers the GNOME portal's remote-desktop dialog over the accessibility bus, every time it opens.

    answer_consent.py ANSWER_FILE

ANSWER_FILE holds "share" (select the monitor, turn "Allow remote interaction" on, press Share) or
"cancel" (press Cancel); it is read afresh for every dialog, so a test may change its mind between runs.
Prints "ready" once the portal offers remote desktop and the accessibility bus answers, then one line per
dialog answered ("share", "cancel"), and runs until it is ended.
"""

import sys
import time

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

import pyatspi  # noqa: E402

PORTAL_APP = "xdg-desktop-portal-gnome"
POLL_S = 0.1


def states(accessible):
    return accessible.getState()


def has(accessible, state):
    try:
        return states(accessible).contains(state)
    except Exception:
        return False


def find_all(root, predicate):
    found = []
    try:
        children = list(root)
    except Exception:
        return found
    for child in children:
        if child is None:
            continue
        try:
            if predicate(child):
                found.append(child)
        except Exception:
            continue
        found.extend(find_all(child, predicate))
    return found


def do_action(accessible, name):
    action = accessible.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == name:
            return action.doAction(i)
    return False


def button(dialog, label):
    # GTK names a button by its mnemonic and its label: "_Share Share".
    for b in find_all(dialog, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON):
        if label in b.name.replace("_", "").split():
            return b
    return None


def dialogs():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None or app.name != PORTAL_APP:
            continue
        for frame in app:
            if frame is not None and has(frame, pyatspi.STATE_SHOWING) and button(frame, "Share"):
                yield frame


def wait_until(condition, timeout_s=5.0):
    deadline = time.monotonic() + timeout_s
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.05)
    return False


def share(dialog):
    # The first monitor, unless one is selected already.
    monitors = find_all(dialog, lambda a: a.getRole() == pyatspi.ROLE_LIST)
    if monitors:
        items = [c for c in monitors[0] if c is not None and c.getRole() == pyatspi.ROLE_LIST_ITEM]
        if items and not any(has(i, pyatspi.STATE_SELECTED) for i in items):
            monitors[0].querySelection().selectChild(0)
    for switch in find_all(dialog, lambda a: a.getRole() in (pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_TOGGLE_BUTTON)):
        if not has(switch, pyatspi.STATE_CHECKED):
            do_action(switch, "toggle")
            wait_until(lambda: has(switch, pyatspi.STATE_CHECKED))
    ok = button(dialog, "Share")
    wait_until(lambda: has(ok, pyatspi.STATE_SENSITIVE))
    do_action(ok, "click")


def cancel(dialog):
    do_action(button(dialog, "Cancel"), "click")


def wait_for_portal(timeout_s=20.0):
    # Asking for the interface's version starts the portal, and with it the desktop's back end, whose
    # dialogs come later.
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    deadline = time.monotonic() + timeout_s
    while True:
        try:
            bus.call_sync("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                          "org.freedesktop.DBus.Properties", "Get",
                          GLib.Variant("(ss)", ("org.freedesktop.portal.RemoteDesktop", "version")),
                          None, Gio.DBusCallFlags.NONE, 5000, None)
            return
        except GLib.Error:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.2)


def main():
    answer_file = sys.argv[1]
    wait_for_portal()
    pyatspi.Registry.getDesktop(0).childCount
    print("ready", flush=True)
    while True:
        for dialog in dialogs():
            with open(answer_file) as f:
                answer = f.read().strip()
            try:
                share(dialog) if answer == "share" else cancel(dialog)
            except Exception as error:  # the dialog went away under us: look again
                print("error", error, flush=True)
                continue
            print(answer, flush=True)
            wait_until(lambda: not has(dialog, pyatspi.STATE_SHOWING), 5.0)
        time.sleep(POLL_S)


if __name__ == "__main__":
    main()
