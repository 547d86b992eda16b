#!/usr/bin/env bash
# Configures (once) and builds into build/ (or the directory given as $1, with any further
# arguments passed to CMake). Executables land in <build>/bin.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
shift || true
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
fi
cmake --build "$dir" -- -j"$(nproc)" --quiet
