#!/usr/bin/env bash
# Builds the Debian package from the default build (cpack -G DEB, into build/package) and checks
# it: lintian, its dependencies resolved against the archive as on a machine with no packages
# (a simulated install), the menu entries and the AppStream file, and the programs run from an
# unpacked copy, the panel off screen: it starts, makes and reads its settings, and quits. The
# machine's own packages stay as they were.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh

velnor_install_missing "${VELNOR_PACKAGING_PACKAGES[@]}"
velnor_build default

out=$PWD/build/package
rm -rf "$out"
echo "== package"
(cd build/default && cpack -G DEB -B "$out" >/dev/null)
debs=("$out"/velnor_*.deb)
deb=${debs[0]}
dpkg-deb --field "$deb" Package Version Architecture Depends
dpkg-deb --contents "$deb" | awk '$6 !~ /\/$/ {print $1, $6}'

echo "== lintian"
lintian --fail-on error --display-level '>=warning' "$deb"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

echo "== dependencies, resolved as on a machine with no packages at all"
if ! apt-cache show qt6-qpa-plugins >/dev/null 2>&1; then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
fi
: >"$tmp/status"
apt-get install --simulate --quiet --quiet -o Dir::State::Status="$tmp/status" "$deb" \
    </dev/null >"$tmp/resolved"
echo "$(grep -c '^Inst ' "$tmp/resolved") packages, among them:"
grep -E '^Inst (velnor|qt6-qpa-plugins|fonts-wine|fonts-liberation|libqt6serialport6) ' \
    "$tmp/resolved"

echo "== menu entries"
dpkg-deb -x "$deb" "$tmp/root"
root=$tmp/root/usr
desktop-file-validate "$root"/share/applications/*.desktop
appstreamcli validate --no-net "$root"/share/metainfo/*.metainfo.xml
for entry in "$root"/share/applications/*.desktop; do
    program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    if [ ! -x "$root/bin/$program" ]; then
        echo "$entry starts $program, which the package does not hold" >&2
        exit 1
    fi
done

echo "== the unpacked programs"
for program in velnor velnor-emulator velnor-cli; do
    env -u DISPLAY -u WAYLAND_DISPLAY "$root/bin/$program" --version
done
config=$tmp/config
env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME="$config" "$root/bin/velnor" --check
cmp "$config/velnor/velnor.ini" "$root/share/velnor/velnor.ini"
echo "Package checked: $deb"
