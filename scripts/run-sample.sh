#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on a scratch copy of the bundled
# sample tender (the copy in sample/ stays as it is).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build

scratch=.scratch/sample-tender
rm -rf "$scratch"
mkdir -p "$scratch"
if compgen -G "sample/*" >/dev/null; then cp -p sample/* "$scratch"/; fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "화면(DISPLAY)이 없어 프로그램 창을 열 수 없습니다: 화면이 있는 곳에서 실행하거나 'xvfb-run -a scripts/run-sample.sh'로 실행하십시오." >&2
  exit 2
fi
exec build/bin/vak "$PWD/$scratch"
