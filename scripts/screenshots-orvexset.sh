#!/usr/bin/env bash
# OrvexSet's picture for the README: the main window with the sample definition and channels
# assigned to several command blocks, driven from outside with the UI driver. Called by
# scripts/screenshots.sh (Xvfb and the Wine prefix ready) with the output folder.
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
