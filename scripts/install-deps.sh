#!/usr/bin/env bash
# Installs the Debian packages the programs and their tests need, when any is missing.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-qpa-plugins qt6-translations-l10n
    libsqlite3-dev libgtest-dev
    fonts-ipafont-mincho fonts-ipafont-gothic fonts-liberation2
    poppler-utils appstream desktop-file-utils
    xvfb xauth dbus at-spi2-core libatspi2.0-dev sqlite3 libqt6svg6
    libxlsxwriter-dev libzip-dev libxcb1-dev libcue-dev
    # The real clients the tests check the programs against.
    libreoffice-calc-nogui orca cuetools
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null; then
        echo "Please run as root: apt-get install ${missing[*]}" >&2
        exit 1
    fi
    as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
