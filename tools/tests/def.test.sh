#!/usr/bin/env bash
# orvex def check/new/show/diff on the sample definition file and on broken ones.
# Usage: def.test.sh ORVEX [RUNNER]   (RUNNER runs a Windows orvex.exe through Wine)
source "$(dirname "$0")/lib.sh" "$@"
# Texts come out in UTF-8 (lib.sh asks for it), with CR LF from orvex.exe.
u8() { tr -d '\r'; }
cp932() { iconv -f UTF-8 -t CP932 | sed 's/$/\r/'; }
cp "$SOURCE/paramtool/model/Cti_par.txt" sample.txt

# --- check ---------------------------------------------------------------------------------
orvex def check sample.txt > out.raw; rc=$?
u8 < out.raw > out.txt
check "check sample exit 0 (rc=$rc)" $rc
[ "$(tail -n 1 out.txt)" = "valid items: 104" ]; check "check sample: last line $(tail -n 1 out.txt)" $?
grep -q '^version: 1003$' out.txt; check "check sample: version" $?
grep -q '^block 2: "ｱﾅﾛｸﾞ局線", table PAR2, switch 1$' out.txt; check "check sample: block 2" $?
grep -q '^table PAR1: 2 tags, 29 items, zero-valid 0018-001B 0020$' out.txt; check "check sample: table 1" $?
! grep -q '^line ' out.txt; check "check sample: no skipped lines" $?

cp932 > broken.txt <<'DEF'
[TITLE] 壊れた定義
[VER] 0x0105
[CMDB2] 局線, PAR9, 1
0000, 表の外, BNR, 1, , 1
[PAR1]
0000, タグの外, BNR, 1, , 1
[TAG] 頁
0000, 種別不明, XYZ, 1, , 1
0BFF, はみ出し, BNR, 2, , 1
01, 頭なし, GCHL, , , 1
0010, 頭, GCH, 1, , 
8, 範囲外, GCHL, , , 1
0020, 正常, BNR, 2, , 5
0021, 重なり, BNR, 1, , 5
[FOO] x
DEF
orvex def check broken.txt > out.raw; rc=$?
u8 < out.raw > out.txt
[ $rc = 4 ]; check "check broken exit 4 (rc=$rc)" $?
for expect in \
    '^version: 0000$' \
    '^block 2: "局線", table none, switch 1$' \
    '^line 3: command block 2 names a table that does not exist' \
    '^line 4: item outside a tag' \
    '^line 6: item outside a tag' \
    "^line 8: invalid item \"種別不明\": unknown kind 'XYZ'" \
    '^line 9: invalid item "はみ出し": offset or width outside the block' \
    '^line 10: invalid item "頭なし": member without a head' \
    '^line 12: invalid item "範囲外": bit number out of range' \
    '^line 14: item "重なり" (0021) overlaps item "正常" (0020-0021) of line 13' \
    '^line 15: unknown header \[FOO\]' \
    '^invalid items: 4$' \
    '^valid items: 3$'; do
  grep -q "$expect" out.txt; check "check broken: $expect" $?
done
# (Through Wine the error line arrives on stdout, so both streams are read together.)
orvex def check no-such.txt > out.txt 2>&1; rc=$?
[ $rc = 2 ] && [ "$(wc -l < out.txt)" -eq 1 ] && u8 < out.txt | grep -q 'パラメータ定義ファイルのオープンに失敗しました。'
check "check missing file: exit 2 with the load failure's text (rc=$rc)" $?
orvex def check > /dev/null 2>&1; [ $? = 1 ]; check "check without a file: exit 1" $?

# --- new -----------------------------------------------------------------------------------
orvex def new sample.txt -o MCPARA.prg > /dev/null; rc=$?
check "new exit 0 (rc=$rc)" $rc
[ "$(wc -c < MCPARA.prg)" -eq 15452 ]; check "new writes 15452 bytes" $?
info=$(orvex prg info --json MCPARA.prg | u8)
echo "$info" | grep -q '"kind": 145, "subkind": 1,'; check "new: kind 0x91 and class 1: $info" $?
echo "$info" | grep -q '"version": "1.003"'; check "new: version" $?
echo "$info" | grep -q '"file_size": 15452, "valid_size": 15452'; check "new: sizes" $?
echo "$info" | grep -q '"checksum_ok": true'; check "new: checksum" $?
ls -a | grep -q '\.tmp$'; [ $? = 1 ]; check "new leaves no temporary file" $?

# --- show ----------------------------------------------------------------------------------
orvex def show sample.txt > out.raw; rc=$?
u8 < out.raw > initial.txt
check "show exit 0 (rc=$rc)" $rc
grep -q '^    0018 応答監視時間 = 60 秒$' initial.txt; check "show: timer with unit" $?
grep -q '^    0010 ダイヤル種別 = 2 (PB(DTMF))$' initial.txt; check "show: drop-down entry" $?
grep -q '^      bit 1 of 0033 INS64から = 1 (disabled)$' initial.txt; check "show: disabled member" $?
grep -q '^   1-10: A A A A A A A A A A$' initial.txt; check "show: channels" $?
orvex def show sample.txt MCPARA.prg | u8 > fromfile.txt
diff <(tail -n +3 initial.txt) <(tail -n +3 fromfile.txt) > /dev/null; check "show of the new file equals the initial values" $?
orvex def show sample.txt MCPARA.prg --json | u8 > show.json
python3 - show.json <<'PY'; check "show --json" $?
import json, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
assert d["definition"]["version"] == "1003", d["definition"]
assert len(d["blocks"]) == 5 and len(d["channels"]) == 60
items = [i for b in d["blocks"] for p in b["pages"] for i in p["items"]]
assert len(items) == 104, len(items)
name = [i for i in items if i["name"] == "装置名称"][0]
assert name["value"] == "ORVEX-CTI" and name["class"] == 4, name
PY

# --- diff ----------------------------------------------------------------------------------
orvex def diff sample.txt MCPARA.prg MCPARA.prg > out.raw; rc=$?
[ $rc = 0 ] && u8 < out.raw | grep -q '^no differences$'; check "diff equal: exit 0 (rc=$rc)" $?
# A changed copy: channel 5 to block 3, the drop-down of block 2, one byte no item covers.
python3 - <<'PY'
body = bytearray(open("MCPARA.prg", "rb").read()[32:])
body[4] = 2
body[60 + 3072 + 0x10] = 1
body[60 + 3072 + 0x400] = 0x55
open("body.bin", "wb").write(body)
PY
orvex prg make --magic KV4100 --kind 0x91 --subkind 1 --version 0x1004 -o NEW.prg body.bin
orvex def diff sample.txt MCPARA.prg NEW.prg > out.raw; rc=$?
u8 < out.raw > out.txt
[ $rc = 1 ]; check "diff changed: exit 1 (rc=$rc)" $?
for expect in \
    '^version: 1003 -> 1004$' \
    '^channel 5: A -> B$' \
    '^block 2 "ｱﾅﾛｸﾞ局線", page "発信", "ダイヤル種別" (0010): 2 (PB(DTMF)) -> 1 (20PPS)$' \
    '^block 2 "ｱﾅﾛｸﾞ局線": 1 bytes outside the defined items differ, the first at 0400$'; do
  grep -q "$expect" out.txt; check "diff changed: $expect" $?
done
[ "$(wc -l < out.txt)" -eq 4 ]; check "diff lists nothing else" $?
# Group bits: the GCHV head switched off and its member 3 on, member 2 of the GCH off. Members
# whose bits stay are not listed, nor are heads for their members' bits.
python3 - <<'PY'
body = bytearray(open("MCPARA.prg", "rb").read()[32:])
body[60 + 0x30] = (body[60 + 0x30] & ~0x01) | 0x08
body[60 + 0x32] &= ~0x04
open("body.bin", "wb").write(body)
PY
orvex prg make --magic KV4100 --kind 0x91 --subkind 1 --version 0x1003 -o GROUP.prg body.bin
orvex def diff sample.txt MCPARA.prg GROUP.prg > out.raw; rc=$?
u8 < out.raw > out.txt
[ $rc = 1 ]; check "diff group bits: exit 1 (rc=$rc)" $?
for expect in \
    '^block 1 "共通設定", page "保守・警報", "ログを出力する" (0030): 1 -> 0$' \
    '^block 1 "共通設定", page "保守・警報", "デバッグログ" (bit 3 of 0030): 0 -> 1 (disabled)$' \
    '^block 1 "共通設定", page "保守・警報", "回線異常" (bit 2 of 0032): 1 -> 0$'; do
  grep -q "$expect" out.txt; check "diff group bits: $expect" $?
done
[ "$(wc -l < out.txt)" -eq 3 ]; check "diff group bits lists nothing else: $(cat out.txt)" $?
head -c 15000 MCPARA.prg > short.prg
orvex def diff sample.txt MCPARA.prg short.prg > out.txt 2>&1; rc=$?
[ $rc = 3 ] && u8 < out.txt | grep -q '指定のファイル形式は、パラメータ設定データ用ではありません。'
check "diff with a short file: exit 3 (rc=$rc)" $?
orvex def diff sample.txt MCPARA.prg > /dev/null 2>&1; [ $? = 2 ]; check "diff without a second file: exit 2" $?

# --- fill ----------------------------------------------------------------------------------
# A device image whose first 0x22 bytes of block 1 are empty (the zero-valid items 0018-001B and
# 0020 among them): the fill gives back every initial value but those, unless --zero-valid, and
# never a check box's (0016).
python3 - <<'PY'
data = bytearray(open("MCPARA.prg", "rb").read())
data[92:92 + 0x22] = bytes(0x22)
s = sum(data[i] | data[i + 1] << 8 for i in range(10, len(data) - 1, 2)) + (data[-1] if (len(data) - 10) % 2 else 0)
data[8:10] = ((~s) & 0xFFFF).to_bytes(2, "little")
open("EMPTY.prg", "wb").write(data)
PY
orvex def fill sample.txt EMPTY.prg -o FILLED.prg > out.raw; rc=$?
u8 < out.raw | grep -q '^FILLED.prg: 6 items filled, class 1, version 1003$'; check "fill: exit 0 and the count (rc=$rc)" $?
orvex def diff sample.txt MCPARA.prg FILLED.prg > out.raw
u8 < out.raw | sed 's/.*(\(....\)).*/\1/' | tr '\n' ' ' > out.txt
[ "$(cat out.txt)" = "0016 0018 001A 0020 " ]; check "fill leaves the check box and the zero-valid items: $(cat out.txt)" $?
orvex def fill sample.txt EMPTY.prg --zero-valid -o ALL.prg > /dev/null
orvex def diff sample.txt MCPARA.prg ALL.prg > out.raw
[ "$(u8 < out.raw | sed 's/.*(\(....\)).*/\1/')" = "0016" ]; check "fill --zero-valid fills the zero-valid items too" $?
orvex def fill sample.txt short.prg -o X.prg > /dev/null 2>&1; [ $? = 3 ]; check "fill of a short file: exit 3" $?

finish
