# Shared by tools/start and tools/test: installs what is missing and builds.

# What each purpose needs from Debian, so that starting the program installs no test tools.
PACKAGES_BUILD=(g++ cmake make pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libx11-dev libxtst-dev
                libxi-dev fonts-dejavu-core libwayland-dev libwayland-bin wayland-protocols qt6-wayland)
# The private X servers, headless sway and peers of the suites, a window manager and a tray host for the
# window's suite, the private session buses of the control and portal suites, the checks of the installed
# files, clang for the fuzzer, and headless desktops with their portals: KDE Plasma (kwin, the portal's
# front end and KDE half, pipewire for the screen casts that its remote control starts, Qt 5's Wayland
# platform for the KDE portal) and GNOME, whose consent dialog the GNOME suite answers over the
# accessibility bus (python3-pyatspi brings at-spi2-core and the GObject bindings).
PACKAGES_TEST=(xvfb xdotool x11-utils openbox trayer desktop-file-utils libxml2-utils shared-mime-info
               clang-14 libclang-rt-14-dev sway qt6-wayland dbus-daemon
               kwin-wayland xdg-desktop-portal xdg-desktop-portal-kde pipewire qtwayland5
               mutter xdg-desktop-portal-gnome wireplumber python3-pyatspi)
PACKAGES_PACKAGE=(dpkg-dev desktop-file-utils libxml2-utils shared-mime-info)

# ensure_packages PURPOSE... (build, test, package): installs what those purposes need and is missing.
ensure_packages() {
    local wanted=() missing=() p purpose
    for purpose in "$@"; do
        case $purpose in
            build) wanted+=("${PACKAGES_BUILD[@]}") ;;
            test) wanted+=("${PACKAGES_TEST[@]}") ;;
            package) wanted+=("${PACKAGES_PACKAGE[@]}") ;;
            *) echo "ensure_packages: unknown purpose $purpose" >&2; return 2 ;;
        esac
    done
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build DIR [cmake options...]
build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}
