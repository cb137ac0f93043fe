#!/usr/bin/env bash
# orvex sim: a fresh adapter, its state changed from the command line, and a whole device session
# against it. Windows only (orvex.exe binds the simulated Orvex.dll); the host orvex has no sim.
# Usage: sim.test.sh ORVEX [RUNNER]
source "$(dirname "$0")/lib.sh" "$@"
if [ -z "$RUNNER" ]; then echo "orvex sim exists on Windows only"; exit 0; fi
export ORVEX_SIM="Z:${work//\//\\}\\adapter"

orvex sim session >out.txt 2>&1; rc=$?
[ $rc = 2 ] && has "OrvexSim.txt: cannot read"; check "no adapter yet (rc=$rc)" $?

orvex sim init "$ORVEX_SIM" >out.txt 2>&1; check "init" $?
[ -f adapter/OrvexSim.txt ]; check "state file written" $?
orvex sim set time_scale=10 >out.txt 2>&1; check "set" $?
orvex sim set time_scale=10 bogus=1 >out.txt 2>&1; rc=$?
[ $rc = 1 ] && has "line 2: unknown key 'bogus'"; check "a bad line is refused (rc=$rc)" $?
orvex sim show >out.txt 2>&1; check "show" $?
has "time_scale = 10"; check "the change is kept" $?

orvex sim session >out.txt 2>&1; rc=$?
[ $rc = 0 ]; check "session (rc=$rc)" $?
has "attach finished: status 1, error 0"; check "attached" $?
has "channel 3 started: INS64 (02h), versions 1.000 1.020 1.105"; check "line channels with versions" $?
has "15452 bytes in 16 blocks; a valid parameter save file"; check "parameter read" $?
has "progress: phase 10 done"; check "progress to the end" $?
has "end: completion 00"; check "end of the write" $?
has "MC-CPU 2.011"; check "restart with the new version" $?
has "session complete"; check "whole session" $?
grep -q "^mc = 0x00 0x1105 0x2011 " adapter/OrvexSim.txt; check "the new version stays in the state file" $?

# Every device operation is counted in the state file: a clean session's N, in plain text and as
# JSON, so that a test can pull the adapter out at each of them in turn; and what they took the
# adapter at time_scale 10: 3 attaches of 40 ms, 15 channels of 3, 41 records of the write of 8,
# the restart 30 + 150, the reset 300 (the blocks' 0.2 ms round to nothing).
orvex sim show >out.txt 2>&1
n=$(sed -n 's/^operations = //p' out.txt | tr -d '\r')
[ "$n" = 77 ]; check "a session counts its operations (got '$n')" $?
grep -q "^adapter_ms = 973" out.txt; check "and the adapter's time" $?
orvex sim show --json >out.json 2>&1; check "show --json" $?
python3 "$SOURCE/tools/tests/jsoncheck.py" out.json "doc['operations'] == 77" 'doc["unplug_at"] == 0 and doc["adapter_ms"] == 973' \
  'doc["present"] is True and doc["available"] in (True, False)' 'doc["state"]["mc"].startswith("0x00 0x1105 0x2011")' \
  'doc["state"]["board.3"].startswith("0x02 ")' 'doc["state"]["time_scale"] == "10"'
check "show --json: the count and every key" $?
orvex sim show --bogus >out.txt 2>&1; [ $? = 1 ]; check "show refuses an unknown option" $?

# orvex device: the adapter as OrvexFlash's device list shows it, as text and as strict JSON.
orvex device info >out.txt 2>&1; rc=$?
[ $rc = 0 ] && has "(MC)     本体 USB2.0 1.105 2.011 2.001 0.100" && has "03       INS64       1.000 1.020 1.105" \
  && has "main controller:  MC-DSP 1.105, MC-CPU 2.011, parameters 2.001, 0.100; generation 2"
check "device info (rc=$rc)" $?
orvex device info --json >out.json 2>&1
python3 "$SOURCE/tools/tests/jsoncheck.py" out.json 'doc["channels"] == 5 and doc["main"]["generation"] == 2' \
  '[r["kind"] for r in doc["list"]] == ["本体 USB2.0", "ｱﾅﾛｸﾞ局線", "ｱﾅﾛｸﾞ内線", "INS64", "PVﾎﾞｰﾄﾞ"]' \
  'doc["list"][3]["extended"] == "0002 1000 1020 1105 0000" and doc["main"]["mc_cpu"] == "2.011"' \
  'doc["library_version"] == "1.1.2.3" and doc["driver_version"] == "1.1.4.0"'
check "device info --json" $?

# Its parameters: a file written into it is what it stores and what a read gives back; a file
# that is no parameter data never reaches it; a failed read leaves the earlier file.
win() { echo "Z:${1//\//\\}"; }
orvex def new "$SOURCE/paramtool/model/Cti_par.txt" -o new.prg >/dev/null 2>&1
orvex device params write "$(win "$work/new.prg")" >out.txt 2>&1; rc=$?
[ $rc = 0 ] && cmp -s new.prg adapter/Parameters.prg; check "params write (rc=$rc)" $?
orvex device params read "$(win "$work/back.prg")" >out.txt 2>&1; rc=$?
[ $rc = 0 ] && cmp -s new.prg back.prg; check "params read gives the written file back (rc=$rc)" $?
orvex prg make --magic KV4100 --kind 0 --subkind 0 --version 1.000 -o image.prg new.prg >/dev/null 2>&1
orvex device params write "$(win "$work/image.prg")" >out.txt 2>&1; rc=$?
[ $rc = 3 ] && has "書換パラメータ・ファイル形式が不正です。" && cmp -s new.prg adapter/Parameters.prg
check "a program image is not written as parameters (rc=$rc)" $?
orvex sim set fault.read_fail=3 >/dev/null 2>&1
orvex device params read "$(win "$work/back.prg")" >out.txt 2>&1
has "257 デバイスに異常が発生しました。" && cmp -s new.prg back.prg; check "a failed read keeps the earlier file" $?

# What OrvexFlash /a would do with a package: an INS64 program one version up, a PV program for
# a board the adapter does not have, an INS64 DSP program it runs already, a main controller
# program that is no file for this generation's list, and a file the package lacks.
mkdir -p pkg
flash=$(dirname "$ORVEX")/../flashtool/win/OrvexFlash.exe
if [ -f "$flash" ]; then
  cp "$flash" pkg/
  mk() { orvex prg make --magic KV4100 "$@" new.prg >/dev/null 2>&1; }
  mk --kind 0x10 --subkind 0x00 --version 1.106 -o pkg/Ins64Cpu.prg
  mk --kind 0x20 --subkind 0x40 --version 1.020 -o pkg/PvCpu.prg
  mk --kind 0x11 --subkind 0x00 --version 1.020 -o pkg/Ins64Dsp.prg
  mk --kind 0x00 --subkind 0x00 --version 2.012 -o pkg/McCPU.prg
  printf '[Info]\r\nDeviceName=KV-4100\r\nVerUpProg=OrvexFlash.exe\r\nPrgFile0=Ins64Cpu.prg\r\nPrgFile1=PvCpu.prg\r\nPrgFile2=Ins64Dsp.prg\r\nPrgFile3=McCPU.prg\r\nPrgFile4=Gone.prg\r\n' >pkg/OrvexRoll.ini
  orvex sim set board.4=none >/dev/null 2>&1
  orvex device plan "$(win "$work/pkg")" --json >out.json 2>&1; rc=$?
  python3 "$SOURCE/tools/tests/jsoncheck.py" out.json \
    '[(s["file"], s["decision"], s["current"]) for s in doc["slots"] if s["file"]] == [("Ins64Cpu.prg", "更新開始", "v1.105"), ("PvCpu.prg", "更新不要", "未装着"), ("Ins64Dsp.prg", "更新不要", "v1.020"), ("McCPU.prg", "更新対象外", ""), ("Gone.prg", "更新対象外", "")]' \
    'doc["slots"][0]["kind"] == "INS64-CPU (00)" and doc["slots"][0]["version"] == "1.106"' \
    'doc["end"] == "自動更新成功 Cnt = 1 / 3"'
  check "device plan --json (rc=$rc)" $?
  grep -q "^board.3 = 0x02 0x1000 0x1020 0x1105" adapter/OrvexSim.txt; check "a plan writes nothing" $?
fi

# Another application holding the adapter, and no adapter at all.
orvex sim set fault.other_apps=1 >/dev/null 2>&1
orvex device info >out.txt 2>&1; rc=$?
[ $rc = 6 ] && has "held by another application"; check "held by another application (rc=$rc)" $?
orvex sim set present=0 >/dev/null 2>&1
orvex device info --wait 1 >out.txt 2>&1; rc=$?
[ $rc = 5 ] && has "no adapter"; check "no adapter (rc=$rc)" $?
orvex device params read "$(win "$work/none.prg")" --wait 0 >out.txt 2>&1
has "256 デバイスが接続されていません。" && [ ! -e none.prg ]; check "params read without an adapter" $?

# Pulled out at operation 30, a progress record of the write: the session ends there and the
# adapter stays away with its main controller erased, until it is plugged in again.
orvex sim init "$ORVEX_SIM" >/dev/null 2>&1
orvex sim set time_scale=10 unplug_at=30 >/dev/null 2>&1
orvex sim session --no-reset >out.txt 2>&1; rc=$?
[ $rc = 4 ] && has "unexpected message 8102h"; check "the session ends at the cut (rc=$rc)" $?
orvex sim show >out.txt 2>&1
has "present = 0" && has "unplugged = 30 progress" && has "mc = 0x00 0x1105 0x0000 0x2001"
check "away, where it was pulled out, main controller erased" $?
orvex sim set present=1 >/dev/null 2>&1
orvex sim session --no-reset >out.txt 2>&1; rc=$?
[ $rc = 0 ] && has "MC-CPU 0.000" && has "session complete"; check "plugged in again: 0.000, then updated (rc=$rc)" $?

# A refused image ends the session with the device's status.
orvex sim set fault.refuse_image=255 >/dev/null 2>&1
orvex sim session --no-reset >out.txt 2>&1; rc=$?
[ $rc = 4 ] && has "WriteProgramImage: 255"; check "refused image (rc=$rc)" $?

[ $fails = 0 ] || cat out.txt
finish
