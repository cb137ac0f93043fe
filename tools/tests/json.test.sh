#!/usr/bin/env bash
# Every --json output parses with a strict JSON reader (UTF-8, jsoncheck.py), its Japanese values
# equal the code page 932 sources in UTF-8, and any bytes still give valid JSON. Plain text comes
# out as the reader's locale (or --encoding) asks; the files orvex writes keep their bytes.
# Usage: json.test.sh ORVEX [RUNNER]
source "$(dirname "$0")/lib.sh" "$@"
jc() { python3 "$SOURCE/tools/tests/jsoncheck.py" "$@"; }
raw() { run $RUNNER "$ORVEX" "$@"; }  # without lib.sh's --encoding
to932() { python3 -c 'import sys; sys.stdout.buffer.write(sys.argv[1].encode("cp932"))' "$1"; }

cp "$SOURCE/paramtool/model/Cti_par.txt" sample.txt
cp "$SOURCE/autoupdate/tests/data/OrvexRoll.ini" sample.ini

# The demo package: images of several kinds and the parameter save file of the sample definition.
head -c 3000 /dev/urandom > payload.bin
orvex prg make --magic KV4100 --kind 0x00 --subkind 0 --version 2.103 -o MC_CPU.prg payload.bin
orvex prg make --magic KV4100 --kind 0x35 --subkind 2 --version 1.000 --name ANALOG -o ANALOG.prg payload.bin
orvex def new sample.txt -o MCPARA.prg; check "def new" $?
orvex prg info --json MC_CPU.prg ANALOG.prg MCPARA.prg > out.json; check "prg info" $?
jc out.json 'len(docs) == 3' 'docs[2]["kind_text"] == "MCﾊﾟﾗﾒｰﾀ (01)"' 'docs[2]["checksum_ok"] is True'
check "prg info: one object per file, Japanese kind text" $?

orvex def show sample.txt --json > out.json; check "def show" $?
title='[l for l in cp932("sample.txt").splitlines() if l.startswith("[TITLE]")][0][7:].strip()'
jc out.json "doc['definition']['title'] == $title" 'doc["blocks"][1]["name"] == "ｱﾅﾛｸﾞ局線"' \
  'all(i["name"] in cp932("sample.txt") for b in doc["blocks"] for p in b["pages"] for i in p["items"])' \
  'all(p["name"] in cp932("sample.txt") for b in doc["blocks"] for p in b["pages"])'
check "def show: names equal the definition's" $?
orvex def show sample.txt MCPARA.prg --json > out.json; check "def show with a save file" $?
jc out.json 'doc["image"]["file"] == "MCPARA.prg"' 'len(doc["channels"]) == 60'; check "def show of a save file" $?

orvex ini show sample.ini --json > out.json
jc out.json 'doc["TitleName"] != "" and doc["TitleName"] in cp932("sample.ini")'
check "ini show of the sample" $?
orvex ini template -o template.ini; check "ini template" $?
orvex ini show template.ini --json > out.json
jc out.json 'isinstance(doc["SysFile"], list)'; check "ini show of the template" $?

# Hand-off files and a recovery record with Japanese folders, trail bytes 0x5C among them
# ("表" and "ソ" end in a backslash byte).
folder='C:\更新作業\表示ソフト\'
export FOLDER=$folder
{ printf '1\r\n45,2,1\r\n'; to932 "$folder"; printf '|C:\\Docs\\\r\n'; to932 "${folder}20240102\\"; printf '\r\nMCPARA.prg\r\n'
  to932 "${folder}定義.txt"; printf '\r\n'; } > AutoPara.def
orvex handoff show --json AutoPara.def > out.json; check "handoff AutoPara.def" $?
jc out.json 'doc["install_folder"] == env["FOLDER"]' 'doc["run_folder"] == env["FOLDER"] + "20240102\\"' \
  'doc["definition_files"] == [env["FOLDER"] + "定義.txt"]'
check "AutoPara.def: folders equal the file's" $?
{ printf '0\r\n60,3,1,2,196613\r\n|C:\\Docs\r\n'; to932 "$folder"; printf '\r\n\r\n\r\n\r\n'; to932 "${folder}MCPARA.prg"
  printf '\r\n'; to932 "${folder}主制御.prg"; printf '\r\n'; } > AutoVerUp.def
orvex handoff show --json AutoVerUp.def > out.json; check "handoff AutoVerUp.def" $?
jc out.json 'doc["program_files"] == [env["FOLDER"] + "主制御.prg"]'; check "AutoVerUp.def: files equal the file's" $?

python3 - "$folder" <<'PY'
import struct, sys
folder = sys.argv[1].encode("cp932")
open("ja.rec", "wb").write(struct.pack("<IiiiII8x", 0x02000101, 256, -1, 3, 0, 0x30005) + folder.ljust(1024, b"\0"))
PY
orvex recovery show --json ja.rec > out.json; check "recovery show" $?
jc out.json 'doc["run_folder"] == env["FOLDER"]'; check "recovery: run folder equals the record's" $?

# Any bytes: whatever a command prints for a random file is valid JSON.
for n in 1 2 3 4 5 6; do
  head -c $((n * 700)) /dev/urandom > random.bin
  head -c 1056 /dev/urandom > random.rec
  for command in "prg info --json random.bin" "def show random.bin --json" "ini show random.bin --json" \
    "handoff show --json --para random.bin" "handoff show --json --verup random.bin" "recovery show --json random.rec"; do
    orvex $command > out.json 2>/dev/null; rc=$?
    if [ -s out.json ]; then jc out.json; check "random bytes: $command (rc=$rc)" $?; fi
  done
done
jc out.json 'isinstance(doc["run_folder"], str)'; check "a random record's folder is a string" $?

# Plain text: the locale's encoding on the host, code page 932 when redirected in orvex.exe;
# --encoding forces either. The same text either way.
if [ -z "$RUNNER" ]; then
  LC_ALL=C.UTF-8 raw def show sample.txt > utf8.txt; check "def show in a UTF-8 locale" $?
  grep -qF 'block 2 "ｱﾅﾛｸﾞ局線"' utf8.txt; check "readable Japanese in a UTF-8 locale" $?
  LC_ALL=C raw def show sample.txt > c.txt
  LC_ALL=C.UTF-8 raw --encoding cp932 def show sample.txt > cp932.txt
  cmp -s c.txt cp932.txt; check "--encoding cp932 gives the bytes of a non-UTF-8 locale" $?
else
  raw def show sample.txt > cp932.txt; check "def show, redirected" $?
  raw def show sample.txt --encoding utf-8 > utf8.txt; check "def show --encoding utf-8" $?
fi
grep -qF 'block 2 "ｱﾅﾛｸﾞ局線"' utf8.txt && ! grep -qF 'block 2 "ｱﾅﾛｸﾞ局線"' cp932.txt; check "two encodings" $?
python3 -c 'import sys; a = open(sys.argv[1], "rb").read().decode("utf-8"); b = open(sys.argv[2], "rb").read().decode("cp932"); sys.exit(a != b)' \
  utf8.txt cp932.txt; check "the same text in UTF-8 and in code page 932" $?
raw --encoding latin1 def show sample.txt > out.txt 2>err.txt; rc=$?
[ $rc = 1 ] && cat out.txt err.txt | grep -q 'encoding'; check "unknown encoding refused (rc=$rc)" $?

# Written files keep their bytes whatever the output encoding.
raw --encoding utf-8 def new sample.txt -o a.prg && raw --encoding cp932 def new sample.txt -o b.prg && cmp -s a.prg b.prg
check "def new: the same file in either encoding" $?
raw --encoding utf-8 ini template -o a.ini && raw --encoding cp932 ini template -o b.ini && cmp -s a.ini b.ini
check "ini template: the same file in either encoding" $?

finish
