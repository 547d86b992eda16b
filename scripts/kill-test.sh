#!/usr/bin/env bash
# Kills `vaktool prepare`, `calc`, `carry` and `restore` at random moments on a 100,000-line
# tender. After every kill the program is started again (`vaktool prepare`, which finishes a
# save the kill cut short), and then an independent reader (python3-dbfread) must read VAK.DBF
# whole, VAK.MEM must be a whole header, and the pair must agree: when no part needs a
# recalculation, the stored tender amount is the computed one. At the end the originals are
# restored and calculated: the amount equals that of the same tender calculated without
# interruption, and nothing a killed run made is left.
# Usage: scripts/kill-test.sh [BUILD_DIR] [windows]   (default build/; needs bin/vaktool there)
# With "windows", BUILD_DIR is a Windows build (build-windows/) and bin/vaktool.exe runs under
# Wine and is killed there, a little later on the whole, as Wine takes a moment to start it.
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath "${1:-build}")"
vaktool="$build/bin/vaktool"
runner=()
startup=0
if [ "${2:-}" = windows ]; then
  source scripts/wine-env.sh "$build"
  vaktool="$build/bin/vaktool.exe"
  runner=("$VAK_WINE")
  startup=300  # milliseconds more to draw from: Wine takes a moment to start the program
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"${runner[@]}" "$vaktool" sample "$work/reference" --lines 100000 --type 2 --seed 7 >/dev/null
# The agency's files as a calculated pair, so that the originals agree with themselves too.
for part in 1 2 3; do "${runner[@]}" "$vaktool" calc "$work/reference" --part "$part" >/dev/null 2>&1; done
mkdir "$work/tender" "$work/source"
cp "$work/reference/VAK.DBF" "$work/reference/VAK.MEM" "$work/tender/"
cp "$work/reference/VAK.DBF" "$work/reference/VAK.MEM" "$work/source/"
# A bill to carry from, with other prices (every unit price 7 won more), calculated throughout.
/usr/bin/python3 - "$work/source/VAK.DBF" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], 'rb').read())
count, header, length = struct.unpack('<IHH', data[4:12])
at, offset, field = 32, 1, None
while data[at] != 0x0D:
    name, size = data[at:at + 11].split(b'\0')[0], data[at + 16]
    if name == b'F_PRIC':
        field = (offset, size)
    offset += size
    at += 32
for r in range(count):
    start = header + r * length + field[0]
    text = data[start:start + field[1]].decode().strip()
    if text and text.lstrip('-').isdigit() and int(text) > 0:
        data[start:start + field[1]] = str(int(text) + 7).rjust(field[1]).encode()
open(sys.argv[1], 'wb').write(data)
PY
for part in 1 2 3; do "${runner[@]}" "$vaktool" calc "$work/source" --part "$part" >/dev/null 2>&1; done
expected="$("${runner[@]}" "$vaktool" calc "$work/reference" 2>/dev/null)"
echo "기준: $expected"

read_back() {  # the table read whole by another xBase reader; the header by ours
  /usr/bin/python3 - "$1/VAK.DBF" "$1/VAK.MEM" <<'PY'
import sys, dbfread
t = dbfread.DBF(sys.argv[1], char_decode_errors='strict')
n = sum(1 for _ in t)
assert n == len(t), (n, len(t))
assert n > 90000, n
# The header: fifteen whole entries (32-byte entry header, then the value), nothing cut.
m = open(sys.argv[2], 'rb').read()
at, names = 0, []
while len(m) - at >= 32:
    kind = m[at + 11] & 0x7F
    size = m[at + 16] | (m[at + 17] << 8) if kind == ord('C') else 8
    names.append(m[at:at + 11].split(b'\0')[0].decode())
    at += 32 + size
    assert at <= len(m), 'cut entry'
assert at == len(m), 'trailing bytes'
assert len(names) == 15 and 'CMN_IPMT' in names, names
PY
}

agree() {  # no part stale => the stored tender amount is the computed one
  { "${runner[@]}" "$vaktool" check "$1" --json 2>/dev/null || true; } | /usr/bin/python3 -c '
import json, sys
r = json.load(sys.stdin)
if not any(p["stale"] for p in r["parts"]):
    assert not r["tenderAmount"]["differs"], r["tenderAmount"]
'
}

RANDOM=2026
kills=0
round=0
commands=(prepare calc carry restore)
while [ "$kills" -lt 20 ] && [ "$round" -lt 120 ]; do  # twenty runs really killed, five of each
  round=$((round + 1))
  command=${commands[$((kills % 4))]}
  case "$command" in
    carry) args=("$work/source" "$work/tender" --overwrite --yes); delay="$((RANDOM % 2)).$(printf '%03d' $((RANDOM % 1000)))" ;;
    *) args=("$work/tender" --yes); ms=$((RANDOM % (120 + startup) + 2)); delay="$((ms / 1000)).$(printf '%03d' $((ms % 1000)))" ;;
  esac
  "${runner[@]}" "$vaktool" "$command" "${args[@]}" >/dev/null 2>&1 &
  pid=$!
  sleep "$delay"
  if ! kill -9 "$pid" 2>/dev/null; then
    wait "$pid" 2>/dev/null || true
    continue  # it had finished: not a kill
  fi
  kills=$((kills + 1))
  wait "$pid" 2>/dev/null || true
  "${runner[@]}" "$vaktool" prepare "$work/tender" --yes >/dev/null 2>&1 || { echo "실패: $round번째 ($command) 뒤 다시 시작할 수 없습니다." >&2; exit 1; }
  if ! read_back "$work/tender"; then
    echo "실패: $round번째 ($command, ${delay}초에 중단) 뒤 VAK.DBF를 읽을 수 없습니다." >&2
    exit 1
  fi
  if ! agree "$work/tender"; then
    echo "실패: $round번째 ($command, ${delay}초에 중단) 뒤 VAK.DBF와 VAK.MEM이 맞지 않습니다." >&2
    exit 1
  fi
  echo "$kills: $command ${delay}초에 중단 → 다시 시작, VAK.DBF와 VAK.MEM 읽힘, 서로 맞음"
done

if [ "$kills" -lt 20 ]; then
  echo "실패: 실행을 중단시키지 못했습니다 (${kills}번)." >&2
  exit 1
fi

# The originals back and calculated: the same amount as the uninterrupted run.
"${runner[@]}" "$vaktool" restore "$work/tender" --yes >/dev/null 2>&1 || { echo "실패: 원본으로 되돌릴 수 없습니다." >&2; exit 1; }
got="$("${runner[@]}" "$vaktool" calc "$work/tender" --yes 2>/dev/null)"
read_back "$work/tender"
if [ "$got" != "$expected" ]; then
  echo "실패: 다시 계산한 결과가 다릅니다: '$got' / '$expected'" >&2
  exit 1
fi
left="$(find "$work/tender" -maxdepth 1 \( -name '*.new~' -o -name '.vak-carry-*' -o -name VAK.COMMIT \) | head -1)"
if [ -n "$left" ]; then
  echo "실패: 중단된 실행이 남긴 것이 있습니다: $left" >&2
  exit 1
fi
echo "중단 시험: ${kills}번 중단, 다시 실행하여 같은 결과 ($got)"
echo "1 passed, 0 failed"
