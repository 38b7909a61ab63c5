# Helpers of the portal benchmarks on KDE Plasma, sourced by bench/portal_run --desktop kde: a private
# headless kwin (one virtual output of 1280×1024) with pipewire, the KDE half of the desktop portal and the
# portal's front end, on a session bus of their own. bench/gnome.sh offers the same functions for GNOME.
#
# desktop_missing       prints what is missing ("kwin_wayland is not installed"), nothing when all is there
# start_desktop DIR     starts the desktop, its files in DIR, and waits until its portal offers remote
#                       control; sets (exports nothing):
#     desktop_wayland_display   the compositor's socket, a value for WAYLAND_DISPLAY (an absolute path)
#     desktop_bus_address       its session bus, a value for DBUS_SESSION_BUS_ADDRESS
#     desktop_client_runtime    a private runtime folder of the caller's own, a value for XDG_RUNTIME_DIR
#     desktop_label             the desktop's name for the table ("KDE Plasma 5.27")
# stop_desktop          ends everything start_desktop started
# desktop_variants      the ways the timing case runs this desktop, each a value for desktop_variant, which
#                       start_desktop reads: "opengl" is kwin as it starts by itself, compositing with OpenGL,
#                       here on llvmpipe since the machine has no GPU; "qpainter" is kwin compositing with
#                       QPainter (KWIN_COMPOSE=Q). On llvmpipe every pointer move has kwin redraw the output on
#                       the processor, and kwin takes no input until the frame is done: a press that comes
#                       meanwhile waits for it. The two side by side show how much of the lateness that is.
#
# As root, kwin, the bus, pipewire and the KDE portal run as nobody (every folder above DIR must let nobody
# through); the portal's front end runs as the caller, since it looks at each caller's process and may not
# look at another user's. kwin runs from a plain copy of the installed binary, which carries a file
# capability that a container may refuse to grant.

desktop_pids=()
desktop_variants=(opengl qpainter)

_kde_service_exec() { # the program a D-Bus service file starts
    sed -n 's/^Exec=\([^ ]*\).*/\1/p' "/usr/share/dbus-1/services/$1.service" 2>/dev/null
}

desktop_missing() {
    local exe
    command -v kwin_wayland >/dev/null || { echo "kwin_wayland is not installed"; return; }
    exe=$(_kde_service_exec org.freedesktop.impl.portal.desktop.kde)
    [ -n "$exe" ] && [ -x "$exe" ] || { echo "xdg-desktop-portal-kde is not installed"; return; }
    exe=$(_kde_service_exec org.freedesktop.portal.Desktop)
    [ -n "$exe" ] && [ -x "$exe" ] || { echo "xdg-desktop-portal is not installed"; return; }
    command -v pipewire >/dev/null || { echo "pipewire is not installed"; return; }
    ls /usr/lib/*/qt5/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 ||
        { echo "qtwayland5 (the KDE portal's Wayland platform) is not installed"; return; }
    command -v dbus-daemon >/dev/null && command -v dbus-send >/dev/null || echo "dbus-daemon is not installed"
}

_kde_bus_has() { # _kde_bus_has NAME
    dbus-send --bus="$desktop_bus_address" --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q true
}

_kde_portal_answers() {
    dbus-send --bus="$desktop_bus_address" --print-reply --dest=org.freedesktop.portal.Desktop \
        /org/freedesktop/portal/desktop org.freedesktop.DBus.Properties.Get \
        string:org.freedesktop.portal.RemoteDesktop string:version 2>/dev/null | grep -q uint32
}

# _kde_wait WHAT PID TEST...: until TEST succeeds (20 s at most), or the process ends.
_kde_wait() {
    local what=$1 pid=$2 i
    shift 2
    for i in $(seq 400); do
        "$@" && return 0
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    echo "bench: $what did not come up" >&2
    tail -n 5 "$_kde_dir"/*.log >&2 || true
    return 1
}

start_desktop() {
    local dir=$1 f
    _kde_dir=$dir
    local runtime=$dir/runtime home=$dir/home
    desktop_client_runtime=$dir/client-runtime
    mkdir -p "$runtime" "$home" "$desktop_client_runtime" "$dir/portals" "$dir/services"
    chmod 755 "$dir"
    chmod 700 "$runtime" "$home" "$desktop_client_runtime"
    cp /usr/share/xdg-desktop-portal/portals/kde.portal "$dir/portals/"
    # The bus may start the system's services, but not the portals: the desktop starts those itself.
    for f in /usr/share/dbus-1/services/*.service; do
        case ${f##*/} in
            org.freedesktop.portal.Desktop.* | org.freedesktop.impl.portal.desktop.*) ;;
            *) cp "$f" "$dir/services/" ;;
        esac
    done
    cp "$(command -v kwin_wayland)" "$dir/kwin_wayland"
    chmod 755 "$dir/kwin_wayland"
    desktop_label="KDE Plasma $("$dir/kwin_wayland" --version 2>/dev/null | awk '{ print $2 }')"
    local compose=()
    if [ "${desktop_variant:-opengl}" = qpainter ]; then
        compose=(KWIN_COMPOSE=Q)
        desktop_label+=", QPainter compositing"
    else
        desktop_label+=", OpenGL compositing on llvmpipe"
    fi
    cat >"$dir/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$runtime/bus</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$dir/services</servicedir>
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
    local as_user=()
    if [ "$(id -u)" -eq 0 ]; then
        chown nobody:nogroup "$runtime" "$home"
        as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    fi
    desktop_bus_address=unix:path=$runtime/bus
    desktop_wayland_display=$runtime/wayland-0
    local base=(env -i PATH="$PATH" HOME="$home" LANG=C.UTF-8 XDG_RUNTIME_DIR="$runtime" XDG_CURRENT_DESKTOP=KDE
                XDG_SESSION_TYPE=wayland XDG_DESKTOP_PORTAL_DIR="$dir/portals")
    local pid

    "${as_user[@]}" "${base[@]}" WAYLAND_DISPLAY=wayland-0 QT_QPA_PLATFORM=wayland \
        dbus-daemon --config-file="$dir/bus.conf" --nofork >"$dir/dbus.log" 2>&1 &
    pid=$!
    desktop_pids+=("$pid")
    _kde_wait dbus-daemon "$pid" test -S "$runtime/bus" || return 1

    "${as_user[@]}" "${base[@]}" DBUS_SESSION_BUS_ADDRESS="$desktop_bus_address" ${compose[@]+"${compose[@]}"} \
        "$dir/kwin_wayland" --virtual \
        --width 1280 --height 1024 --no-lockscreen --socket wayland-0 >"$dir/kwin.log" 2>&1 &
    pid=$!
    desktop_pids+=("$pid")
    _kde_wait kwin_wayland "$pid" _kde_bus_has org.kde.KWin || return 1

    "${as_user[@]}" "${base[@]}" DBUS_SESSION_BUS_ADDRESS="$desktop_bus_address" pipewire >"$dir/pipewire.log" 2>&1 &
    pid=$!
    desktop_pids+=("$pid")
    _kde_wait pipewire "$pid" test -S "$runtime/pipewire-0" || return 1

    "${as_user[@]}" "${base[@]}" DBUS_SESSION_BUS_ADDRESS="$desktop_bus_address" WAYLAND_DISPLAY=wayland-0 \
        QT_QPA_PLATFORM=wayland "$(_kde_service_exec org.freedesktop.impl.portal.desktop.kde)" \
        >"$dir/portal-kde.log" 2>&1 &
    pid=$!
    desktop_pids+=("$pid")
    _kde_wait xdg-desktop-portal-kde "$pid" _kde_bus_has org.freedesktop.impl.portal.desktop.kde || return 1

    env -i PATH="$PATH" HOME="$desktop_client_runtime" LANG=C.UTF-8 XDG_RUNTIME_DIR="$desktop_client_runtime" \
        XDG_CURRENT_DESKTOP=KDE XDG_SESSION_TYPE=wayland XDG_DESKTOP_PORTAL_DIR="$dir/portals" \
        WAYLAND_DISPLAY="$desktop_wayland_display" DBUS_SESSION_BUS_ADDRESS="$desktop_bus_address" \
        "$(_kde_service_exec org.freedesktop.portal.Desktop)" >"$dir/portal.log" 2>&1 &
    pid=$!
    desktop_pids+=("$pid")
    _kde_wait xdg-desktop-portal "$pid" _kde_portal_answers
}

stop_desktop() {
    local i
    for ((i = ${#desktop_pids[@]} - 1; i >= 0; i--)); do
        kill "${desktop_pids[i]}" 2>/dev/null || true
        wait "${desktop_pids[i]}" 2>/dev/null || true
    done
    desktop_pids=()
}
