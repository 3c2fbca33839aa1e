#!/usr/bin/env bash
# Builds the program and starts it. Without an X display ($DISPLAY unset) it starts a virtual
# one (Xvfb) with a notification area (trayer) and runs the program there.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVI_BUILD_TESTS=OFF -DVI_BUILD_BENCH=OFF
cmake --build build --parallel "$(nproc)" --target VantrelImport

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec build/bin/VantrelImport
fi

# A free display number.
n=99
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
pids=("$xvfb")
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
export DISPLAY=":$n"
trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true \
    --transparent false --tint 0x404040 >/dev/null 2>&1 &
pids+=("$!")
sleep 1
echo "VantrelImport runs on the virtual display $DISPLAY (Xvfb with trayer as notification area)."
echo "Look at it with: DISPLAY=$DISPLAY import -window root shot.png   (ImageMagick)"
build/bin/VantrelImport
