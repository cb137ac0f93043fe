#!/usr/bin/env bash
# orvex recovery show: the record's fields and whether OrvexRoll offers a repair from it.
# Usage: recovery.test.sh ORVEX [RUNNER]
source "$(dirname "$0")/lib.sh" "$@"
show() { orvex recovery show --json "$1" >raw.txt 2>err.txt; local rc=$?; u8 <raw.txt >out.txt; return $rc; }
le32() {  # le32 VALUE: four little-endian bytes
  local v=$(( $1 & 0xFFFFFFFF ))
  printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((v & 255)) $((v >> 8 & 255)) $((v >> 16 & 255)) $((v >> 24 & 255)))"
}
record() {  # record FILE VERSION STATE STAGE FOLDER: a 1056-byte record
  { le32 "$2"; le32 "$3"; le32 -1; le32 "$4"; le32 0; le32 0x30005; le32 0; le32 0
    printf '%s' "$5"; head -c $((1024 - ${#5})) /dev/zero; } > "$1"
}

# The folder is relative, so the same record works on both systems.
mkdir run
record ok.rec 0x02000101 256 3 'run\'
[ "$(wc -c < ok.rec)" = 1056 ]; check "record size" $?
show ok.rec; check "valid record" $?
has '"version": "2.0.1.1", "version_packed": 33554689, "failure_state": 256, "parameter_value": -1, "stage": 3, "resume_value": 196613'; check "fields" $?
has '"repair_offered": true, "reasons": []'; check "repair offered" $?
has '修復情報保存フォルダ = '"'"'run\\'"'"'\n修復情報確認(v2.0.1.1) State = 100h, Stage = 3(30005h)'; check "log text" $?

record nosep.rec 0x02000000 2 0 'run'
show nosep.rec; has '"repair_offered": true'; check "folder without backslash, 2.0.0.0, stage 0" $?

record gone.rec 0x02000101 256 3 'gone\'
show gone.rec; has '"repair_offered": false, "reasons": ["run folder cannot be reached'; check "deleted folder ignored" $?
record old.rec 0x01FFFFFF 256 -5 'run\'
show old.rec; has '"reasons": ["written by a version below 2.0.0.0", "stage below -4'; check "every reason named" $?

{ cat ok.rec; printf 'trailing bytes'; } > long.rec
show long.rec; has '"size": 1070' && has '"repair_offered": true'; check "longer file: its first 1056 bytes" $?
head -c 1055 ok.rec > short.rec
orvex recovery show short.rec >out.txt 2>&1; rc=$?
[ $rc = 3 ] && [ "$(wc -l < out.txt)" -eq 1 ]; check "short file ignored (rc=$rc)" $?

orvex recovery show ok.rec | u8 > out.txt; check "text output" $?
has 'repair offered:  yes'; check "text verdict" $?
orvex recovery show gone.rec | u8 > out.txt
has '  because: run folder cannot be reached'; check "text reason" $?
orvex recovery show missing.rec >out.txt 2>err.txt; rc=$?
[ $rc = 2 ]; check "missing file (rc=$rc)" $?

finish
