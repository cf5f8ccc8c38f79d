#!/usr/bin/env bash
# Checks that the add-in's folders include one way only:
#   host <- errors <- storage <- sets <- windows <- command
# A file may include headers of its own folder and of the folders before it.
# Also checks that no folder keeps process-wide state behind an accessor
# (a static function handing out a reference): state travels in the context.
# Last, the hosts keep to their own folders: mapdesk never includes a header
# of qgis/ nor qgis/ one of mapdesk/, and desktop/, the services both share,
# includes neither; nor does a host's build take sources from the other's.
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

# The hosts: a folder's files against the headers that live only in another.
cd ..
headers_of() {
    find "$@" -name '*.h' -printf '%f\n' 2>/dev/null | sort -u
}
declare -A forbidden=([mapdesk]="qgis" [qgis]="mapdesk" [desktop]="mapdesk qgis")
for folder in mapdesk qgis desktop; do
    [ -d "$folder" ] || continue
    declare -A own=() foreign=()
    while read -r header; do
        [ -n "$header" ] && own[$header]=1
    done < <(headers_of "$folder")
    for other in ${forbidden[$folder]}; do
        [ -d "$other" ] || continue
        # A header of the same name in the folder itself is its own.
        while read -r header; do
            [ -n "$header" ] && [ -z "${own[$header]:-}" ] && foreign[$header]=$other
        done < <(headers_of "$other")
    done
    while IFS= read -r file; do
        while read -r header; do
            other=${foreign[$header]:-}
            [ -n "$other" ] || continue
            echo "$file includes $header of $other/"
            faults=$((faults + 1))
        done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
    done < <(find "$folder" \( -name '*.h' -o -name '*.cpp' \))
    for other in ${forbidden[$folder]}; do
        while read -r line; do
            echo "$folder/ builds from $other/: $line"
            faults=$((faults + 1))
        done < <(grep -rnE "(SOURCE_DIR\}|\.\.)/$other(/|\b)" --include=CMakeLists.txt "$folder" || true)
    done
    unset own foreign
done

if [ "$faults" -gt 0 ]; then
    echo "$faults include(s) against the layers or across the hosts"
    exit 1
fi
echo "layers: every include goes one way, no process-wide accessor, each host in its own folder"
