#!/usr/bin/env bash
# make screenshots, the help windows: OrvexSet and OrvexFlash each started beside its help file,
# F1 pressed on the main window as a technician presses it (xdotool), the help window that opens
# saved. Called by scripts/screenshots.sh, which has the Windows build, the Wine prefix, an X
# display and ORVEX_SIM ready. Output: docs/screenshots/help-*.png
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh
win=$ORVEX_BUILD_ROOT/${ORVEX_FORM:-windows}
out=$PWD/docs/screenshots
work=$ORVEX_BUILD_ROOT/screenshot-help
winpath() { echo "Z:${1//\//\\}"; }
ui() { scripts/wine-run "$win/tools/uidriver/orvexui.exe" "$@"; }
xid() { xwininfo -root -children | grep -F "\"$1" | head -1 | awk '{print $1}'; }

# Starts the program, presses F1 on its main window titled $3..., saves the window titled $4.
help_shot() {
  local program=$1 folder=$2 main=$3 help=$4 png=$5 pid id
  pid=$(ui start -- "$(winpath "$folder/$program")" | tr -d '\r')
  trap 'ui kill --pid "$pid" >/dev/null 2>&1 || true' RETURN
  ui wait --pid "$pid" --caption "$main" --match prefix >/dev/null
  sleep 2  # the adapter attaches
  id=$(xid "$main")
  [ -n "$id" ] || { echo "screenshots-help: no window \"$main\"" >&2; return 1; }
  xdotool windowfocus --sync "$id" key --window "$id" F1
  for _ in $(seq 1 50); do id=$(xid "$help"); [ -z "$id" ] || break; sleep 0.2; done
  [ -n "$id" ] || { echo "screenshots-help: F1 on \"$main\" opened no window \"$help\"" >&2; return 1; }
  sleep 1
  import -window "$id" "$out/$png"
  echo "screenshot: $out/$png"
}

rm -rf "$work"
mkdir -p "$work/set" "$work/flash" "$out"
cp "$win/paramtool/app/win/OrvexSet.exe" "$win/paramtool/app/win/OrvexSet.chm" "$win/paramtool/app/win/Orvex.dll" \
  paramtool/model/Cti_par.txt "$work/set/"
cp "$win/flashtool/win/OrvexFlash.exe" "$win/flashtool/win/OrvexFlash.chm" "$win/flashtool/win/Orvex.dll" "$work/flash/"
help_shot OrvexSet.exe "$work/set" "Orvex - " "OrvexSet ヘルプ" help-orvexset.png
help_shot OrvexFlash.exe "$work/flash" "Orvex - デバイス・バージョン更新" "OrvexFlash ヘルプ" help-orvexflash.png
