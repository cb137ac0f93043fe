#!/usr/bin/env bash
# orvex prg make and info: every kind round-trips; broken files give one clear line and the right
# exit code. Usage: prg.test.sh ORVEX [RUNNER]   (RUNNER runs a Windows orvex.exe through Wine)
source "$(dirname "$0")/lib.sh" "$@"

head -c 1000 /dev/urandom > payload.bin
# kind subkind expected-kind-text
while read -r kind sub text; do
  orvex prg make --magic KV4100 --kind "$kind" --subkind "$sub" --version 1.025 --ext 1,2,0xABCD -o img.prg payload.bin
  check "make $kind/$sub" $?
  out=$(orvex prg info --json img.prg | u8)
  check "info $kind/$sub exit" $?
  echo "$out" | grep -q "\"kind_text\": \"$text\"" ; check "kind text $kind/$sub: $out" $?
  echo "$out" | grep -q '"version": "1.025"' ; check "version $kind/$sub" $?
  echo "$out" | grep -q '"checksum_ok": true' ; check "checksum $kind/$sub" $?
  echo "$out" | grep -q '"extended": \[4133, 1, 2, 43981, 0, 0, 0, 0\]' ; check "extended $kind/$sub" $?
  echo "$out" | grep -q '"file_size": 1032, "valid_size": 1032' ; check "sizes $kind/$sub" $?
done <<'LIST'
0x00 0x00 MC-CPU (00)
0x01 0x05 MC-DSP (05)
0x02 0x00 MC-DSP (00)
0x10 0x00 INS64-CPU (00)
0x10 0x20 INS1500-CPU (20)
0x10 0x21 INS1500-DSP (21)
0x10 0x30 INS64U-CPU (30)
0x10 0x31 INS64U-DSP (31)
0x10 0x32 INS64ST/U-CPU (32)
0x10 0x33 INS64ST/U-DSP (33)
0x10 0x22 unknown(10,22)
0x11 0x00 INS64-DSP1 (00)
0x12 0x00 INS64-DSP2 (00)
0x13 0x00 INS64-DSP3 (00)
0x20 0x40 PV-CPU (40)
0x20 0x41 PV-DSP (41)
0x90 0x01 MC音声ﾃﾞｰﾀ (01)
0x91 0x07 MCﾊﾟﾗﾒｰﾀ (07)
0x92 0x00 MC静止画ﾃﾞｰﾀ (00)
0x47 0x06 unknown(47,06)
LIST

# A named kind carries its name from offset 48.
orvex prg make --magic PV4100 --kind 0x35 --subkind 2 --version 0x2001 --name AB -o named.prg payload.bin
check "make named" $?
orvex prg info --json named.prg | grep -q '"kind_text": "AB (02)", "version": "2.001"'; check "stored name" $?
orvex prg info named.prg | u8 | grep -q '^magic: *PV4100'; check "text output" $?

# The checksum covers offsets 10 .. valid size - 1 only.
orvex prg make --magic KV4100 --kind 0 --subkind 0 --version 1 --valid-size 11 -o v11.prg payload.bin
orvex prg info --json v11.prg | grep -q '"valid_size": 11,.*"checksum_ok": true'; check "valid size 11" $?

# A damaged body is reported and exits 3, but the header is still shown.
cp img.prg bad.prg
printf '\x55\x55\x55' | dd of=bad.prg bs=1 seek=100 conv=notrunc 2>/dev/null
out=$(orvex prg info bad.prg); rc=$?
[ $rc = 3 ] && echo "$out" | grep -q MISMATCH; check "damaged image exit 3" $?

# Broken inputs: one line on stderr, the right exit code, never a crash.
expect_fail() {  # expect_fail NAME CODE ARGS...
  local name=$1 code=$2; shift 2
  orvex "$@" >out.txt 2>err.txt; local rc=$?
  [ $rc = "$code" ] && [ "$(wc -l < err.txt)" -eq 1 ] && [ ! -s out.txt ]
  check "$name (rc=$rc, stderr: $(head -c 200 err.txt))" $?
}
: > empty.prg
head -c 31 img.prg > short.prg
head -c 5000 /dev/urandom > random.prg
expect_fail missing 2 prg info no-such-file.prg
expect_fail empty 3 prg info empty.prg
expect_fail short 3 prg info short.prg
expect_fail random 3 prg info random.prg
expect_fail "no file" 1 prg info
expect_fail "bad kind" 1 prg make --magic KV4100 --kind 0x100 --subkind 0 --version 1 -o x.prg payload.bin
expect_fail "bad magic" 1 prg make --magic XX4100 --kind 0 --subkind 0 --version 1 -o x.prg payload.bin
expect_fail "missing payload" 2 prg make --magic KV4100 --kind 0 --subkind 0 --version 1 -o x.prg nothing.bin
expect_fail "valid size too big" 1 prg make --magic KV4100 --kind 0 --subkind 0 --version 1 --valid-size 5000 -o x.prg payload.bin
expect_fail "unknown command" 1 frobnicate

finish
