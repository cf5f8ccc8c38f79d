#!/usr/bin/env bash
# Installs every Debian 12 package the build, the tests, mapdesk and the QGIS
# plugin need.
# Run as root (or through sudo); does nothing for packages already present.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-format
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libgdal-dev gdal-bin libsqlite3-dev libxxhash-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    xvfb xauth x11-apps imagemagick fonts-dejavu-core
    lintian desktop-file-utils
    postgresql libpq-dev
    qgis qgis-providers libqgis-dev python3-qgis qtbase5-dev libqt5svg5-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        exec sudo "$0" "$@"
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
fi
