#!/usr/bin/env bash
# Builds the Debian package of the QGIS plugin (the add-in with Qt 5),
# installs it with apt-get, runs the installed plugin in the real QGIS under
# Xvfb (tests/qgis/qgis_end_to_end.sh), runs lintian, then removes the
# package and checks that nothing of it is left. Run as root on Debian 12
# (tools/test.sh does).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ "$(id -u)" -ne 0 ]; then
    echo "test-qgis-package: run as root: it installs and removes the package" >&2
    exit 2
fi
tools/install-deps.sh

package=quarnel-visibility-qgis
build=$root/build/package-qgis
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARNEL_BUILD_TESTS=OFF \
    -DQUARNEL_WERROR=ON -DQUARNEL_QT_MAJOR=5 -DCMAKE_INSTALL_PREFIX=/usr
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/${package}_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/${package}_*.deb)
echo "== package $deb"
dpkg-deb --info "$deb"

fail() {
    echo "test-qgis-package: $*" >&2
    exit 1
}

export DEBIAN_FRONTEND=noninteractive
if dpkg-query -W -f='${Status}' $package 2>/dev/null | grep -q "install ok installed"; then
    fail "$package is installed already; remove it first (apt-get purge $package)"
fi
apt-get install -y "$deb"
installed=1
cleanup() {
    if [ "${installed:-0}" = 1 ]; then
        apt-get purge -y $package >/dev/null || true
    fi
}
trap cleanup EXIT

echo "== the installed plugin in QGIS"
plugin_dir=/usr/lib/qgis/plugins
[ -f $plugin_dir/libquarnelvisibilityplugin.so ] || fail "the plugin is not in $plugin_dir"
tests/qgis/qgis_end_to_end.sh $plugin_dir "$root/samples/data" "$build/qgis_end_to_end" || fail "the installed plugin does not work in QGIS"

echo "== the installed command"
# The listing is read whole before it is searched: grep -q stops reading at
# the first match, and the command, which writes line by line, would then
# die of a broken pipe on its next line, failing the pipeline.
listing=$(QT_QPA_PLATFORM=offscreen quarnel-qgis-process --list) ||
    fail "quarnel-qgis-process --list failed"
grep -q '^exportlayoutforeachset' <<<"$listing" || fail "quarnel-qgis-process does not list its algorithms"

echo "== lintian"
lintian --fail-on error "$deb"
echo "lintian: no error"

echo "== removal"
mapfile -t files < <(dpkg -L $package | grep -v '^/\.$')
apt-get purge -y $package
installed=0
left=()
for f in "${files[@]}"; do
    # Folders other packages share stay; files and the package's own folders go.
    if [ -f "$f" ] || [ -L "$f" ]; then
        left+=("$f")
    elif [ -d "$f" ] && [[ "$f" == */quarnel-qgis || "$f" == */$package ]]; then
        left+=("$f")
    fi
done
[ ${#left[@]} -eq 0 ] || fail "left behind after removal: ${left[*]}"
echo "removal: nothing left"

echo "== QGIS package test passed"
