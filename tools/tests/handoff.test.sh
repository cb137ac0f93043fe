#!/usr/bin/env bash
# orvex handoff show: both hand-off files read as the child tools read them.
# Usage: handoff.test.sh ORVEX [RUNNER]
source "$(dirname "$0")/lib.sh" "$@"
show() { orvex handoff show --json "$@" >raw.txt 2>err.txt; local rc=$?; u8 <raw.txt >out.txt; return $rc; }

# As OrvexRoll writes it.
printf '1\r\n45,2,1\r\nC:\\Inst\\Bin\\|C:\\Docs\\Orvex\\\r\nC:\\OrvexRoll\\20240102_030405\\\r\nMCPARA.prg\r\nC:\\Upd\\Para\\a.txt\r\nC:\\Upd\\Para\\b.txt\r\n' > AutoPara.def
show AutoPara.def; check "AutoPara.def" $?
has '"kind": "AutoPara.def", "count": 2, "model": 1, "wait_ms": 45000, "retry_count": 2, "fill_flag": 1'; check "para numbers" $?
has '"install_folder": "C:\\Inst\\Bin\\", "documents_folder": "C:\\Docs\\Orvex\\", "run_folder": "C:\\OrvexRoll\\20240102_030405\\"'; check "para folders" $?
has '"save_file_name": "MCPARA.prg", "definition_files": ["C:\\Upd\\Para\\a.txt", "C:\\Upd\\Para\\b.txt"], "reports": []'; check "para files" $?

printf '0\r\n0,3,0\r\n|C:\\Docs\\\r\nC:\\Run\\\r\n\\MCPARA.prg\r\n\r\n' > autopara.DEF
show autopara.DEF; check "name in any case" $?
has '"reports": [{"code": 0, "text": "更新用パラメータ定義ファイル指定無"}]'; check "no definition file reported" $?

printf '0\r\n60,3,1,-5,196613\r\n|C:\\Docs\r\nC:\\Run\r\n\r\n\r\n\r\nC:\\Run\\MCPARA.prg\r\nC:\\Upd\\Prg\\McCPU.prg\r\nC:\\Upd\\Prg\\Mc;DSP.prg\r\n' > AutoVerUp.def
show AutoVerUp.def; check "AutoVerUp.def" $?
has '"count": 2, "model": 0, "wait_ms": 60000, "retry_count": 3, "force_flag": 1, "first_stage": 1, "resume_value": 196613'; check "verup numbers, stage -5 read as 1" $?
has '"fixed_slots": ["", "", "", "C:\\Run\\MCPARA.prg"]'; check "three empty USB slots" $?
has '"program_files": ["C:\\Upd\\Prg\\McCPU.prg", "C:\\Upd\\Prg\\Mc"]'; check "program files, ; cut" $?

cp AutoVerUp.def copy.txt
show copy.txt --verup; check "--verup" $?
has '"kind": "AutoVerUp.def"'; check "forced kind" $?
orvex handoff show copy.txt --para | u8 > out.txt; check "--para text output" $?
has 'kind:             AutoPara.def'; check "text kind" $?
orvex handoff show AutoVerUp.def | u8 > out.txt
has 'first stage:      1 (normal run)'; check "text stage" $?

orvex handoff show copy.txt >out.txt 2>&1; rc=$?
[ $rc = 1 ] && [ "$(wc -l < out.txt)" -eq 1 ]; check "unknown name needs --para or --verup (rc=$rc)" $?
orvex handoff show AutoPara.def.missing --para >out.txt 2>err.txt; rc=$?
[ $rc = 2 ]; check "missing file (rc=$rc)" $?
orvex handoff frob >out.txt 2>err.txt; rc=$?
[ $rc = 1 ]; check "unknown sub-command (rc=$rc)" $?

finish
