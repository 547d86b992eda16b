#!/usr/bin/env bash
# Builds the Debian package as a packager would (Release, without the tests), unpacks it into a
# scratch root with dpkg -x and runs the unpacked programs there: vaktool --version and a
# calculation on a sample tender, vak --version. lintian, where it can be installed, must
# report no error. Usage: scripts/test-package.sh [BUILD_DIR]
# A BUILD_DIR that is configured already is packaged as it is (CI packages its clang Release
# build); otherwise a Release build is made there (default build-package/).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
dir=${1:-build-package}
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
# dpkg-shlibdeps computes the package's library dependencies; lintian checks the package.
for tool in dpkg-shlibdeps:dpkg-dev lintian:lintian; do
  command -v "${tool%%:*}" >/dev/null || DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${tool##*:}" >/dev/null || true
done

if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVAK_TESTS=OFF -DVAK_BENCH=OFF \
    -DVAK_WERROR="$([ "${VAK_WERROR:-0}" = 1 ] && echo ON || echo OFF)" >/dev/null
fi
cmake --build "$dir"
version=$(sed -n 's/^#define VAK_VERSION "\(.*\)"$/\1/p' "$dir/generated/VakVersion.h")
arch=$(dpkg --print-architecture)
deb="$dir/vak_${version}_${arch}.deb"
rm -f "$deb"
(cd "$dir" && cpack -G DEB >/dev/null)
[ -f "$deb" ] || { echo "패키지가 만들어지지 않았습니다: $deb" >&2; exit 1; }
dpkg -I "$deb"
dpkg-deb -f "$deb" Depends | grep -q 'fonts-nanum-coding' || { echo "Depends에 fonts-nanum-coding이 없습니다" >&2; exit 1; }
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || { echo "Depends에 Qt 6 라이브러리가 없습니다" >&2; exit 1; }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
for f in usr/bin/vak usr/bin/vaktool usr/share/applications/vak.desktop usr/share/icons/hicolor/scalable/apps/vak.svg \
         usr/share/doc/vak/copyright usr/share/doc/vak/changelog.gz usr/share/man/man1/vaktool.1.gz; do
  [ -e "$root/$f" ] || { echo "패키지에 $f 가 없습니다" >&2; exit 1; }
done
grep -q '^Name=전산내역입찰$' "$root/usr/share/applications/vak.desktop"
grep -q '^Categories=Office;$' "$root/usr/share/applications/vak.desktop"
command -v desktop-file-validate >/dev/null && desktop-file-validate "$root/usr/share/applications/vak.desktop"

# The unpacked programs, run from the scratch root, away from the source and build trees.
work=$(mktemp -d -p "$root")
cd "$work"
[ "$("$root/usr/bin/vaktool" --version)" = "vaktool $version" ]
[ "$("$root/usr/bin/vak" --version)" = "vak $version" ]
"$root/usr/bin/vaktool" sample tender --lines 400 --type 2 --seed 12 >/dev/null
"$root/usr/bin/vaktool" calc tender --part 2 | grep -q '^전체금액계산 완료 ( 총입찰금액: '
cd - >/dev/null

if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb"
  echo "lintian: 오류 없음"
else
  echo "lintian이 없어 검사를 건너뜁니다."
fi
echo "패키지 확인: $deb"
