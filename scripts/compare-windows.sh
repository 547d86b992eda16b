#!/usr/bin/env bash
# The same tender made, prepared and calculated by the Linux vaktool and by vaktool.exe under
# Wine, from the same arguments: every file written (VAK.DBF, VAK.MEM, the index, the kept
# originals) must be byte for byte the same, also after prices are entered and adjusted.
# Every step must succeed on both sides. The Windows side works in a folder named "견적 A"
# (Korean, with a blank), and what it prints to a file must be Korean in UTF-8.
# The table's header holds the date of the last change (bytes 1 to 3), today on both sides:
# a run across midnight may differ there, and is reported as such.
# Usage: scripts/compare-windows.sh LINUX_VAKTOOL WINDOWS_VAKTOOL_EXE
set -euo pipefail
cd "$(dirname "$0")/.."
linux="$(realpath "$1")"
windows="$(realpath "$2")"
source scripts/wine-env.sh "$(dirname "$(dirname "$windows")")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/linux" "$work/windows"
korean="견적 A"

same=0
different=0
compare() {  # compare STEP NAME
  local a="$work/linux/tender/$2" b="$work/windows/$korean/$2"
  if cmp -s "$a" "$b"; then
    same=$((same + 1))
  else
    different=$((different + 1))
    echo "compare-windows: $1: $2 differs"
    cmp -l "$a" "$b" | head -5 || true
    if [ "$(cmp -l "$a" "$b" 2>/dev/null | awk '$1 < 2 || $1 > 4' | wc -l)" = 0 ]; then
      echo "  (only the header's date of the last change: the day changed between the runs)"
    fi
  fi
}
both() {  # both ARGS... (DIR stands for the tender folder)
  local a=0 b=0
  (cd "$work/linux" && "$linux" "${@/DIR/tender}" >/dev/null 2>&1) || a=$?
  (cd "$work/windows" && "$VAK_WINE" "$windows" "${@/DIR/$korean}" >>"$work/windows.out" 2>&1) || b=$?
  if [ "$a" != 0 ] || [ "$b" != 0 ]; then
    different=$((different + 1))
    echo "compare-windows: $*: exit status $a on Linux, $b on Windows (both must succeed)"
    tail -2 "$work/windows.out"
  fi
}

both sample DIR --type 2 --lines 600 --seed 5
for f in VAK.DBF VAK.MEM; do compare sample "$f"; done
both prepare DIR --yes
for f in VAK.DBF VAK.MEM VAK.CDX 원본/VAK.DBF 원본/VAK.MEM; do compare prepare "$f"; done
for part in 1 2 3; do
  both calc DIR --part "$part" --yes
  for f in VAK.DBF VAK.MEM VAK.CDX; do compare "calc --part $part" "$f"; done
done
# Prices entered as the dialog enters them (one line, then a split price on a line and its
# identical items), the whole tender calculated, and the amount adjusted to a target.
both price DIR --record 5 --price 12345 --yes
for f in VAK.DBF VAK.MEM; do compare "price --record 5" "$f"; done
both price DIR --record 20 --split 1000,2500,333 --same-items --yes
for f in VAK.DBF VAK.MEM; do compare "price --record 20 --split --same-items" "$f"; done
for part in 1 2 3; do both calc DIR --part "$part" --yes; done
both adjust DIR --target 1,200,000,000 --yes
for f in VAK.DBF VAK.MEM VAK.CDX; do compare "adjust" "$f"; done
# What the tool printed to a file: UTF-8 Korean, the folder's name included.
if grep -q "전체금액계산 완료" "$work/windows.out" && grep -q "$korean" "$work/windows.out"; then
  same=$((same + 1))
else
  different=$((different + 1))
  echo "compare-windows: vaktool.exe's output is not the expected Korean text:"
  head -5 "$work/windows.out"
fi
echo "compare-windows: $same passed, $different failed"
[ "$different" = 0 ]
