#!/usr/bin/env bash
# Builds everything and runs every test. Usage: scripts/test.sh [build-dir] [extra cmake args]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
build="${1:-build}"; shift || true
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$build" --parallel "$(nproc)"
export LANG=C.UTF-8 LC_ALL=C.UTF-8
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 300
