#!/usr/bin/env bash
# Cross-compiles the Windows-only units and their tests with MinGW-w64 and runs them under
# Wine, headless, in a throwaway Wine prefix. Usage: scripts/windows/test-win-units.sh [build-dir]
# The program icon comes from the Linux build's vi_make_ico (build-ci, or VI_LINUX_BUILD).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
build="${1:-build-mingw}"
linux_build="${VI_LINUX_BUILD:-build-ci}"

bash scripts/install-missing.sh g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 \
    libgtest-dev cmake ninja-build

# The icon painted in code, written as .ico by the Linux build's tool.
icon_args=()
if [ -f "$linux_build/CMakeCache.txt" ] &&
   cmake --build "$linux_build" --target vi_make_ico >/dev/null 2>&1; then
    mkdir -p "$build"
    "$linux_build/tools/vi_make_ico" "$root/$build/VantrelImport.ico"
    icon_args=(-DVI_ICON="$root/$build/VantrelImport.ico")
else
    echo "no Linux build in $linux_build: testing the resources without the program icon"
fi

cmake -S tests/windows -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/scripts/windows/mingw-toolchain.cmake" "${icon_args[@]}" >/dev/null
cmake --build "$build" --parallel "$(nproc)"

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINEPREFIX=$(mktemp -d)
export WINEPREFIX
unset DISPLAY WAYLAND_DISPLAY
cleanup() { wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"; }
trap cleanup EXIT
wineboot -i >/dev/null 2>&1

exe="$build/bin/VantrelImportWinUnits.exe"
passed=0 failed=0
run() { # run <label> <environment...> -- <arguments...>
    local label=$1; shift
    local envs=()
    while [ "$1" != "--" ]; do envs+=("$1"); shift; done
    shift
    echo "== $label"
    local log rc=0
    log=$(env "${envs[@]}" wine "$exe" "$@" 2>&1) || rc=$?
    printf '%s\n' "$log" | tr -d '\r'
    local last p f
    last=$(printf '%s\n' "$log" | tr -d '\r' | grep -E '^[0-9]+ passed, [0-9]+ failed' | tail -n 1 || true)
    if [ -z "$last" ]; then
        echo "$label: no result line (exit $rc)"; failed=$((failed + 1)); return
    fi
    p=${last%% passed*}; f=${last#*passed, }; f=${f%% failed*}
    passed=$((passed + p)); failed=$((failed + f))
    if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then failed=$((failed + 1)); fi
}

run "all units" LC_ALL=C.UTF-8 -- --gtest_filter=-SystemLocaleFromEnvironment.*
# The language code from the user's locale, as Wine derives it from the Unix locale.
for case in de_DE:de_DE nb_NO:nb_NO sl_SI:sl_SI fil_PH:C; do
    run "locale ${case%%:*}" LC_ALL="${case%%:*}.UTF-8" -- \
        --gtest_filter=SystemLocaleFromEnvironment.* --expect-language="${case#*:}"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
