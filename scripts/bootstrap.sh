#!/usr/bin/env bash
# Installs the Debian packages Tamrel needs to build, run and test, and any
# further packages named as arguments.
# Runs apt-get as root, or through sudo when not root; does nothing when
# everything is already there.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config ccache
    qt6-base-dev libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-liberation
    libhamlib-utils libhamlib-dev
    clang clang-tidy libclang-rt-14-dev
    libxml2-utils
    xvfb openbox xdotool x11-utils dbus-daemon at-spi2-core python3-pyatspi
)
# Node and npm run an independent ADIF reader in the tests; a machine that
# already has them (from elsewhere than Debian) keeps its own.
command -v node >/dev/null && command -v npm >/dev/null || packages+=(nodejs npm)
# Callers that need more (the packaging checks) name them.
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
