#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds with warnings as
# errors and runs every test; then builds the add-in with Qt 5 with the QGIS
# plugin and runs their tests; then builds and runs the whole suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer; last, fuzzes the file readers for a short while.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

tools/install-deps.sh

jobs=$(nproc)
export DBUS_SESSION_BUS_ADDRESS=disabled:
export QT_QPA_PLATFORM=offscreen

run_suite() {
    local dir=$1
    shift
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DQUARNEL_WERROR=ON "$@"
    cmake --build "$dir" -j"$jobs"
    ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 300
}

echo "== formatting"
tools/check-format.sh

echo "== build and test"
run_suite build/ci

echo "== build and test the add-in with Qt 5 and its QGIS plugin"
run_suite build/ci-qgis -DQUARNEL_QT_MAJOR=5

echo "== build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$root/tools/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite build/ci-sanitize -DQUARNEL_SANITIZE=ON

tools/test-package.sh
tools/test-qgis-package.sh

echo "== fuzz the file readers briefly"
tools/fuzz.sh 20

echo "== benchmarks, smallest size"
bench/run.sh --smoke

echo "== all tests passed"
