# A private headless GNOME for the portal cases of the benchmarks, sourced by bench/portal_run: mutter with
# one 1280×1024 virtual monitor, pipewire, the desktop portal and its GNOME back end on a session bus of
# their own, and tests/support/answer_consent.py pressing Share in every consent dialog (over the
# accessibility bus).

# start_desktop DIR: starts it with its files in DIR and exports what a client needs (WAYLAND_DISPLAY,
# XDG_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS, XDG_CURRENT_DESKTOP, XDG_SESSION_TYPE, HOME). As root it runs as
# nobody, whose bus lets in no one else and whose portal answers only callers it may inspect: then every
# client runs as nobody too, through the command prefix in the array desktop_as (empty otherwise), and the
# files clients open must be readable by desktop_user. Every folder above DIR must let nobody through.
start_desktop() {
    local dir=$1 support i
    support="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/tests/support"
    mkdir -p "$dir/runtime" "$dir/home"
    chmod 755 "$dir" "$dir/home"
    chmod 700 "$dir/runtime"
    cp "$support/gnome_session.sh" "$support/answer_consent.py" "$dir/"
    echo share >"$dir/answer"
    chmod 644 "$dir/answer" "$dir/answer_consent.py"
    chmod 755 "$dir/gnome_session.sh"
    desktop_as=()
    desktop_user=$(id -un)
    if [ "$(id -u)" -eq 0 ]; then
        desktop_user=nobody
        chown -R nobody:nogroup "$dir"
        desktop_as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    fi
    export XDG_RUNTIME_DIR="$dir/runtime" XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland \
        WAYLAND_DISPLAY=wayland-0 HOME="$dir/home"
    unset DISPLAY DBUS_SESSION_BUS_ADDRESS
    setsid "${desktop_as[@]}" dbus-run-session -- "$dir/gnome_session.sh" "$dir" $$ >"$dir/session.log" 2>&1 &
    desktop_pid=$!
    for i in $(seq 300); do
        if grep -q '^ready' "$dir/answers.log" 2>/dev/null; then
            export DBUS_SESSION_BUS_ADDRESS
            DBUS_SESSION_BUS_ADDRESS=$(cat "$dir/bus")
            # What bench/portal_run reads, as bench/kde.sh sets it; the program runs as the desktop's
            # account, in its runtime folder.
            desktop_wayland_display="$dir/runtime/wayland-0"
            desktop_bus_address=$DBUS_SESSION_BUS_ADDRESS
            desktop_client_runtime="$dir/client-runtime"
            mkdir -p "$desktop_client_runtime"
            chmod 700 "$desktop_client_runtime"
            desktop_label="GNOME $(mutter --version 2>/dev/null | awk 'NR == 1 { print $2 }')"
            desktop_as=(env XDG_RUNTIME_DIR="$dir/runtime" HOME="$dir/home" "${desktop_as[@]}")
            return 0
        fi
        kill -0 "$desktop_pid" 2>/dev/null || break
        sleep 0.1
    done
    cat "$dir/session.log" "$dir/answerer.err" "$dir/mutter.log" >&2 2>/dev/null
    echo "bench: GNOME did not start" >&2
    return 1
}

desktop_pid=""
desktop_as=()
desktop_user=""

# desktop_missing: what is missing for a GNOME, nothing when all is there.
desktop_missing() {
    command -v mutter >/dev/null || { echo "mutter is not installed"; return; }
    [ -x /usr/libexec/xdg-desktop-portal-gnome ] || { echo "xdg-desktop-portal-gnome is not installed"; return; }
    command -v pipewire >/dev/null || { echo "pipewire is not installed"; return; }
    /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "python3-pyatspi is not installed"; return; }
}

# stop_desktop: ends the session and every service its bus started (one process group).
stop_desktop() {
    [ -n "$desktop_pid" ] || return 0
    kill -TERM -- "-$desktop_pid" 2>/dev/null || true
    wait "$desktop_pid" 2>/dev/null || true
    kill -KILL -- "-$desktop_pid" 2>/dev/null || true
    desktop_pid=""
}
