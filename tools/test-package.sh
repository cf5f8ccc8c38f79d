#!/usr/bin/env bash
# Builds the Debian package, installs it with apt-get, starts the installed
# mapdesk without a display on an installed sample and checks that the
# document opens and that the add-in's button is on its toolbar; validates
# the desktop entry, runs lintian, then removes the package and checks that
# nothing of it is left. Run as root on Debian 12 (tools/test.sh does).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ "$(id -u)" -ne 0 ]; then
    echo "test-package: run as root: it installs and removes the package" >&2
    exit 2
fi
tools/install-deps.sh

build=$root/build/package
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARNEL_BUILD_TESTS=OFF \
    -DQUARNEL_WERROR=ON -DCMAKE_INSTALL_PREFIX=/usr
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/mapdesk_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/mapdesk_*.deb)
echo "== package $deb"
dpkg-deb --info "$deb"

fail() {
    echo "test-package: $*" >&2
    exit 1
}

export DEBIAN_FRONTEND=noninteractive
if dpkg-query -W -f='${Status}' mapdesk 2>/dev/null | grep -q "install ok installed"; then
    fail "mapdesk is installed already; remove it first (apt-get purge mapdesk)"
fi
registry=/etc/mapdesk/registry.ini
[ ! -e "$registry" ] || fail "$registry is there before the package"

apt-get install -y "$deb"
# A failure from here on takes the package away again.
installed=1
cleanup() {
    rm -rf "${home:-}"
    if [ "${installed:-0}" = 1 ]; then
        apt-get purge -y mapdesk >/dev/null || true
    fi
}
trap cleanup EXIT

echo "== the installed mapdesk on an installed sample"
mapdesk --version
sample=/usr/share/mapdesk/samples/city.mapdesk.json
[ -f "$sample" ] || fail "no sample at $sample"
[ -f "$registry" ] || fail "installing did not register the add-in in $registry"
# A user of its own, with nothing registered: the add-in comes from the
# system-wide registry alone.
home=$(mktemp -d)
report=$(env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_CONFIG_HOME="$home/config" \
    XDG_DATA_HOME="$home/data" QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS=disabled: \
    mapdesk --self-check "$sample") || fail "self-check failed: $report"
echo "$report"
grep -qx "document: $sample, 2 map(s), [0-9]* layer(s)" <<<"$report" || fail "the sample did not open"
grep -q "^command: QuarnelGIS.QuarnelVisibility .* on toolbar \"QuarnelGIS\", module /usr/lib/.*/mapdesk/libQuarnelGIS.so (system-wide registry)$" <<<"$report" \
    || fail "the add-in is not on the toolbar"
grep -qx "self-check: passed" <<<"$report" || fail "self-check did not pass"

echo "== desktop entry and MIME type"
desktop-file-validate /usr/share/applications/mapdesk.desktop
grep -q "application/x-mapdesk+json" /usr/share/mime/packages/mapdesk.xml
# Where the MIME database is kept, the type has joined it.
if [ -f /usr/share/mime/globs2 ]; then
    grep -q "application/x-mapdesk+json:\*\.mapdesk\.json" /usr/share/mime/globs2 \
        || fail "the MIME type of map documents is not in the MIME database"
fi
echo "desktop entry: valid"

echo "== lintian"
lintian --fail-on error "$deb"
echo "lintian: no error"

echo "== removal"
mapfile -t files < <(dpkg -L mapdesk | grep -v '^/\.$')
apt-get purge -y mapdesk
installed=0
left=()
for f in "${files[@]}"; do
    # Folders other packages share stay; files and the package's own folders go.
    if [ -f "$f" ] || [ -L "$f" ]; then
        left+=("$f")
    elif [ -d "$f" ] && [[ "$f" == */mapdesk || "$f" == */mapdesk/* ]]; then
        left+=("$f")
    fi
done
[ ! -e "$registry" ] || left+=("$registry")
[ ! -e /etc/mapdesk ] || left+=("/etc/mapdesk")
[ ${#left[@]} -eq 0 ] || fail "left behind after removal: ${left[*]}"
echo "removal: nothing left"

echo "== package test passed"
