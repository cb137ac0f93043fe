#!/usr/bin/env bash
# make demo: builds the suite and runs the most complete end-to-end job that exists on the
# simulated adapter. Output folder: build/demo.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/xvfb.sh
trap orvex_stop_all EXIT

scripts/build.sh windows host
scripts/wine-prefix.sh
orvex_start_xvfb
wineserver -p60 >/dev/null 2>&1 </dev/null

root=$ORVEX_BUILD_ROOT
demo=$root/demo
rm -rf "$demo"
mkdir -p "$demo/package"
orvex="$root/host/tools/orvex"
here=$PWD
orvex_exe() { "$here/scripts/wine-run" "$root/windows/tools/orvex.exe" "$@"; }
u8() { iconv -f CP932 -t UTF-8; }

echo "== update package: program images for the adapter's processors"
head -c 65536 /dev/urandom > "$demo/payload.bin"
"$orvex" prg make --magic KV4100 --kind 0x00 --subkind 0x00 --version 2.103 --ext 1,0,0x0120 -o "$demo/package/MC_CPU.prg" "$demo/payload.bin"
"$orvex" prg make --magic KV4100 --kind 0x01 --subkind 0x00 --version 2.040 -o "$demo/package/MC_DSP.prg" "$demo/payload.bin"
"$orvex" prg make --magic KV4100 --kind 0x10 --subkind 0x00 --version 1.012 -o "$demo/package/INS64_CPU.prg" "$demo/payload.bin"
"$orvex" prg make --magic KV4100 --kind 0x10 --subkind 0x20 --version 1.300 -o "$demo/package/INS1500_CPU.prg" "$demo/payload.bin"
"$orvex" prg make --magic PV4100 --kind 0x20 --subkind 0x40 --version 3.001 -o "$demo/package/PV_CPU.prg" "$demo/payload.bin"
"$orvex" prg make --magic KV4100 --kind 0x35 --subkind 0x02 --version 1.000 --name ANALOG-TRK -o "$demo/package/ANALOG_TRK.prg" "$demo/payload.bin"
echo "== the images as orvex.exe (under Wine) lists them"
(cd "$demo/package" && for f in *.prg; do orvex_exe prg info "$f" | u8; echo; done)
echo "== a whole device session on the simulated adapter (orvex sim session)"
winpath() { echo "Z:${1//\//\\}"; }
mkdir -p "$demo/adapter"
orvex_exe sim init "$(winpath "$demo/adapter")"
export ORVEX_SIM=$(winpath "$demo/adapter")
orvex_exe sim set time_scale=25
orvex_exe sim session --write "$(winpath "$demo/package/MC_CPU.prg")"
unset ORVEX_SIM
echo "demo output: $demo"
