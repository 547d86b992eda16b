#!/usr/bin/env bash
# Builds everything with clang (Debian's clang) in Release with warnings as errors, and runs
# the core's tests from that build. With VAK_SANITIZE=1 the build also has AddressSanitizer and
# UndefinedBehaviorSanitizer, and every test runs (CI does this: one clang build serves both).
# Usage: scripts/test-clang.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if ! command -v clang++ >/dev/null; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends clang >/dev/null
fi
dir=${1:-build-clang}
sanitize=OFF
tests='^test_(common|store|pricing|reports|views|tools)$'
if [ "${VAK_SANITIZE:-0}" = 1 ]; then
  sanitize=ON
  tests='.'
  source scripts/sanitizer-env.sh
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release -DVAK_WERROR=ON \
  -DVAK_SANITIZE="$sanitize" >/dev/null
cmake --build "$dir"
cd "$dir"
ctest --output-on-failure -j"$(nproc)" -R "$tests"
