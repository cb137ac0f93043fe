#!/usr/bin/env bash
# make demo, OrvexSet's step: the parameter setting tool with the sample definition, without an
# adapter, driven from outside: a settings window opened, a screenshot of both windows in
# build/demo, then the program closed through its own close button. Then the file modes against
# the demo adapter: its parameters read with /s, a changed file written with /f, read back, and
# what changed shown by orvex def diff. Called by scripts/demo.sh with Xvfb and the Wine prefix
# ready.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/orvexset-lib.sh

demo=$ORVEX_BUILD_ROOT/demo/orvexset
settings=(--caption "ｱﾅﾛｸﾞ局線 - パラメータ設定")
echo "== OrvexSet with the sample definition"
orvexset_start "$demo"
pid=$orvexset_pid
ui windows --pid "$pid" --utf8
echo "== a settings window: ｱﾅﾛｸﾞ局線"
ui click --pid "$pid" "${orvexset_main[@]}" --id 2101
ui wait --pid "$pid" "${settings[@]}" --timeout 30 >/dev/null
sleep 1
import -window root "$demo/orvexset-settings.png"
convert "$demo/orvexset-settings.png" -trim +repage "$demo/orvexset-settings.png"
echo "screenshot: $demo/orvexset-settings.png"
ui click --pid "$pid" "${settings[@]}" --id 3006
echo "== closed through its own close button"
ui click --pid "$pid" "${orvexset_main[@]}" --id 2000
# wait-exit reads the code while the program still runs; once it is gone, it is gone.
if code=$(ui wait-exit --pid "$pid" --timeout 30 2>/dev/null); then
  echo "exit code: $(echo "$code" | tr -d '\r')"
else
  echo "OrvexSet has ended"
fi

echo "== OrvexSet's file modes with the demo adapter"
adapter=$ORVEX_BUILD_ROOT/demo/adapter
[ -f "$adapter/OrvexSim.txt" ] || orvexset_adapter "$adapter" time_scale=25
files=$demo/files
orvexset_folder "$files"
orvex_exe() { "$ORVEX_ROOT/scripts/wine-run" "$ORVEX_BUILD_ROOT/${ORVEX_FORM:-windows}/tools/orvex.exe" --encoding utf-8 "$@"; }
# Runs OrvexSet.exe with the arguments against the adapter; prints and returns its full exit code.
orvexset_file_mode() {
  local pid code
  pid=$(ui start --env ORVEX_SIM="$(winpath "$adapter")" --cwd "$(winpath "$files")" \
    -- "$(winpath "$files/OrvexSet.exe")" "$@" | tr -d '\r')
  code=$(ui wait-exit --pid "$pid" --timeout 60 | tr -d '\r')
  echo "OrvexSet.exe $*: exit code $code"
  [ "$code" = 0 ]
}
orvexset_file_mode /s "$(winpath "$files/read.prg")" /m
orvex_exe prg info "$(winpath "$files/read.prg")"
# A technician's change: channel 3 to block 5 (Ｄ), and 装置番号 of 共通設定 (block 1, offset 0) 7.
python3 - "$files/read.prg" "$files/changed.prg" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
data[32 + 2] = 4
data[32 + 60 + 0] = 7
total = sum(data[i] | (data[i + 1] << 8) for i in range(10, len(data) - 1, 2))
if (len(data) - 10) % 2:
    total += data[-1]
checksum = ~total & 0xFFFF
data[8], data[9] = checksum & 0xFF, checksum >> 8
open(sys.argv[2], "wb").write(data)
PY
orvexset_file_mode /f "$(winpath "$files/changed.prg")" /m
# The adapter restarts after the write; /s finds no adapter while it is away.
for _ in 1 2 3 4 5; do
  orvexset_file_mode /s "$(winpath "$files/again.prg")" /m && break
  sleep 1
done
echo "== what the adapter holds now against what it held (orvex def diff)"
orvex_exe def diff "$(winpath "$files/Cti_par.txt")" "$(winpath "$files/read.prg")" \
  "$(winpath "$files/again.prg")" || true
