#!/usr/bin/env bash
# Cross-builds the core and its tests for 64-bit ARM Linux (Debian's g++-aarch64-linux-gnu)
# and runs them under qemu-user, to show that the numbers, the store and the calculation
# give the same results where long double is not the x87 format. Installs what is missing.
# Ends with the ctest summary.
set -euo pipefail
cd "$(dirname "$0")/.."
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

need=()
for p in g++-aarch64-linux-gnu qemu-user googletest; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

dir=build-aarch64
# The code page conversion (iconv's CP949) needs the ARM C library's gconv modules, which the
# cross compiler's libraries do not carry: they are taken from Debian's libc6:arm64 package.
gconv="$PWD/$dir/arm64-libc/usr/lib/aarch64-linux-gnu/gconv"
if [ ! -f "$gconv/UHC.so" ]; then
  dpkg --print-foreign-architectures | grep -qx arm64 || { $SUDO dpkg --add-architecture arm64 && $SUDO apt-get update -qq; }
  mkdir -p "$dir/arm64-libc"
  scratch="$(mktemp -d)"
  chmod 777 "$scratch"
  (cd "$scratch" && apt-get download libc6:arm64 >/dev/null 2>&1) || { $SUDO apt-get update -qq && (cd "$scratch" && apt-get download libc6:arm64 >/dev/null); }
  dpkg -x "$scratch"/libc6_*_arm64.deb "$dir/arm64-libc"
  rm -rf "$scratch"
fi

if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
    -DVAK_GUI=OFF -DVAK_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVAK_WERROR=$([ "${VAK_WERROR:-0}" = 1 ] && echo ON || echo OFF) >/dev/null
fi
cmake --build "$dir" -- -j"$(nproc)" --quiet
cd "$dir"
GCONV_PATH="$gconv" ctest --output-on-failure -j"$(nproc)"
