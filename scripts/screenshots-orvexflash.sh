#!/usr/bin/env bash
# make screenshots, OrvexFlash's pictures for the README: the main window with the demo package
# and the device versions, the update dialog while it writes and when it is done, the system
# settings. Called by scripts/screenshots.sh, which has the Windows build, the Wine prefix and an
# X display ready. Output: docs/screenshots/flash-*.png
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh
win=$ORVEX_BUILD_ROOT/${ORVEX_FORM:-windows}
out=$PWD/docs/screenshots
work=$ORVEX_BUILD_ROOT/screenshot-orvexflash
winpath() { echo "Z:${1//\//\\}"; }
ui() { scripts/wine-run "$win/tools/uidriver/orvexui.exe" "$@"; }
orvex_exe() { scripts/wine-run "$win/tools/orvex.exe" "$@" >/dev/null; }
# Saves the visible top-level window whose title begins with $1.
capture() {
  local id
  id=$(xwininfo -root -children | grep -F "\"$1" | head -1 | awk '{print $1}')
  [ -n "$id" ] || { echo "screenshots-orvexflash: no window \"$1\"" >&2; return 1; }
  import -window "$id" "$out/$2"
  echo "screenshot: $out/$2"
}

rm -rf "$work"
mkdir -p "$work/package" "$work/adapter" "$out"
# The demo's update package (scripts/demo.sh), made with orvex.exe.
head -c 65536 /dev/urandom > "$work/payload.bin"
pkg=$(winpath "$work/package")
payload=$(winpath "$work/payload.bin")
orvex_exe prg make --magic KV4100 --kind 0x00 --subkind 0x00 --version 2.103 --ext 1,0,0x0120 -o "$pkg\\MC_CPU.prg" "$payload"
orvex_exe prg make --magic KV4100 --kind 0x01 --subkind 0x00 --version 2.040 -o "$pkg\\MC_DSP.prg" "$payload"
orvex_exe prg make --magic KV4100 --kind 0x10 --subkind 0x00 --version 1.012 -o "$pkg\\INS64_CPU.prg" "$payload"
orvex_exe prg make --magic KV4100 --kind 0x10 --subkind 0x20 --version 1.300 -o "$pkg\\INS1500_CPU.prg" "$payload"
orvex_exe prg make --magic PV4100 --kind 0x20 --subkind 0x40 --version 3.001 -o "$pkg\\PV_CPU.prg" "$payload"
orvex_exe prg make --magic KV4100 --kind 0x35 --subkind 0x02 --version 1.000 --name ANALOG-TRK -o "$pkg\\ANALOG_TRK.prg" "$payload"

# A first-generation adapter (its main programs are listed) that writes slowly enough to be seen.
orvex_exe sim init "$(winpath "$work/adapter")"
export ORVEX_SIM=$(winpath "$work/adapter")
orvex_exe sim set "mc=0x00 0x1105 0x1010 0x2001 0x0100" progress_steps=3 progress_interval_ms=300 log=0
settings='HKCU\Software\Orvex\OrvexFlash\Settings'
service='HKLM\System\CurrentControlSet\Services\Orvex'
wine reg add "$settings" /v PrgFolder /t REG_SZ /d "$pkg" /f >/dev/null 2>&1
wine reg add "$service\\Parameters" /v DebugLevel /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine reg add "$service\\DLL" /v DebugLevel /t REG_DWORD /d 0x10 /f >/dev/null 2>&1

pid=$(ui start -- "$win/flashtool/win/OrvexFlash.exe" | tr -d '\r')
finish() {
  ui kill --pid "$pid" >/dev/null 2>&1 || true
  wine reg delete "$settings" /v PrgFolder /f >/dev/null 2>&1 || true
  wine reg delete "$service" /f >/dev/null 2>&1 || true
}
trap finish EXIT
main='Orvex - デバイス・バージョン更新'
ui wait --pid "$pid" --caption "$main" >/dev/null
sleep 3  # the adapter attaches and its channels start
ui select --pid "$pid" --caption "$main" --id 2006 --index 3 >/dev/null
capture "$main" flash-main.png

ui click --pid "$pid" --caption "$main" --id 2001 >/dev/null
ui answer --pid "$pid" --caption 更新確認 --button yes >/dev/null
dialog='バージョン更新 - <MC_CPU.prg>'
ui wait --pid "$pid" --caption "$dialog" --match prefix >/dev/null
sleep 4
capture "$dialog" flash-update-running.png
for _ in $(seq 1 120); do
  status=$(ui text --utf8 --pid "$pid" --caption "$dialog" --match prefix --id 3002 | tr -d '\r')
  [ "$status" = "正常に終了しました" ] && break
  sleep 0.5
done
capture "$dialog" flash-update-done.png
ui click --pid "$pid" --caption "$dialog" --match prefix --id 3000 >/dev/null

sleep 3  # the adapter restarts with the new version
ui command --pid "$pid" --caption "$main" --id 32 >/dev/null
ui wait --pid "$pid" --caption システム設定 >/dev/null
ui check --pid "$pid" --caption システム設定 --id 4002 --state on >/dev/null
sleep 1
capture システム設定 flash-settings.png
ui click --pid "$pid" --caption システム設定 --id 2 >/dev/null
ui close --pid "$pid" --caption "$main" >/dev/null
