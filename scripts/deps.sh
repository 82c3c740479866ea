# Sourced by the other scripts: installs the Debian packages Velnor needs, only those missing,
# through sudo when not run as root.

VELNOR_PACKAGES=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-serialport-dev libgl-dev
    fonts-wine fonts-liberation
    # The validators of the menu entries and the AppStream file, which the tests run: without
    # them that test fails rather than pass unchecked.
    desktop-file-utils appstream
)
# Only scripts/package.sh installs these: what builds the Debian package and checks it.
VELNOR_PACKAGING_PACKAGES=(
    dpkg-dev file lintian
)

velnor_install_missing() {
    local missing=() pkg
    for pkg in "${VELNOR_PACKAGES[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "Need root or sudo to install ${missing[*]}" >&2; return 1; }
        sudo=(sudo)
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" </dev/null
}

# velnor_build PRESET [TARGET...]: configures and builds the targets named, everything when none.
velnor_build() {
    local preset=$1 targets=()
    shift
    [ $# -gt 0 ] && targets=(--target "$@")
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$(nproc)" "${targets[@]}"
}
