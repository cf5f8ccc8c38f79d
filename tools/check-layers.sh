#!/usr/bin/env bash
# Checks that the add-in's folders include one way only:
#   host <- errors <- storage <- sets <- windows <- command
# A file may include headers of its own folder and of the folders before it.
# Also checks that no folder keeps process-wide state behind an accessor
# (a static function handing out a reference): state travels in the context.
set -euo pipefail
cd "$(dirname "$0")/../Code"
layers=(host errors storage sets windows command)

declare -A rank home
for i in "${!layers[@]}"; do
    rank[${layers[$i]}]=$i
done
for layer in "${layers[@]}"; do
    for header in "$layer"/*.h; do
        home[$(basename "$header")]=$layer
    done
done

faults=0
for layer in "${layers[@]}"; do
    for file in "$layer"/*.h "$layer"/*.cpp; do
        [ -e "$file" ] || continue
        while read -r header; do
            owner=${home[$header]:-}
            [ -n "$owner" ] || continue
            if [ "${rank[$owner]}" -gt "${rank[$layer]}" ]; then
                echo "$file includes $header of $owner/, a folder above $layer/"
                faults=$((faults + 1))
            fi
        done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
    done
done
while read -r accessor; do
    echo "process-wide accessor: $accessor"
    faults=$((faults + 1))
done < <(grep -rnE '^\s*static [A-Za-z_:<>]+ *&\s*[A-Za-z0-9_]+\(\)' --include='*.h' . || true)
if [ "$faults" -gt 0 ]; then
    echo "$faults include(s) against the layers"
    exit 1
fi
echo "layers: every include goes one way, no process-wide accessor"
