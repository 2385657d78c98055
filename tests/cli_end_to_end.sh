#!/usr/bin/env bash
# End-to-end test of the built velmora-cli: a key written by "new", a
# fixture coded and decoded byte for byte, a random key, a missing key, an
# unreadable input among readable ones, and failing outputs.
#   cli_end_to_end.sh [EMULATOR...] PROGRAM
# With an emulator (Wine), the program runs through it.
set -uo pipefail
cli=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# expect_exit CODE COMMAND...: runs velmora-cli and checks its exit code.
expect_exit() {
  local want=$1
  shift
  "${cli[@]}" "$@" </dev/null >out 2>err
  local got=$?
  [ "$got" -eq "$want" ] || fail "velmora-cli $* exited with $got, not $want: $(cat err)"
}

# A key in which each symbol is coded by the next one.
expect_exit 0 new --key key.log --codes bcdefghijklmnopqrstuvwxyz0123456789a
# The record's 37 slots: a to n, the slot of ñ (no code), o to z, 1 to 9, 0.
printf 'b\000\000c\000\000d\000\000e\000\000f\000\000g\000\000h\000\000i\000\000j\000\000k\000\000l\000\000m\000\000n\000\000o\000\000\000\000\000p\000\000q\000\000r\000\000s\000\000t\000\000u\000\000v\000\000w\000\000x\000\000y\000\000z\000\0000\000\0002\000\0003\000\0004\000\0005\000\0006\000\0007\000\0008\000\0009\000\000a\000\0001\000\000' >want.log
cmp -s key.log want.log || fail "new --codes wrote $(od -An -c key.log | head -3)"

# Capitals (ASCII and not), ñ, accented letters, CR LF and invalid UTF-8.
printf 'Hola \303\221and\303\272, \303\211STE ES EL A\303\221O 2024.\r\nSegunda l\303\255nea: \302\277qu\303\251? \303\234 \303\247\r\n\377\376 mal \303(\r\n' >plain.txt
printf 'hola \303\261and\303\272, \303\251ste es el a\303\261o 2024.\r\nsegunda l\303\255nea: \302\277qu\303\251? \303\274 \303\247\r\n\377\376 mal \303(\r\n' >lowered.txt
printf 'ipmb \303\261boe\303\272, \303\251tuf ft fm b\303\261p 3135.\r\ntfhvoeb m\303\255ofb: \302\277rv\303\251? \303\274 \303\247\r\n\377\376 nbm \303(\r\n' >coded.txt

expect_exit 0 encode --key key.log plain.txt
cmp -s out coded.txt || fail "encode gave $(od -An -c out | head -4)"
expect_exit 0 decode --key key.log coded.txt
cmp -s out lowered.txt || fail "decode gave $(od -An -c out | head -4)"
# Through pipes, with "-" between files.
"${cli[@]}" encode --key key.log <plain.txt | "${cli[@]}" decode --key key.log - >piped 2>err ||
  fail "encode | decode failed: $(cat err)"
cmp -s piped lowered.txt || fail "encode | decode gave $(od -An -c piped | head -4)"
printf 'Z' | "${cli[@]}" encode --key key.log plain.txt - plain.txt >out 2>err || fail "encode with - failed"
cat coded.txt >want
printf '0' >>want
cat coded.txt >>want
cmp -s out want || fail "encode FILE - FILE gave $(od -An -c out | head -4)"

# A random key is a permutation of the 36 symbols, and passes the check.
expect_exit 0 new --key random.log --random
expect_exit 0 show --key random.log
codes=$(awk '{print $2}' out | LC_ALL=C sort | tr -d '\n')
symbols=$(awk '{print $1}' out | LC_ALL=C sort | tr -d '\n')
[ "$symbols" = 0123456789abcdefghijklmnopqrstuvwxyz ] || fail "show listed $symbols"
[ "$codes" = "$symbols" ] || fail "new --random gave codes $codes"
expect_exit 0 check --key random.log

# Refused codes write nothing.
expect_exit 3 new --key refused.log --codes 'b:defghijklmnopqrstuvwxyz0123456789a'
[ ! -e refused.log ] || fail "refused codes were written"
grep -q '^velmora-cli: la clave no pasa' err || fail "refusal said: $(cat err)"

# A missing key.
expect_exit 2 encode --key missing.log plain.txt
[ ! -s out ] || fail "encode without a key wrote output"
grep -q 'no existe el fichero de clave' err || fail "missing key said: $(cat err)"

# An unreadable input (missing, a folder) among readable ones.
mkdir folder
expect_exit 1 encode --key key.log plain.txt nothing.txt folder plain.txt
cat coded.txt coded.txt >want
cmp -s out want || fail "readable inputs around unreadable ones gave $(od -An -c out | head -4)"
grep -q 'nothing.txt' err && grep -q 'folder' err || fail "unreadable inputs said: $(cat err)"

# A reader that stops early ends the run quietly with 0, as head wants it.
for _ in $(seq 12); do cat plain.txt plain.txt plain.txt plain.txt; done >big.txt
for _ in $(seq 11); do cat big.txt big.txt; done >huge.txt # about 10 MiB
"${cli[@]}" encode --key key.log huge.txt 2>err | head -c 10 >/dev/null
status=${PIPESTATUS[0]}
[ "$status" -eq 0 ] || fail "encode into a closed pipe exited with $status: $(cat err)"
[ ! -s err ] || fail "encode into a closed pipe said: $(cat err)"

# A full disk is an error.
if [ -w /dev/full ] && [ ${#cli[@]} -eq 1 ]; then
  "${cli[@]}" encode --key key.log plain.txt >/dev/full 2>err
  status=$?
  [ "$status" -eq 1 ] || fail "encode to a full disk exited with $status"
  grep -q 'no queda espacio' err || fail "full disk said: $(cat err)"
fi

[ "$failures" -eq 0 ] && echo "all end-to-end cases passed"
exit $((failures > 0))
