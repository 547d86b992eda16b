#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and runs each for $1 seconds (default 120),
# adding what it finds to the kept corpus in fuzz/corpus/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-120}"
command -v clang++ >/dev/null || { apt-get install -y -qq clang >/dev/null; }
if [ ! -f build-fuzz/build.ninja ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DVAK_FUZZ=ON -DVAK_GUI=OFF -DVAK_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build-fuzz --target fuzz_dbf fuzz_cdx fuzz_mem fuzz_startup
for t in dbf cdx mem startup; do
  build-fuzz/bin/fuzz_$t -max_total_time="$seconds" -max_len=65536 -timeout=10 fuzz/corpus/$t
done
