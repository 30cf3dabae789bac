#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs every Debian package that building, running, testing and
# benchmarking need; packages already present are left alone.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql libgl-dev
    libicu-dev libsqlite3-dev libfontconfig-dev
    libgsf-1-dev libquazip1-qt6-dev python3-xlwt python3-openpyxl
    # The export loads libxlsxwriter4 when it runs; the -dev package gives its header.
    libxlsxwriter-dev libxlsxwriter4
    fonts-wqy-microhei qt6-translations-l10n
    desktop-file-utils appstream
    file gcovr
    poppler-utils
    xvfb libx11-dev libxtst-dev libxdamage-dev
    # A server address book loads libpq5 when it opens; the -dev package gives its header.
    postgresql libpq-dev libpq5
    # qtkeychain-qt6-dev provides the Qt6Keychain CMake package the core links for the sync password
    qtkeychain-qt6-dev radicale vdirsyncer python3-vobject openssl
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

# The variable goes after sudo, which would otherwise drop it from the environment.
apt_get() {
    if [ "$(id -u)" -eq 0 ]; then
        DEBIAN_FRONTEND=noninteractive apt-get "$@"
    else
        sudo DEBIAN_FRONTEND=noninteractive apt-get "$@"
    fi
}
if [ "$(id -u)" -ne 0 ] && ! command -v sudo >/dev/null 2>&1; then
    cat >&2 <<MESSAGE
These Debian packages are missing: ${missing[*]}
They need root to install, and this system has no sudo. Install them as root, then run this
command again:

    su -c 'apt-get update && apt-get install --no-install-recommends ${missing[*]}'
MESSAGE
    exit 1
fi
echo "Installing: ${missing[*]}"
apt_get update -qq
apt_get install -y -qq --no-install-recommends "${missing[@]}"
