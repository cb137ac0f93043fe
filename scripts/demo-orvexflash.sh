#!/usr/bin/env bash
# make demo, OrvexFlash's step: the demo adapter's firmware updated by OrvexFlash.exe in automatic
# mode, started as OrvexRoll starts it, with the adapter's versions before and after. Called by
# scripts/demo.sh with the demo folder (Wine prefix, Xvfb and the package are there already).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh
demo=${1:-$ORVEX_BUILD_ROOT/demo}
win=$ORVEX_BUILD_ROOT/${ORVEX_FORM:-windows}
winpath() { echo "Z:${1//\//\\}"; }
versions() { grep -E '^(mc|board\.[0-9]+) ' "$demo/adapter/OrvexSim.txt" | sed 's/^/  /'; }

echo "== OrvexFlash in automatic mode: the demo adapter's firmware from the update package"
# OrvexFlash's program folder: the tool, the simulated Orvex.dll and OrvexKeys.exe, as installed.
tool=$demo/OrvexFlash
mkdir -p "$tool" "$demo/run"
cp "$win/flashtool/win/OrvexFlash.exe" "$win/flashtool/win/Orvex.dll" "$win/flashtool/win/OrvexKeys.exe" "$tool/"
pkg=$(winpath "$demo/package")
# AutoVerUp.def as OrvexRoll writes it: model, "wait,retries,force,stage,resume", folders, the
# three USB 1.1 main-controller slots (none), the parameter save file, the package's images.
{
  printf '0\r\n60,1,0,1,0\r\n|\r\n%s\\\r\n\r\n\r\n\r\n%s\\MCPARA.prg\r\n' "$(winpath "$demo/run")" "$pkg"
  for f in MC_CPU MC_DSP INS64_CPU INS1500_CPU PV_CPU ANALOG_TRK; do printf '%s\\%s.prg\r\n' "$pkg" "$f"; done
} > "$demo/run/AutoVerUp.def"
export ORVEX_SIM=$(winpath "$demo/adapter")
# Quick progress, but slow enough for the tool to follow every report.
scripts/wine-run "$win/tools/orvex.exe" sim set time_scale=20 progress_steps=2 >/dev/null
echo "-- the adapter before (kind, then the version words)"
versions
echo "-- the reports OrvexFlash sends its parent"
scripts/wine-run "$win/flashtool/win/flash_auto_run.exe" "$(winpath "$tool/OrvexFlash.exe")" \
  "$(winpath "$demo/run/AutoVerUp.def")" 300
echo "-- the adapter after"
versions
