#!/usr/bin/env bash
# Cross-builds the core libraries, vaktool and the core's tests for 64-bit Windows with
# Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix) into build-windows/ and runs the tests
# under Wine (wine64, console only: no display is needed). GoogleTest is built from Debian's
# sources for the target. Then vaktool.exe and the Linux vaktool make the same tender and
# prepare and calculate it, and the files must be byte for byte the same
# (scripts/compare-windows.sh), and the kill test runs vaktool.exe (scripts/kill-test.sh).
# Installs what is missing. Ends with the ctest summary of the Windows tests.
# Usage: scripts/test-windows.sh [LINUX_BUILD_DIR]   (default build/, for the Linux vaktool)
set -euo pipefail
cd "$(dirname "$0")/.."
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

need=()
for p in g++-mingw-w64-x86-64-posix wine64 googletest; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

dir=build-windows
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake \
    -DVAK_GUI=OFF -DVAK_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVAK_WERROR=$([ "${VAK_WERROR:-0}" = 1 ] && echo ON || echo OFF) >/dev/null
fi
cmake --build "$dir" -- -j"$(nproc)" --quiet

# Wine's own settings and its C: drive live in the build directory, made on the first run.
source scripts/wine-env.sh "$PWD/$dir"
wineboot_log="$PWD/$dir/wineboot.log"
[ -f "$WINEPREFIX/system.reg" ] || "$VAK_WINE" wineboot --init >"$wineboot_log" 2>&1 || true

linux="${1:-build}"
if [ -x "$linux/bin/vaktool" ]; then
  scripts/compare-windows.sh "$linux/bin/vaktool" "$dir/bin/vaktool.exe"
else
  echo "compare-windows: skipped, no Linux vaktool in $linux/bin (build it first: scripts/test.sh)"
fi

# vaktool.exe killed at random moments under Wine: every restart finds whole, agreeing files.
scripts/kill-test.sh "$dir" windows

cd "$dir"
ctest --output-on-failure -j"$(nproc)"
