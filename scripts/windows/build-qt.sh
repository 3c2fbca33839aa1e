#!/usr/bin/env bash
# Builds Debian's own Qt 6 (the same version as the host tools) for 64-bit Windows with MinGW-w64,
# once per machine, into a cache folder outside the repository; later runs find the stamp and
# return at once. Prints the install prefix as its last line.
# Usage: scripts/windows/build-qt.sh [--check]  (VI_QT_CACHE overrides the cache folder)
# An archive of this script's result for the same recipe is unpacked instead of building, when
# there is one: VI_QT_ARCHIVE, else the shared folder beside the repository (or beside the
# repository of this worktree): ../shared/qt6-mingw/<name listed below>, whose checksum it must
# have.
# With --check it builds nothing: it prints the prefix if that Qt is there (or unpacks the
# archive), else fails.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache="${VI_QT_CACHE:-$HOME/.cache/vantrelimport/qt6-mingw}"
prefix="$cache/qt"
stamp="$prefix/.vantrelimport-built"
jobs="${VI_QT_JOBS:-$(nproc)}"
# Qt's own -O2 more than doubles the build time on a small machine; the program's windows
# and tests do not need it. VI_QT_OPTIMIZE=-O2 builds it as Qt would.
optimize="${VI_QT_OPTIMIZE:--O0}"

# Bump when the configuration below changes, so that an older cache is rebuilt.
recipe="6 $optimize"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$recipe" ]; then
    echo "$prefix"
    exit 0
fi

# Archives of what this script makes, by recipe: <recipe>|<file name>|<sha256>.
archives=(
    "6 -O0|qt6-mingw-6.4.2-recipe6-O0.tar.xz|7647c374aa331ecb2ece661f04b3c6af6d1ea53c950573d542f6a54c140952c2"
)
name="" sum=""
for entry in "${archives[@]}"; do
    IFS='|' read -r r n s <<<"$entry"
    if [ "$r" = "$recipe" ]; then name=$n sum=$s; fi
done
archive="${VI_QT_ARCHIVE:-}"
if [ -z "$archive" ] && [ -n "$name" ]; then
    # Beside this repository, or beside the one whose worktree this is.
    common=$(git -C "$here" rev-parse --path-format=absolute --git-common-dir 2>/dev/null || true)
    for repo in "$here/../.." ${common:+"$common/.."}; do
        shared="$repo/../shared/qt6-mingw/$name"
        if [ -z "$archive" ] && [ -f "$shared" ]; then archive=$(realpath "$shared"); fi
    done
fi
if [ -n "$archive" ]; then
    if [ ! -f "$archive" ]; then
        echo "build-qt.sh: VI_QT_ARCHIVE names no file: $archive" >&2
        exit 1
    fi
    if [ -z "$name" ] || [ "$(sha256sum "$archive" | cut -d ' ' -f 1)" != "$sum" ]; then
        echo "build-qt.sh: $archive is not the archive of the recipe \"$recipe\" (its sha256" \
            "is not ${sum:-listed}): not used" >&2
        # One named on purpose must not be silently replaced by an hour's build.
        if [ -n "${VI_QT_ARCHIVE:-}" ]; then exit 1; fi
        archive=""
    fi
fi
if [ -n "$archive" ]; then
    # Unpacked beside the cache and moved in whole, so that a broken-off unpack leaves no stamp.
    mkdir -p "$cache"
    unpack=$(mktemp -d "$cache/unpack.XXXXXX")
    trap 'rm -rf "$unpack"' EXIT
    tar -xJf "$archive" -C "$unpack" --no-same-owner
    if [ "$(cat "$unpack/qt/.vantrelimport-built" 2>/dev/null)" != "$recipe" ]; then
        echo "build-qt.sh: $archive holds no Qt of the recipe \"$recipe\"" >&2
        exit 1
    fi
    rm -rf "$prefix"
    # Another run may have put the same one there meanwhile.
    mv -T "$unpack/qt" "$prefix" 2>/dev/null || [ "$(cat "$stamp" 2>/dev/null)" = "$recipe" ]
    echo "build-qt.sh: unpacked $archive" >&2
    echo "$prefix"
    exit 0
fi
if [ "${1:-}" = "--check" ]; then
    exit 1
fi

bash "$here/../install-missing.sh" dpkg-dev perl cmake ninja-build g++-mingw-w64-x86-64-posix \
    binutils-mingw-w64-x86-64 qt6-base-dev qt6-base-dev-tools

# The source package of the Qt installed on the host, from the archive this machine already uses.
version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
src_list=/etc/apt/sources.list.d/vantrelimport-src.sources
if ! apt-get source --print-uris "qt6-base=$version" >/dev/null 2>&1; then
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
    archive=$(grep -rhoE 'https?://[^ ]*debian/?$' /etc/apt/sources.list.d/*.sources /etc/apt/sources.list \
        2>/dev/null | head -n 1 || true)
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    printf 'Types: deb-src\nURIs: %s\nSuites: %s %s-updates\nComponents: main\nSigned-By: %s\n' \
        "${archive:-http://deb.debian.org/debian}" "$suite" "$suite" \
        /usr/share/keyrings/debian-archive-keyring.gpg | $sudo tee "$src_list" >/dev/null
    $sudo apt-get update -o DPkg::Lock::Timeout=600 >/dev/null
fi

mkdir -p "$cache/src"
src=$(find "$cache/src" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
if [ -z "$src" ] || [ ! -f "$src/CMakeLists.txt" ]; then
    rm -rf "$cache/src"/*
    (cd "$cache/src" && apt-get source --only-source "qt6-base=$version" >/dev/null)
    src=$(find "$cache/src" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
fi

# Only what the program, its tests and its zip need: Core, Gui, Widgets, Network (the tests'
# loopback listeners), Test, the windows and offscreen platforms and the native style.
# The Debian source lacks the Wintab header (no tablet events); the windows platform does not
# compile without OpenGL, which it loads at run time (dynamic), so OpenGL stays on. With Direct2D
# off, Qt 6.4.2 leaves the DirectWrite 3 font database out of Gui while the windows platform
# still refers to it: that is switched off too (the default font database does not need it).
# Without TLS Qt 6.4.2 still builds the Schannel backend, which then does not compile.
build="$cache/build"
rm -rf "$build" "$prefix"
cmake -S "$src" -B "$build" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$here/mingw-toolchain.cmake" -DCMAKE_CROSSCOMPILING_EMULATOR= \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_USE_DEFAULT_CMAKE_OPTIMIZATION_FLAGS=ON -DCMAKE_C_FLAGS_RELEASE="$optimize -DNDEBUG" \
    -DCMAKE_CXX_FLAGS_RELEASE="$optimize -DNDEBUG" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_tabletevent=OFF -DFEATURE_opengl_dynamic=ON \
    -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF \
    -DFEATURE_xml=OFF -DFEATURE_ssl=OFF -DFEATURE_direct2d=OFF -DFEATURE_imageformatplugin=OFF \
    -DFEATURE_gif=OFF -DFEATURE_jpeg=OFF -DFEATURE_ico=OFF \
    -DFEATURE_textodfwriter=OFF -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF \
    -DFEATURE_vulkan=OFF -DFEATURE_directwrite3=OFF -DFEATURE_schannel=OFF
cmake --build "$build" --parallel "$jobs"
cmake --install "$build" >/dev/null
echo "$recipe" >"$stamp"
echo "$prefix"
