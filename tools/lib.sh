# Shared by tools/start and tools/test: installs what is missing and builds.

VANTRELL_PACKAGES=(g++ cmake make pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libx11-dev libxtst-dev
                   libxi-dev xvfb xdotool x11-utils fonts-dejavu-core desktop-file-utils
                   libxml2-utils shared-mime-info clang-14 libclang-rt-14-dev dpkg-dev)

ensure_packages() {
    local missing=() p
    for p in "${VANTRELL_PACKAGES[@]}"; do
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
