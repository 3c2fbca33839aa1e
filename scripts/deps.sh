#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when missing.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgtest-dev libgmock-dev libbenchmark-dev
          unixodbc unixodbc-dev libsqliteodbc tdsodbc gettext fonts-wine xvfb trayer xauth "$@")
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -o DPkg::Lock::Timeout=600
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends \
        -o DPkg::Lock::Timeout=600 "${missing[@]}"
fi
