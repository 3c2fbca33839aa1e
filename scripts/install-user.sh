#!/usr/bin/env bash
# Installs VantrelImport for the current user, no root needed: the program with its locale/
# folder in ~/.local/opt/VantrelImport/ (its settings.ini is written there), a menu entry, the
# icon in the hicolor theme and an autostart entry that starts it with the desktop session.
#
#   install-user.sh                      install (again: the earlier install is replaced)
#   install-user.sh --uninstall          remove exactly what the install put there (while
#                                        settings.ini stays, this script stays beside it)
#   install-user.sh --uninstall --purge  ... and settings.ini as well
#
# Run from the unpacked archive it installs what lies beside it; run from the source tree it
# builds the program first (Debian 12; installs missing packages as run.sh does).
set -euo pipefail

usage() { sed -n '2,12s/^# \{0,1\}//p' "$0"; }

mode=install purge=0
for arg in "$@"; do
    case "$arg" in
    --uninstall) mode=uninstall ;;
    --purge) purge=1 ;;
    -h | --help) usage; exit 0 ;;
    *) echo "install-user.sh: unknown option $arg" >&2; usage >&2; exit 2 ;;
    esac
done
if ((purge)) && [ "$mode" != uninstall ]; then
    echo "install-user.sh: --purge goes with --uninstall" >&2
    exit 2
fi

: "${HOME:?HOME is not set}"
absolute_or() { case "${1:-}" in /*) printf '%s' "$1" ;; *) printf '%s' "$2" ;; esac; }
prefix="$HOME/.local/opt/VantrelImport"
data_home="$(absolute_or "${XDG_DATA_HOME:-}" "$HOME/.local/share")"
config_home="$(absolute_or "${XDG_CONFIG_HOME:-}" "$HOME/.config")"
manifest="$prefix/.install-manifest"
menu_entry="$data_home/applications/vantrelimport.desktop"
autostart_entry="$config_home/autostart/vantrelimport.desktop"

# The manifest lists what the install made, one "f <file>" or "d <folder>" a line, folders
# before what they hold. Only what it lists is removed; settings.ini never is, unless purged.
uninstall() {
    local manifest_text="" kind path kept_files=()
    [ -f "$manifest" ] && manifest_text="$(cat -- "$manifest")"
    while IFS= read -r line; do
        kind="${line%% *}" path="${line#* }"
        [ "$kind" = f ] || continue
        # While settings.ini stays, so does this script: the purge it offers must still be there.
        if ((!purge)) && [ "$path" = "$prefix/install-user.sh" ] && [ -f "$prefix/settings.ini" ]; then
            kept_files+=("$line")
        else
            rm -f -- "$path"
        fi
    done <<<"$manifest_text"
    rm -f -- "$manifest"
    if ((purge)); then rm -f -- "$prefix/settings.ini"; fi
    # Folders last, deepest first, and only when nothing else has come into them. Those kept
    # (settings.ini stays in one) are listed again, for a later purge.
    local kept=()
    while IFS= read -r line; do
        kind="${line%% *}" path="${line#* }"
        if [ "$kind" = d ] && ! rmdir -- "$path" 2>/dev/null; then kept=("d $path" "${kept[@]}"); fi
    done < <(tac <<<"$manifest_text")
    kept+=("${kept_files[@]}")
    if ((${#kept[@]})); then printf '%s\n' "${kept[@]}" >"$manifest"; fi
    if ((purge)); then rmdir -- "$prefix" 2>/dev/null || true; fi
    grep -q '^f ' <<<"$manifest_text"
}

if [ "$mode" = uninstall ]; then
    if uninstall; then
        echo "VantrelImport removed."
    else
        echo "VantrelImport was not installed here (no $manifest)."
    fi
    if [ -f "$prefix/settings.ini" ]; then
        echo "Its settings stay in $prefix/settings.ini; to remove them as well:"
        echo "  $prefix/install-user.sh --uninstall --purge"
    fi
    exit 0
fi

# Temporary files and folders, removed at the end whatever happens.
scratch=()
made=()
manifest_due=0
finish() {
    if ((manifest_due)); then printf '%s\n' "${made[@]}" | awk '!seen[$0]++' >"$manifest"; fi
    if ((${#scratch[@]})); then rm -rf -- "${scratch[@]}"; fi
}
trap finish EXIT

# Where the program comes from.
here="$(cd "$(dirname "$0")" && pwd)"
if [ -x "$here/VantrelImport" ] && [ -d "$here/share" ]; then
    src="$here"
elif [ -f "$here/../CMakeLists.txt" ] && [ -f "$here/run.sh" ]; then
    root="$(cd "$here/.." && pwd)"
    bash "$root/scripts/deps.sh"
    cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVI_BUILD_TESTS=OFF -DVI_BUILD_BENCH=OFF
    cmake --build "$root/build" --parallel "$(nproc)"
    stage="$(mktemp -d)"
    scratch+=("$stage")
    cmake --install "$root/build" --prefix "$stage" --strip >/dev/null
    src="$stage"
else
    echo "install-user.sh: no VantrelImport beside this script and no source tree above it" >&2
    exit 1
fi

# An earlier install goes first, settings.ini stays.
uninstall || true

# Folders an earlier install made and settings.ini kept are still this install's to remove.
if [ -f "$manifest" ]; then mapfile -t made <"$manifest"; fi
folder() {
    [ -d "$1" ] && return 0
    folder "$(dirname -- "$1")"
    mkdir -- "$1"
    made+=("d $1")
}
put() { # put <mode> <source> <target>
    folder "$(dirname -- "$3")"
    install -m "$1" -- "$2" "$3"
    made+=("f $3")
}

folder "$prefix"
manifest_due=1 # written even when the install breaks off, so that it can be uninstalled
put 0755 "$src/VantrelImport" "$prefix/VantrelImport"
put 0755 "$src/install-user.sh" "$prefix/install-user.sh"
while IFS= read -r -d '' f; do
    put 0644 "$f" "$prefix/${f#"$src/"}"
done < <(find "$src/locale" -type f -print0 | sort -z)
while IFS= read -r -d '' f; do
    put 0644 "$f" "$data_home/icons/${f#"$src/share/icons/"}"
done < <(find "$src/share/icons" -type f -name '*.png' -print0 | sort -z)

# Desktop entries want the program's full path; quoted as their Exec key prescribes, then
# escaped as a string value.
exec_argument() {
    local a="$1"
    a="${a//%/%%}"
    if [[ "$a" =~ [][[:space:]\"\'\\\>\<~\|\&\;\$\*\?\#\(\)\`] ]]; then
        a="${a//\\/\\\\}" a="${a//\"/\\\"}" a="${a//\`/\\\`}" a="${a//\$/\\\$}"
        a="\"$a\""
    fi
    printf '%s' "${a//\\/\\\\}"
}
program="$prefix/VantrelImport"
entry="$(mktemp)"
scratch+=("$entry")
sed -e "s|^Exec=.*|Exec=env QT_LOGGING_RULES=vantrelimport.trace=false $(exec_argument "$program" | sed 's/[\\&|]/\\&/g')|" \
    -e "/^Icon=/a TryExec=$(printf '%s' "${program//\\/\\\\}" | sed 's/[\\&|]/\\&/g')" \
    "$src/share/applications/vantrelimport.desktop" >"$entry"
put 0644 "$entry" "$menu_entry"
printf 'X-GNOME-Autostart-enabled=true\n' >>"$entry"
put 0644 "$entry" "$autostart_entry"

echo "VantrelImport installed in $prefix; it starts with the next desktop session."
echo "Start it now from the menu, or with: $program"
