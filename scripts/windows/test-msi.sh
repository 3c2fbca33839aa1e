#!/usr/bin/env bash
# Installs, upgrades and removes the MSI of a Windows build under Wine in a throwaway prefix and
# checks what is where after each step. Last line: "<n> passed, <m> failed".
# Usage: VI_LINUX_BUILD=<build with test_program_import> test-msi.sh [build-dir with the zip]
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build-win}" linux_build="${VI_LINUX_BUILD:-build-ci}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8 LC_ALL=C.UTF-8
export WINEPREFIX && WINEPREFIX=$(mktemp -d) && work=$(mktemp -d)
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX" "$work"' EXIT
wineboot -i >/dev/null 2>&1
cmake --build "$build" --target msi >/dev/null
cmake --build "$linux_build" --target test_program_import >/dev/null
msi=$(ls "$build"/VantrelImport-*-win64.msi) zip=$(realpath "$build"/VantrelImport-*-win64.zip)
ls -l "$msi"
version=${msi##*/VantrelImport-} version=${version%-win64.msi}
IFS=. read -r major minor patch _ <<<"$version" && next="$major.$minor.$((patch + 1))" # same files
cmake -DSTAGE="$build/msi/stage" -DVERSION="$next" -DICON="$build/app/resources/VantrelImport.ico" \
    -DOUT="$work/next.msi" -P cmake/windows/make_msi.cmake >/dev/null
user="$WINEPREFIX/drive_c/users/$(whoami)/AppData"
app="$user/Local/Programs/VantrelImport" menu="$user/Roaming/Microsoft/Windows/Start Menu/Programs"
# What must be where: <the steps after which it is there; after the others it is not>|<path>.
where=(
    "installed upgraded no-autostart|$menu/VantrelImport.lnk"
    "installed upgraded|$menu/StartUp/VantrelImport.lnk"
    "upgraded removed|$app/settings.ini"
    "installed upgraded removed no-autostart|$app"
)
passed=0 failed=0
check() { # <what> <command...>
    if "${@:2}"; then passed=$((passed + 1)); else echo "FAILED: $1"; failed=$((failed + 1)); fi
}
query() { wine reg query "$1" /s 2>/dev/null | tr -d '\r'; }
entries() { # the uninstall entries' versions; Wine 8 writes a per-user product's under HKLM
    for hive in HKCU HKLM; do query "$hive\Software\Microsoft\Windows\CurrentVersion\Uninstall"; done |
        grep -A8 -E 'DisplayName +REG_SZ +VantrelImport$' | sed -nE 's/^ +DisplayVersion +REG_SZ +//p' | xargs
}
step() { # <name> <expected uninstall entries> <msiexec arguments...>
    local name=$1 versions=$2 rc=0 row want startup="$menu/StartUp/VantrelImport.lnk"
    shift 2
    wine msiexec "$@" /qn || rc=$?
    check "$name: msiexec $* ended with $rc" [ "$rc" -eq 0 ]
    for row in "${where[@]}"; do
        want=absent && [[ " ${row%%|*} " == *" $name "* ]] && want=present
        check "$name: ${row#*|} not $want" [ "$( (test -e "${row#*|}" && echo present) || echo absent)" = $want ]
    done
    check "$name: uninstall entries '$(entries)', not '$versions'" [ "$(entries)" = "$versions" ]
    if [ -e "$startup" ]; then # minimised without activation
        check "$name: show command" [ "$(od -An -tu4 -j60 -N4 "$startup" | xargs)" = 7 ]
    fi
}
files() { (cd "$1" && find . -type f | sort); }
step installed "$version" /i "$(winepath -w "$msi")"
icon=$(query 'HKCU\Software\Microsoft\Installer\Products' | sed -nE 's/^ +ProductIcon +REG_SZ +//p')
check "installed: the entry's icon '$icon'" test -f "$(winepath -u "${icon:-none}")"
mkdir "$work/zip" && (cd "$work/zip" && cmake -E tar xf "$zip")
check "installed: not the files of the zip" [ "$(files "$app")" = "$(files "$work/zip"/*)" ]
VI_WINDOWS_PROGRAM="$app/VantrelImport.exe" "$linux_build/bin/test_program_import" >"$work/log" 2>&1 || true
check "installed: the program's import ($(cat "$work/log"))" grep -q '^\[  PASSED  \] 1 test' "$work/log"
printf '[fVantrelForm\\Settings]\r\nDepImportID=KEPT\r\n' | tee "$work/settings.ini" >"$app/settings.ini"
step upgraded "$next" /i "$(winepath -w "$work/next.msi")"
step removed "" /x "$(winepath -w "$work/next.msi")"
check "removed: more than settings.ini left" [ "$(ls -A "$app")" = settings.ini ]
check "removed: settings.ini changed" cmp -s "$app/settings.ini" "$work/settings.ini"
rm "$app/settings.ini"
step no-autostart "$version" /i "$(winepath -w "$msi")" AUTOSTART=0
step gone "" /x "$(winepath -w "$msi")"
check "gone: the empty Programs folder left" test ! -e "$user/Local/Programs"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
