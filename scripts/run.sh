#!/usr/bin/env bash
# Builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVI_BUILD_TESTS=OFF -DVI_BUILD_BENCH=OFF
cmake --build build --parallel "$(nproc)" --target VantrelImport
exec build/bin/VantrelImport
