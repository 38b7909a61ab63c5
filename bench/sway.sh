# Helpers of the Wayland cases of the benchmarks, sourced by bench/run and bench/sway_pacing: a private
# headless sway and the Wayland recorder window (tests/support/WaylandRecorder.cpp) on it.

# start_sway DIR: sway with one output, HEADLESS-1 of 1280×1024 at 0,0, its files in DIR; sets sway_pid and
# sway_socket (a value for WAYLAND_DISPLAY). Sway will not run as root: then it runs as nobody, and every
# folder above DIR must let nobody through.
start_sway() {
    local dir=$1 i
    mkdir -p "$dir/runtime" "$dir/client-runtime"
    chmod 755 "$dir"
    chmod 700 "$dir/runtime" "$dir/client-runtime"
    printf 'output HEADLESS-1 mode 1280x1024 position 0 0\nxwayland disable\ndefault_border none\nfocus_follows_mouse no\n' \
        >"$dir/config"
    local as_user=()
    if [ "$(id -u)" -eq 0 ]; then
        chown nobody:nogroup "$dir/runtime"
        as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    fi
    env -u WAYLAND_DISPLAY -u DISPLAY XDG_RUNTIME_DIR="$dir/runtime" WLR_BACKENDS=headless \
        WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman "${as_user[@]}" sway -c "$dir/config" \
        >"$dir/sway.log" 2>&1 &
    sway_pid=$!
    sway_socket=""
    for i in $(seq 150); do
        sway_socket=$(find "$dir/runtime" -maxdepth 1 -type s -name 'wayland-*' | head -n1)
        [ -n "$sway_socket" ] && return 0
        sleep 0.1
    done
    cat "$dir/sway.log" >&2
    echo "bench: sway did not start" >&2
    return 1
}

sway_pid=""
wrec_pid=""

stop_sway() {
    [ -n "$sway_pid" ] || return 0
    kill "$sway_pid" 2>/dev/null || true
    wait "$sway_pid" 2>/dev/null || true
}

# start_wayland_recorder DIR OUT: the recorder on sway, every event line into OUT; waits for its windows;
# sets wrec_pid. The same priority as the X11 recorder (the realtime array of the caller, if any).
start_wayland_recorder() {
    local dir=$1 out=$2 i
    : >"$out"
    env -u DISPLAY XDG_RUNTIME_DIR="$dir/client-runtime" WAYLAND_DISPLAY="$sway_socket" QT_QPA_PLATFORM=wayland \
        "${realtime[@]}" "$WAYLAND_RECORDER" >"$out" 2>"$out.err" &
    wrec_pid=$!
    for i in $(seq 200); do
        grep -q '^ready' "$out" && return 0
        kill -0 "$wrec_pid" 2>/dev/null || break
        sleep 0.05
    done
    cat "$out.err" >&2
    echo "bench: the Wayland recorder did not come up" >&2
    return 1
}

# stop_wayland_recorder: true when it was still running, that is, sway had not cut it off.
stop_wayland_recorder() {
    [ -n "$wrec_pid" ] || return 0
    local alive=1
    kill -0 "$wrec_pid" 2>/dev/null || alive=0
    kill "$wrec_pid" 2>/dev/null || true
    wait "$wrec_pid" 2>/dev/null || true
    [ $alive -eq 1 ]
}

# wait_wayland_events OUT N MS: until OUT holds N press/release lines, or none came for MS ms.
wait_wayland_events() {
    local out=$1 want=$2 quiet_ms=$3 have last=-1 still=0
    while :; do
        have=$(grep -c '^\(press\|release\) ' "$out" || true)
        [ "$have" -ge "$want" ] && return 0
        if [ "$have" -eq "$last" ]; then
            still=$((still + 50))
            [ "$still" -ge "$quiet_ms" ] && return 0
        else
            still=0
            last=$have
        fi
        sleep 0.05
    done
}

# wayland_throughput OUT PREFIX: PREFIX_presses, PREFIX_releases, PREFIX_clicks_per_s (from the first press to
# the last release, as the X11 recorder counts).
wayland_throughput() {
    local line
    line=$(awk '$1 == "press" { p++; if (first == "") first = $5 }
                $1 == "release" { r++; last = $5 }
                END { s = (first != "" && last > first) ? (last - first) / 1e9 : 0
                      n = p < r ? p : r
                      printf "%d %d %.0f", p, r, (s > 0 ? n / s : 0) }' "$1")
    read -r "${2}_presses" "${2}_releases" "${2}_clicks_per_s" <<<"$line"
}

# wayland_lateness OUT MS PREFIX: each press against the previous release plus MS, as the X11 recorder
# measures it; PREFIX_intervals, _out_of_order, _median_ms, _p99_ms, _max_ms.
wayland_lateness() {
    local out=$1 delay=$2 late
    late=$(mktemp)
    awk -v d="$delay" -v oo="$late.oo" '
        $1 == "press" { if (down) bad++; else if (lr != "") printf "%.6f\n", ($5 - lr) / 1e6 - d; down = 1 }
        $1 == "release" { if (!down) bad++; down = 0; lr = $5 }
        END { print bad + 0 > oo }' "$out" | sort -g >"$late"
    local n
    n=$(wc -l <"$late")
    printf -v "${3}_intervals" '%s' "$n"
    printf -v "${3}_out_of_order" '%s' "$(cat "$late.oo")"
    # Nearest rank.
    rank() { awk -v n="$n" -v p="$1" 'BEGIN { r = int(p * n); if (r < p * n) r++; if (r < 1) r = 1; print r }'; }
    printf -v "${3}_median_ms" '%s' "$(sed -n "$(rank 0.5)p" "$late")"
    printf -v "${3}_p99_ms" '%s' "$(sed -n "$(rank 0.99)p" "$late")"
    printf -v "${3}_max_ms" '%s' "$(tail -n1 "$late")"
    rm -f "$late" "$late.oo"
}
