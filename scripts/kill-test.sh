#!/usr/bin/env bash
# Kills `vaktool prepare` and `vaktool calc` at random moments on a 100,000-line tender and
# checks after every kill that an independent reader (python3-dbfread) reads VAK.DBF whole,
# that VAK.MEM is either the old or the new header, and that a rerun repairs everything: the
# tender amount it writes equals that of the same tender calculated without interruption.
# Usage: scripts/kill-test.sh [BUILD_DIR]   (default build/; needs bin/vaktool there)
set -euo pipefail
cd "$(dirname "$0")/.."
vaktool="$(realpath "${1:-build}")/bin/vaktool"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$vaktool" sample "$work/reference" --lines 100000 --type 2 --seed 7 >/dev/null
cp -r "$work/reference" "$work/tender"
expected="$("$vaktool" calc "$work/reference" 2>/dev/null)"
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

RANDOM=2026
kills=0
round=0
while [ "$kills" -lt 10 ] && [ "$round" -lt 60 ]; do  # ten runs really killed, five of each
  round=$((round + 1))
  command=$([ $((kills % 2)) -eq 0 ] && echo prepare || echo calc)
  delay="0.$(printf '%03d' $((RANDOM % 120 + 2)))"
  "$vaktool" "$command" "$work/tender" --yes >/dev/null 2>&1 &
  pid=$!
  sleep "$delay"
  if ! kill -9 "$pid" 2>/dev/null; then
    wait "$pid" 2>/dev/null || true
    continue  # it had finished: not a kill
  fi
  kills=$((kills + 1))
  wait "$pid" 2>/dev/null || true
  if ! read_back "$work/tender"; then
    echo "실패: $round번째 ($command, ${delay}초에 중단) 뒤 VAK.DBF를 읽을 수 없습니다." >&2
    exit 1
  fi
  echo "$kills: $command ${delay}초에 중단 → VAK.DBF, VAK.MEM 읽힘"
done

if [ "$kills" -lt 10 ]; then
  echo "실패: 실행을 중단시키지 못했습니다 (${kills}번)." >&2
  exit 1
fi

# A rerun repairs whatever a kill left: the same amount as the uninterrupted run.
got="$("$vaktool" calc "$work/tender" --yes 2>/dev/null)"
read_back "$work/tender"
if [ "$got" != "$expected" ]; then
  echo "실패: 다시 계산한 결과가 다릅니다: '$got' / '$expected'" >&2
  exit 1
fi
if [ -e "$work/tender/VAK.MEM.new~" ] || [ -e "$work/tender/VAK.DBF.new~" ]; then
  echo "실패: 쓰다 만 임시 화일이 남았습니다." >&2
  exit 1
fi
echo "중단 시험: ${kills}번 중단, 다시 실행하여 같은 결과 ($got)"
echo "1 passed, 0 failed"
