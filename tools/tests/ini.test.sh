#!/usr/bin/env bash
# orvex ini template and ini show: the template byte for byte, the file read and checked as
# OrvexRoll reads and checks it. Usage: ini.test.sh ORVEX [RUNNER]
source "$(dirname "$0")/lib.sh" "$@"
GOLDEN=$SOURCE/autoupdate/tests/data/OrvexRoll.ini
show() { orvex ini show --json "$1" >raw.txt 2>err.txt; local rc=$?; u8 <raw.txt >out.txt; return $rc; }

orvex ini template -o OrvexRoll.ini; check "template written" $?
cmp -s OrvexRoll.ini "$GOLDEN"; check "template byte for byte" $?
echo changed >> OrvexRoll.ini
orvex ini template -o OrvexRoll.ini >out.txt 2>&1; rc=$?
[ $rc = 2 ] && [ "$(wc -l < out.txt)" -eq 1 ]; check "no template over an existing file (rc=$rc)" $?
tail -c 8 OrvexRoll.ini | grep -q changed; check "existing file kept" $?
orvex ini template -o OrvexRoll.ini.new && cp OrvexRoll.ini.new OrvexRoll.ini

# The template's tools are missing: OrvexRoll refuses to start.
show OrvexRoll.ini; rc=$?
[ $rc = 3 ]; check "missing version update tool refused (rc=$rc)" $?
has '"valid": false'; check "invalid" $?
has '初期設定ファイル内のバージョン更新ツールは存在していません。\n\n'; check "missing tool message" $?
has '"DeviceName": "KV-4100CTIアダプター", "TitleName": "自動更新", "DeviceWaitTime": 60, "DeviceNumRetry": 3'; check "template values" $?
has 'Prg\\McDSP.prg"], "DefFile": ['; check "PrgFile list ends with its second entry" $?
has '"USB1McFile": [], "window_title": "KV-4100CTIアダプター自動更新"'; check "empty USB list, title" $?
has '"model": 0, "model_prefix": "KV"'; check "model" $?

mkdir -p Bin && : > Bin/OrvexFlash.exe
show OrvexRoll.ini; check "present tool accepted" $?
has '"valid": true, "message": ""'; check "valid" $?
has '"parameter_tool": {"availability": "missing", "state": 1'; check "parameter tool missing is state 1" $?
: > Bin/OrvexSet.exe
show OrvexRoll.ini; check "both tools" $?
has '"parameter_tool": {"availability": "present", "state": 0'; check "parameter tool present is state 0" $?
grep -av '^ParaProg=' OrvexRoll.ini > noparam.ini
show noparam.ini; check "no parameter tool is fine" $?
has '"parameter_tool": {"availability": "not configured", "state": -1'; check "parameter tool not configured is -1" $?

# The file is read by OrvexRoll's rules (the rules themselves are tested with the library).
printf 'DeviceNameX=first\r\nDeviceName=second\nDeviceWaitTime=0\rVerUpProg= Bin\\OrvexFlash.exe /e 7 \r\nPrgFile5= Prg\\a b.prg   ; comment\r\nSysFile1=x.sys\r\n' > edge.ini
show edge.ini; check "edge cases accepted" $?
has '"DeviceName": "first"' && has '"DeviceWaitTime": 60' && has 'Prg\\a b.prg"]' && has '"SysFile": []'; check "reading rules" $?

printf 'VerUpProg=Bin\\OrvexFlash.exe\r\nUSB1McFile0=a.prg\r\nUSB1McFile1=b.prg\r\n' > usb.ini
show usb.ini; rc=$?
[ $rc = 3 ] && has '初期設定ファイル内のUSB1.1版MCプログラム・ファイル名項目が不足しています。'; check "two USB1.1 files refused (rc=$rc)" $?

orvex ini show OrvexRoll.ini | u8 > out.txt; check "text output" $?
has 'result:        accepted'; check "text result" $?
has 'DeviceName=KV-4100CTIアダプター'; check "text key" $?

expect_fail() {  # expect_fail NAME CODE ARGS...
  local name=$1 code=$2; shift 2
  orvex "$@" >out.txt 2>&1; local rc=$?
  [ $rc = "$code" ] && [ "$(wc -l < out.txt)" -eq 1 ]
  check "$name (rc=$rc, output: $(head -c 200 out.txt))" $?
}
expect_fail "missing file" 2 ini show no-such.ini
expect_fail "no file" 1 ini show
expect_fail "no output" 1 ini template
expect_fail "unknown sub-command" 1 ini frob

finish
