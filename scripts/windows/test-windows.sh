#!/usr/bin/env bash
# Cross-compiles the whole project (program and tests) for 64-bit Windows with MinGW-w64 and the
# Qt of build-qt.sh, runs every test executable under Wine without a display in a throwaway
# Wine prefix, runs the import test against the Windows program, packs the portable zip and
# makes the MSI, which test-msi.sh installs, upgrades and removes under Wine.
# Usage: scripts/windows/test-windows.sh [build-dir]
# The first run on a machine builds Qt (see build-qt.sh); the Linux build in VI_LINUX_BUILD
# (default build-ci) provides the import test, which runs on Linux and starts the program in Wine.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
build="${1:-build-win}"
linux_build="${VI_LINUX_BUILD:-build-ci}"
jobs="${VI_JOBS:-$(nproc)}"

bash scripts/install-missing.sh g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 \
    googletest cmake ninja-build gettext python3 tdsodbc libsqliteodbc unixodbc xvfb xauth wixl msitools
qt=$(bash scripts/windows/build-qt.sh | tail -n 1)

# A throwaway Wine prefix, for the build's own tool (the icon) and the tests.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" QT_QPA_PLATFORM=offscreen
export LANG=C.UTF-8 LC_ALL=C.UTF-8 VI_TEST_SOURCE_DIR="$root"
WINEPREFIX=$(mktemp -d)
export WINEPREFIX
unset DISPLAY WAYLAND_DISPLAY
work=$(mktemp -d)
cleanup() { wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX" "$work"; }
trap cleanup EXIT
wineboot -i >/dev/null 2>&1

started=$(date +%s)
# Google Benchmark has no MinGW build among the packages: the benchmark stays Linux-only.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/scripts/windows/mingw-toolchain.cmake" \
    -DVI_MINGW_QT="$qt" -DCMAKE_PREFIX_PATH="$qt" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DVI_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "$jobs"
echo "Windows build: $(($(date +%s) - started)) s"

# The ODBC drivers run as Linux code inside Wine and are handed the tests' Windows file names
# (C:/users/...); relative to this folder, the tests' working folder, those lead into the
# prefix's drive C.
ln -s "$WINEPREFIX/drive_c" "$work/C:"

# Tests that fail only under Wine (they run on Windows), left out here with the reason:
# <executable>:<gtest pattern>:<reason>.
wine_skips=(
    "test_main_window:MainWindowTest.SessionQuestionOnlySavesAndTheSessionsEndEndsLikeExit:hangs under Wine 8 before its first check; the cause is not found yet and it has not been run on Windows"
    "test_db:TdsDb.*:the scripted TDS server is a Linux program, and Wine does not connect a Windows program's pipes to a Linux program it starts (the Windows program's own import from that server runs below)"
    "test_db:FreeTds.SilentServerHonoursTheLoginTimeout:the scripted TDS server is a Linux program, and Wine does not connect a Windows program's pipes to a Linux program it starts (the Windows program's own import from that server runs below)"
    "test_db:FreeTds.RefusedLoginFailsWithTheServersMessage:the scripted TDS server is a Linux program, and Wine does not connect a Windows program's pipes to a Linux program it starts (the Windows program's own import from that server runs below)"
    "test_db:FreeTds.LoginArrivesAsTyped:the scripted TDS server is a Linux program, and Wine does not connect a Windows program's pipes to a Linux program it starts (the Windows program's own import from that server runs below)"
    "test_db:FreeTds.LoginCarriesTheValuesAsTyped:the scripted TDS server is a Linux program, and Wine does not connect a Windows program's pipes to a Linux program it starts (the Windows program's own import from that server runs below)"
    "test_import_run:ImportThroughFreeTds.*:the scripted TDS server is a Linux program, and Wine does not connect a Windows program's pipes to a Linux program it starts (the Windows program's own import from that server runs below)"
    "test_i18n:CatalogueTest.*:the catalogues are made by msgfmt, a Linux program run through pipes, which Wine does not connect"
    "test_translate_component:TranslateTest.*:the catalogues are made by msgfmt, a Linux program run through pipes, which Wine does not connect"
    "test_about:AboutTest.TranslatedDesignWithVersionInDigits:the catalogue is made by msgfmt, a Linux program run through pipes, which Wine does not connect"
)

started=$(date +%s)
passed=0 failed=0 skipped=0 broken=()
for exe in "$root/$build"/bin/test_*.exe; do
    name=$(basename "$exe" .exe)
    echo "== $name"
    filter=()
    for entry in "${wine_skips[@]}"; do
        IFS=: read -r test pattern reason <<<"$entry"
        [ "$test" = "$name" ] || continue
        echo "skipped under Wine: $pattern: $reason"
        filter+=("$pattern")
        skipped=$((skipped + 1))
    done
    args=()
    if [ "${#filter[@]}" -gt 0 ]; then
        args=("--gtest_filter=-$(IFS=:; echo "${filter[*]}")")
    fi
    rc=0
    log=$(cd "$work" && timeout 300 wine "$exe" "${args[@]}" 2>&1) || rc=$?
    log=$(printf '%s\n' "$log" | tr -d '\r')
    # Failures in full, and every skipped test with its reason.
    printf '%s\n' "$log" | grep -E -A4 ': (Failure|Skipped)$|^\[  FAILED  \] [A-Za-z]' || true
    p=$(printf '%s\n' "$log" | sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?.*/\1/p' | tail -n 1)
    s=$(printf '%s\n' "$log" | sed -nE 's/^\[  SKIPPED \] ([0-9]+) tests?.*/\1/p' | tail -n 1)
    f=$(printf '%s\n' "$log" | sed -nE 's/^\[  FAILED  \] ([0-9]+) tests?.*/\1/p' | tail -n 1)
    passed=$((passed + ${p:-0})); skipped=$((skipped + ${s:-0})); failed=$((failed + ${f:-0}))
    if [ -z "$p$f" ] || { [ "$rc" -ne 0 ] && [ -z "$f" ]; }; then
        printf '%s\n' "$log" | tail -n 20
        echo "$name: ended without a result (exit $rc)"
        broken+=("$name")
    fi
done

# Linux tests that start the Windows program itself under Wine, one test each:
# <test program> <gtest filter> [command to run it under...]
if [ ! -f "$linux_build/CMakeCache.txt" ]; then
    cmake -S . -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
windows_program_test() {
    local name=$1 filter=$2 rc=0
    shift 2
    echo "== $name $filter (the Windows program under Wine)"
    cmake --build "$linux_build" --parallel "$jobs" --target "$name" >/dev/null
    VI_WINDOWS_PROGRAM="$root/$build/bin/VantrelImport.exe" "$@" "$linux_build/bin/$name" \
        --gtest_filter="$filter" >"$work/$name.log" 2>&1 || rc=$?
    if [ "$rc" -eq 0 ] && grep -q '^\[  PASSED  \] 1 test' "$work/$name.log"; then
        passed=$((passed + 1))
    else
        cat "$work/$name.log"
        failed=$((failed + 1))
    fi
}
# Importing from the scripted server.
windows_program_test test_program_import '*'
# A second start brings the hidden window forward: on a virtual display, with the real platform,
# whose windows the session's end reaches (the end saves the window's state). Wine's desktop
# started without a display by the tests above ends first: it would not reach them.
wineserver -k >/dev/null 2>&1 || true
windows_program_test test_program_process 'ProgramProcessTest.SecondStart*' xvfb-run -a
echo "Windows suite: $(($(date +%s) - started)) s"

(cd "$build" && cpack -G ZIP >/dev/null)
zip=$(ls "$build"/VantrelImport-*-win64.zip)
ls -l "$zip"
# What the program loads and ships with must be in it.
contents=$(cmake -E tar tf "$zip")
for file in VantrelImport.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6Network.dll platforms/qwindows.dll \
    styles/qwindowsvistastyle.dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll \
    locale/sl/LC_MESSAGES/default.mo README.txt; do
    if ! printf '%s\n' "$contents" | grep -qxF "$(basename "$zip" .zip)/$file"; then
        echo "missing in the zip: $file"
        failed=$((failed + 1))
    fi
done

# The per-user installer, in a prefix of its own; its last line counts.
VI_LINUX_BUILD="$linux_build" bash scripts/windows/test-msi.sh "$build" >"$work/msi.log" 2>&1 || true
cat "$work/msi.log"
result=$(tail -n 1 "$work/msi.log")
if [[ "$result" =~ ^([0-9]+)\ passed,\ ([0-9]+)\ failed$ ]]; then
    passed=$((passed + BASH_REMATCH[1])); failed=$((failed + BASH_REMATCH[2]))
else broken+=(test-msi.sh); fi

echo "$passed passed, $skipped skipped, $failed failed${broken:+, without a result: ${broken[*]}}"
[ "$failed" -eq 0 ] && [ "${#broken[@]}" -eq 0 ]
