#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs each in turn for a while.
#
#   tools/fuzz.sh [SECONDS] [TARGET...]
#
# SECONDS per target, 30 unless given; every target unless named. The seed
# corpus of a target is fuzz/corpus/<target>/ and is only read: what the
# fuzzer finds goes to the build folder (FUZZ_BUILD_DIR, build/fuzz unless
# set). A crash, a hang, a sanitizer report or a failed check ends the script
# with an error and leaves the input in <build>/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=${1:-30}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(visibility_set_reader record_scanner document_reader)
fi
build=${FUZZ_BUILD_DIR:-$root/build/fuzz}
compiler=${FUZZ_CXX:-clang++-14}

cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER="$compiler" >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$root/tools/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/artifacts"
for target in "${targets[@]}"; do
    work="$build/work/$target"
    mkdir -p "$work"
    echo "== fuzzing $target for $seconds s"
    "$build/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -max_len=65536 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
        "$work" "$root/fuzz/corpus/$target" 2>"$build/$target.log" || {
        tail -n 60 "$build/$target.log"
        echo "fuzzing $target found a fault; the input is in $build/artifacts/" >&2
        exit 1
    }
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$build/$target.log" || true
done
echo "== fuzzing found nothing"
