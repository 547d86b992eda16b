#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; ends with the ctest summary.
# With VAK_SANITIZE=1 it builds into build-asan/ with AddressSanitizer and
# UndefinedBehaviorSanitizer instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Warnings become errors only when asked (VAK_WERROR=1, as .ci/run does): a user's build never stops on one.
werror="-DVAK_WERROR=$([ "${VAK_WERROR:-0}" = 1 ] && echo ON || echo OFF)"
if [ "${VAK_SANITIZE:-0}" = 1 ]; then
  dir=build-asan
  scripts/build.sh "$dir" -DVAK_SANITIZE=ON -DVAK_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug "$werror"
  source scripts/sanitizer-env.sh
else
  dir=build
  scripts/build.sh "$dir" "$werror"
fi
cd "$dir"
ctest --output-on-failure -j"$(nproc)"
