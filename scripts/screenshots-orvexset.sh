#!/usr/bin/env bash
# OrvexSet's pictures for the README, driven from outside with the UI driver: the main window
# with the sample definition and channels assigned to several command blocks; then with the
# simulated adapter: the main window attached with the boards, the write and read windows
# mid-transfer and the connection question. Called by scripts/screenshots.sh (Xvfb and the Wine
# prefix ready) with the output folder.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/orvexset-lib.sh
out=${1:-docs/screenshots}

work=$ORVEX_BUILD_ROOT/screenshot-orvexset
orvexset_start "$work"
pid=$orvexset_pid
trap 'ui kill --pid "$pid" >/dev/null 2>&1 || true' EXIT
# Channels 13-24 to block 3 (Ｂ), 25-36 to block 4 (Ｃ), 49-52 to block 5 (Ｄ).
assign() {
  local letter=$1 first=$2 last=$3
  for ((row = first; row <= last; row++)); do
    ui select --pid "$pid" "${orvexset_main[@]}" --id 2005 --index "$row" >/dev/null
    ui click --pid "$pid" "${orvexset_main[@]}" --id "$letter" >/dev/null
  done
}
assign 2203 12 23
assign 2204 24 35
assign 2205 48 51
ui select --pid "$pid" "${orvexset_main[@]}" --id 2005 --index 0 >/dev/null
sleep 1
import -window root "$work/root.png"
convert "$work/root.png" -trim +repage "$out/orvexset-main.png"
echo "screenshot: $out/orvexset-main.png"
# Closing asks about the assignments: yes.
ui close --pid "$pid" "${orvexset_main[@]}" >/dev/null
ui answer --pid "$pid" --caption "終了確認" --button yes >/dev/null
ui wait-exit --pid "$pid" --timeout 30 >/dev/null
trap - EXIT

# The adapter: twelve line boards (the last of a kind the tool does not know), parameters that
# assign channels to several blocks, a write slow enough to be seen.
adapter=$ORVEX_BUILD_ROOT/screenshot-orvexset-adapter
orvexset_adapter "$adapter" time_scale=100 attach_delay_ms=100 channels=13 progress_interval_ms=120 \
  "board.5=0x03 0x1300" "board.6=0x04 0x1010 0x1020" "board.7=0x14 0x1004" "board.8=0x00 0x2003" \
  "board.9=0x01 0x4001" "board.10=0x02 0x1000 0x1020 0x1105" "board.11=0x05 0x1000 0x1002" "board.12=0x07 0x0100"
orvexset_parameters paramtool/model/Cti_par.txt "$adapter/Parameters.prg" 2=3 3=3 6=4 7=4 9=5 10=5 12=1
orvexset_auto_read 1
orvexset_start "$work" "$adapter"
pid=$orvexset_pid
trap 'ui kill --pid "$pid" >/dev/null 2>&1 || true' EXIT
sleep 3  # read at once
orvexset_capture "Orvex - " "$out/orvexset-adapter.png"

# A device write: the question, the progress window, the result, and the adapter's restart.
ui click --pid "$pid" "${orvexset_main[@]}" --id 2001 >/dev/null
ui answer --pid "$pid" --caption "デバイス・パラメータ書込確認" --button yes >/dev/null
ui wait --pid "$pid" --caption "デバイス・パラメータ書込中" --match prefix >/dev/null
sleep 2
orvexset_capture "デバイス・パラメータ書込中" "$out/orvexset-write.png"
ui answer --pid "$pid" --caption "デバイス書込結果" --button ok --timeout 30 >/dev/null
ui wait --pid "$pid" --caption "デバイス接続確認" --timeout 30 >/dev/null
sleep 1
orvexset_capture "デバイス接続確認" "$out/orvexset-connect.png"
ui click --pid "$pid" --caption "デバイス接続確認" --id 2 >/dev/null
ui click --pid "$pid" "${orvexset_main[@]}" --id 2000 >/dev/null
ui wait-exit --pid "$pid" --timeout 30 >/dev/null

# A read slow enough to be seen.
ORVEX_SIM=$(winpath "$adapter") scripts/wine-run "$ORVEX_BUILD_ROOT/${ORVEX_FORM:-windows}/tools/orvex.exe" sim set read_block_ms=300 >/dev/null
orvexset_start "$work" "$adapter"
pid=$orvexset_pid
ui wait --pid "$pid" --caption "デバイス・パラメータ読込中" --match prefix >/dev/null
sleep 2
orvexset_capture "デバイス・パラメータ読込中" "$out/orvexset-read.png"
ui wait --pid "$pid" --caption "Orvex - " --match prefix --timeout 30 >/dev/null
sleep 4
ui click --pid "$pid" "${orvexset_main[@]}" --id 2000 >/dev/null
ui wait-exit --pid "$pid" --timeout 30 >/dev/null
trap - EXIT
