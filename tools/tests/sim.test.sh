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
# JSON, so that a test can pull the adapter out at each of them in turn.
orvex sim show >out.txt 2>&1
n=$(sed -n 's/^operations = //p' out.txt | tr -d '\r')
[ "$n" = 77 ]; check "a session counts its operations (got '$n')" $?
orvex sim show --json >out.json 2>&1; check "show --json" $?
python3 "$SOURCE/tools/tests/jsoncheck.py" out.json "doc['operations'] == 77" 'doc["unplug_at"] == 0' \
  'doc["present"] is True and doc["available"] in (True, False)' 'doc["state"]["mc"].startswith("0x00 0x1105 0x2011")' \
  'doc["state"]["board.3"].startswith("0x02 ")' 'doc["state"]["time_scale"] == "10"'
check "show --json: the count and every key" $?
orvex sim show --bogus >out.txt 2>&1; [ $? = 1 ]; check "show refuses an unknown option" $?

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
