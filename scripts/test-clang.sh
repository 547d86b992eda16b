#!/usr/bin/env bash
# Builds everything with clang (Debian's clang) in Release with warnings as errors, and runs
# the core's tests from that build. Usage: scripts/test-clang.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if ! command -v clang++ >/dev/null; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends clang >/dev/null
fi
dir=${1:-build-clang}
cmake -S . -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release -DVAK_WERROR=ON >/dev/null
cmake --build "$dir"
cd "$dir"
ctest --output-on-failure -j"$(nproc)" -R '^test_(common|store|pricing|reports|views|tools)$'
