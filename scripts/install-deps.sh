#!/usr/bin/env bash
# Installs every Debian package the project needs. Idempotent: prints nothing
# and does nothing when all of them are present.
set -euo pipefail

packages=(
    pybind11-dev python3-dev python3-pybind11 python3-numpy python3-pytest python3-matplotlib
    build-essential cmake ninja-build pkg-config
    libboost-dev zlib1g-dev
    qt6-base-dev libqt6opengl6-dev qt6-charts-dev libxkbcommon-dev libgl-dev
    qt6-translations-l10n
    libgtest-dev libgmock-dev libbenchmark-dev
    libopenmpi-dev openmpi-bin
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages: ${missing[*]}" >&2
    echo "Run this script as root (for example: sudo $0) to install them." >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
