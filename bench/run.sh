#!/usr/bin/env bash
# Builds the benchmarks in Release, generates their data (never inside the
# source tree's tracked files), runs them with wc -l over the same files in
# the same run, measures the peak memory of listing per size, and prints the
# table of figures and ratios.
#
#   bench/run.sh            sizes 10^3 .. 10^6 records
#   bench/run.sh --smoke    the smallest size once, to keep everything building and running (CI)
#
# Environment: QUARNEL_BENCH_BUILD (build folder, default build/bench),
# QUARNEL_BENCH_DATA (data folder, default <build folder>/data),
# QUARNEL_BENCH_REPETITIONS (default 5).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

smoke=0
case "${1:-}" in
    --smoke) smoke=1 ;;
    "") ;;
    *) echo "usage: $0 [--smoke]" >&2; exit 2 ;;
esac

build=${QUARNEL_BENCH_BUILD:-$root/build/bench}
data=${QUARNEL_BENCH_DATA:-$build/data}
repetitions=${QUARNEL_BENCH_REPETITIONS:-5}
export DBUS_SESSION_BUS_ADDRESS=disabled:
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUARNEL_BUILD_BENCH=ON -DQUARNEL_BUILD_TESTS=OFF \
    -DQUARNEL_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target quarnel_bench quarnel_bench_data quarnel_bench_peak quarnel-sets \
    mapdesk_draw_bench mapdesk_open_bench quarnel_filter_bench mapdesk_picture_bench quarnel_store_bench

if [ "$smoke" = 1 ]; then
    sizes=(1000)
    flags=(--smoke)
else
    sizes=(1000 10000 100000 1000000)
    flags=(--benchmark_repetitions="$repetitions" --benchmark_enable_random_interleaving=true)
fi
joined=$(IFS=,; echo "${sizes[*]}")

machine=$build/machine.txt
{
    echo "Machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')," \
        "$(awk '/MemTotal/ { printf "%.1f GiB RAM", $2 / 1048576 }' /proc/meminfo), $(uname -sr)"
    echo "Load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
} >"$machine"

echo "== data"
"$build/bench/quarnel_bench_data" "$data" "${sizes[@]}"

echo "== benchmarks"
results=$build/bench-results.json
"$build/bench/quarnel_bench" --data="$data" --sizes="$joined" "${flags[@]}" \
    --benchmark_out="$results" --benchmark_out_format=json

echo "== peak memory of listing"
peaks=$build/peak.jsonl
: >"$peaks"
for n in "${sizes[@]}"; do
    for what in list load; do
        "$build/bench/quarnel_bench_peak" --data="$data" --records="$n" --what="$what" >>"$peaks"
    done
done
echo "Load average at end: $(cut -d' ' -f1-3 /proc/loadavg)" >>"$machine"

echo "== table"
python3 "$root/bench/report.py" "$results" "$peaks" "$machine"

# mapdesk's data view drawing large documents, offscreen.
echo
echo "mapdesk's drawing:"
echo
if [ "$smoke" = 1 ]; then
    "$build/bench/mapdesk_draw_bench" --smoke
    "$build/bench/mapdesk_picture_bench" --smoke
    "$build/bench/mapdesk_open_bench" --layers=100
else
    "$build/bench/mapdesk_draw_bench"
    echo
    "$build/bench/mapdesk_picture_bench"
    echo
    echo "mapdesk opening a document of 5,000 layers:"
    echo
    "$build/bench/mapdesk_open_bench"
    "$build/bench/mapdesk_open_bench" --distinct
fi

# The Find filter over a long set list, a key at a time.
echo
echo "Finding a set:"
echo
if [ "$smoke" = 1 ]; then
    "$build/bench/quarnel_filter_bench" --smoke
else
    "$build/bench/quarnel_filter_bench"
fi

# A team's sets in a PostgreSQL server of the benchmark's own, next to the
# set file.
echo
echo "A team's sets in PostgreSQL (the medians of 5 runs):"
echo
if [ "$smoke" = 1 ]; then
    "$build/bench/quarnel_store_bench" --smoke
else
    "$build/bench/quarnel_store_bench"
fi

# The add-in inside QGIS next to QGIS's own switches: a Release build of the
# add-in with Qt 5 and its QGIS host, where QGIS's headers are installed.
if [ "$smoke" = 0 ] && [ -d /usr/include/qgis ]; then
    qgis_build=${QUARNEL_BENCH_QGIS_BUILD:-$root/build/bench-qgis}
    cmake -S "$root" -B "$qgis_build" -DCMAKE_BUILD_TYPE=Release -DQUARNEL_QT_MAJOR=5 -DQUARNEL_BUILD_TESTS=OFF \
        -DQUARNEL_WERROR=ON >/dev/null
    cmake --build "$qgis_build" -j"$(nproc)" --target quarnel_qgis_bench quarnel_qgis_draw_bench \
        quarnel_qgis_export_bench quarnel_qgis_theme_bench
    echo
    echo "In QGIS (one process, the medians of 5 switches each way):"
    echo
    "$qgis_build/qgis/quarnel_qgis_bench"
    echo
    echo "The sets as QGIS map themes (one process; fails when a theme is not as its set and the canvas show):"
    echo
    "$qgis_build/qgis/quarnel_qgis_theme_bench"
    echo
    echo "QGIS drawing the document of mapdesk's first drawing (the median of 5 drawings):"
    echo
    "$qgis_build/qgis/quarnel_qgis_draw_bench"
    echo
    echo "Export Layout for Each Set next to QGIS's export following themes (the median of 3 runs):"
    echo
    "$qgis_build/qgis/quarnel_qgis_export_bench"
fi
