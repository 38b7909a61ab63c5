#!/bin/sh
# A headless GNOME session: run inside its session bus (dbus-run-session), as the account it belongs to,
# with XDG_RUNTIME_DIR, XDG_CURRENT_DESKTOP=GNOME and WAYLAND_DISPLAY (a socket name) already set, since
# the portal's GNOME back end leaves at once without them.
#   gnome_session.sh DIR WATCHED_PID
# DIR holds answer_consent.py and its answer file; the logs and the bus address (DIR/bus) go there too.
# The session ends with the process WATCHED_PID, however that ends.
cd "$1" || exit 1
mutter --headless --wayland --no-x11 --virtual-monitor 1280x1024 --wayland-display "$WAYLAND_DISPLAY" \
    >mutter.log 2>&1 &
mutter=$!
i=0
while [ ! -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ]; do
    i=$((i + 1))
    if [ $i -gt 400 ] || ! kill -0 $mutter 2>/dev/null; then
        echo "mutter did not start" >answerer.err
        exit 1
    fi
    sleep 0.05
done
pipewire >pipewire.log 2>&1 &
wireplumber >wireplumber.log 2>&1 &
echo "$DBUS_SESSION_BUS_ADDRESS" >bus
/usr/bin/python3 answer_consent.py answer >answers.log 2>answerer.err &
while [ -d "/proc/$2" ]; do sleep 0.5; done
kill 0
