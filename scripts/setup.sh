#!/usr/bin/env bash
# Installs the Debian packages the program, its tests and its benchmarks need; does nothing
# when all of them are there already. Run as root (or through sudo) on Debian 12.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev qt6-translations-l10n
  libgtest-dev libbenchmark-dev
  fonts-nanum fonts-nanum-coding fontconfig
  xvfb xauth
  python3 python3-dbfread libdbd-xbase-perl
  poppler-utils
  libxlsxwriter-dev libzip-dev libexpat1-dev libreoffice-calc-nogui
  cups printer-driver-cups-pdf
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "설치할 패키지: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
