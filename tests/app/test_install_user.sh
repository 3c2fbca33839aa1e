#!/usr/bin/env bash
# The portable archive and the user install made from it, in a throwaway HOME: the archive's
# contents, both desktop entries, a start from the autostart entry's command line on a virtual
# display with a notification area, and an uninstall that leaves only what was there before.
# Usage: test_install_user.sh <build folder>
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf -- "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The archive.
cpack -G TGZ --config "$build/CPackConfig.cmake" -B "$work/pkg" >/dev/null
tar -xzf "$work"/pkg/VantrelImport-*-Linux-*.tar.gz -C "$work"
unpacked="$(echo "$work"/VantrelImport-*-Linux-*/)"
sizes=(16 22 24 32 48 64 128 256)
expected=(README.txt VantrelImport install-user.sh locale/sl/LC_MESSAGES/default.mo
    share/applications/vantrelimport.desktop)
for n in "${sizes[@]}"; do expected+=("share/icons/hicolor/${n}x${n}/apps/vantrelimport.png"); done
[ "$(cd "$unpacked" && find . -type f | sed 's|^\./||' | sort)" = \
    "$(printf '%s\n' "${expected[@]}" | sort)" ] || fail "archive holds $(cd "$unpacked" && find . -type f)"
for n in "${sizes[@]}"; do
    png="$unpacked/share/icons/hicolor/${n}x${n}/apps/vantrelimport.png"
    # Width and height from the PNG header.
    [ "$(od --endian=big -An -tu4 -j16 -N8 "$png" | tr -s ' ')" = " $n $n" ] ||
        fail "$png is not $n x $n"
done
grep -q 'libqt6widgets6' "$unpacked/README.txt" && grep -q 'unixodbc' "$unpacked/README.txt" ||
    fail "the README names no packages"

# A HOME with a space in it, and entries of other programs that must survive.
home="$work/home of tester"
mkdir -p "$home/.local/share/applications" "$home/.config/autostart"
printf '[Desktop Entry]\nType=Application\nName=Other\nExec=other\n' |
    tee "$home/.local/share/applications/other.desktop" >"$home/.config/autostart/other.desktop"
listing() { (cd "$home" && find . ! -path './.cache*' | sort); }
before="$(listing)"
as_user() { env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" "$@"; }

as_user "$unpacked/install-user.sh" >/dev/null
prefix="$home/.local/opt/VantrelImport"
menu="$home/.local/share/applications/vantrelimport.desktop"
autostart="$home/.config/autostart/vantrelimport.desktop"
for f in "$prefix/VantrelImport" "$prefix/locale/sl/LC_MESSAGES/default.mo" "$menu" "$autostart" \
    "$home/.local/share/icons/hicolor/256x256/apps/vantrelimport.png"; do
    [ -f "$f" ] || fail "not installed: $f"
done
desktop-file-validate "$menu" "$autostart" || fail "desktop-file-validate"
grep -qx 'Comment\[sl\]=.*Tallyhouse7.*' "$menu" || fail "no Slovenian comment in the menu entry"

# The autostart entry's command line: the Exec value unescaped as a string, then split as its
# quoting (the shell's double quotes) says.
exec_value="$(sed -n 's/^Exec=//p' "$autostart")"
eval "set -- ${exec_value//\\\\/\\}"
[ "$1 $2" = "env QT_LOGGING_RULES=vantrelimport.trace=false" ] || fail "Exec is $exec_value"
[ "$3" = "$prefix/VantrelImport" ] && [ $# -eq 3 ] || fail "Exec is $exec_value"

# A virtual display with a notification area; the display number is Xvfb's choice.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=("$!")
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true \
    >/dev/null 2>&1 &
pids+=("$!")
sleep 1

mkdir -m 700 "$work/runtime"
# As the session would: `env` runs the entry's command line, whose own `env` runs the program,
# all in one process.
env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" XDG_RUNTIME_DIR="$work/runtime" \
    TMPDIR="$work" DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" "$@" 2>"$work/stderr" &
program=$!
pids+=("$program")
for _ in $(seq 100); do [ -e "$work/runtime/DCC79F6C-DF9B-48EE-85DD-50B4F1070C4B.lock" ] && break; sleep 0.1; done
sleep 2
kill -0 "$program" 2>/dev/null || fail "the program ended: $(cat "$work/stderr")"
# The entry's StartupWMClass is the class of the program's window, so docks group them.
wm_class="$(sed -n 's/^StartupWMClass=//p' "$menu")"
xwininfo -root -tree | grep -qF "\"$wm_class\")" || fail "no window of class '$wm_class'"
[ "$(readlink "/proc/$program/exe")" = "$prefix/VantrelImport" ] || fail "runs $(readlink "/proc/$program/exe")"
tr '\0' '\n' <"/proc/$program/environ" | grep -qx 'QT_LOGGING_RULES=vantrelimport.trace=false' ||
    fail "the logging rules did not reach the program"
kill -TERM "$program"
status=0
wait "$program" || status=$?
[ "$status" -eq 0 ] || fail "ended with $status: $(cat "$work/stderr")"
[ -f "$prefix/settings.ini" ] || fail "no settings.ini beside the installed program"

# Installing again replaces the install and keeps the settings.
as_user "$unpacked/install-user.sh" >/dev/null
[ -f "$prefix/settings.ini" ] || fail "a second install lost settings.ini"

# Uninstall from the installed copy: everything but settings.ini goes.
as_user "$prefix/install-user.sh" --uninstall >/dev/null
after="$(listing)"
kept="$(comm -13 <(echo "$before") <(echo "$after"))"
[ "$kept" = "$(printf '%s\n' ./.local/opt ./.local/opt/VantrelImport \
    ./.local/opt/VantrelImport/.install-manifest ./.local/opt/VantrelImport/install-user.sh \
    ./.local/opt/VantrelImport/settings.ini)" ] || fail "after uninstall, new: $kept"
[ -z "$(comm -23 <(echo "$before") <(echo "$after"))" ] || fail "uninstall removed others' files"

# The purge that the uninstall offered.
as_user "$prefix/install-user.sh" --uninstall --purge >/dev/null
[ "$(listing)" = "$before" ] || fail "after purge: $(comm -3 <(echo "$before") <(listing))"
echo "install, start from the autostart entry and uninstall: passed"
