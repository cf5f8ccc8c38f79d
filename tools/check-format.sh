#!/usr/bin/env bash
# Checks every tracked C++ file against the project's .clang-format; with
# --fix, rewrites them in place instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=(--dry-run --Werror)
if [ "${1:-}" = "--fix" ]; then
    mode=(-i)
fi
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --style=file "${mode[@]}"
echo "format: clean"
