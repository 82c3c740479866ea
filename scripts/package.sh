#!/usr/bin/env bash
# Builds the Debian package from the default build (cpack -G DEB, into build/package) and checks
# it: lintian, the menu entries and the AppStream file, the dependencies against the archive
# (a simulated install), and the programs run from an unpacked copy, the panel off screen: it
# starts, makes and reads its settings, and quits. The machine's own packages stay as they were.
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
dpkg-deb --contents "$deb" | awk '{print $1, $6}'

echo "== lintian"
lintian --fail-on error --display-level '>=warning' "$deb"

echo "== dependencies"
apt-get install --simulate --quiet --quiet "$deb" </dev/null | grep -E '^(Inst|Conf) ' || true

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp/root"
root=$tmp/root/usr

echo "== menu entries"
desktop-file-validate "$root"/share/applications/*.desktop
appstreamcli validate --no-net "$root"/share/metainfo/*.metainfo.xml
for entry in "$root"/share/applications/*.desktop; do
    program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    [ -x "$root/bin/$program" ] || { echo "$entry starts $program, which is not in the package" >&2; exit 1; }
done

echo "== the unpacked programs"
for program in velnor velnor-emulator velnor-cli; do
    env -u DISPLAY -u WAYLAND_DISPLAY "$root/bin/$program" --version
done
config=$tmp/config
env XDG_CONFIG_HOME="$config" QT_QPA_PLATFORM=offscreen "$root/bin/velnor" --check
cmp "$config/velnor/velnor.ini" "$root/share/velnor/velnor.ini"
echo "Package checked: $deb"
