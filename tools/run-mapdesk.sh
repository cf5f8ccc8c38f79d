#!/usr/bin/env bash
# Installs what is missing, builds mapdesk and the add-in, registers the
# add-in for the current user and starts mapdesk on the first sample document.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

tools/install-deps.sh

build=$root/build/run
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUARNEL_BUILD_TESTS=OFF
cmake --build "$build" -j"$(nproc)" --target mapdesk QuarnelGIS

mapdesk=$build/mapdesk/app/mapdesk
"$mapdesk" --register "$build/libQuarnelGIS.so"
exec "$mapdesk" "$@" "$root/samples/city.mapdesk.json"
