#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when missing.
set -euo pipefail
bash "$(dirname "$0")/install-missing.sh" cmake ninja-build g++ pkg-config qt6-base-dev \
    libgtest-dev libgmock-dev libbenchmark-dev unixodbc unixodbc-dev libsqliteodbc tdsodbc \
    gettext ccache fonts-wine xvfb trayer xauth x11-utils python3 dbus desktop-file-utils "$@"
