#!/usr/bin/env bash
# A step of make demo (scripts/demo.sh, which builds, starts the display and the Wine server):
# the layers under the programs, driven through the orvex command line: program images, the
# update information file, the definition file, and a whole device session on a fresh simulated
# adapter. Output folder: build/demo/session.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh
source scripts/roll-package.sh  # roll_fix_checksum

root=$ORVEX_BUILD_ROOT
demo=$root/demo/session
rm -rf "$demo"
mkdir -p "$demo/package"
orvex="$root/host/tools/orvex"
here=$PWD
# orvex.exe's text output is redirected here, so it would be code page 932: ask for UTF-8.
orvex_exe() { "$here/scripts/wine-run" "$root/${ORVEX_FORM:-windows}/tools/orvex.exe" --encoding utf-8 "$@"; }
u8() { cat; }

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
winpath() { echo "Z:${1//\//\\}"; }
pkg=$demo/package

echo "== the update information file: the template OrvexRoll writes, as OrvexRoll reads it"
orvex_exe ini template -o "$(winpath "$pkg/OrvexRoll.ini")"
orvex_exe ini show "$(winpath "$pkg/OrvexRoll.ini")" | u8 | head -20 || true

echo "== the parameter definition file: check it and build the save file of its initial values"
cp paramtool/model/Cti_par.txt "$pkg/Cti_par.txt"
orvex_exe def check "$(winpath "$pkg/Cti_par.txt")" | u8
orvex_exe def new "$(winpath "$pkg/Cti_par.txt")" -o "$(winpath "$pkg/MCPARA.prg")"
orvex_exe prg info "$(winpath "$pkg/MCPARA.prg")" | u8

echo "== a whole device session on the simulated adapter: read, write a program, restart, reset"
mkdir -p "$demo/adapter"
orvex_exe sim init "$(winpath "$demo/adapter")"
export ORVEX_SIM=$(winpath "$demo/adapter")
orvex_exe sim set time_scale=25
orvex_exe sim session --write "$(winpath "$pkg/MC_CPU.prg")" | u8

echo "== write the parameter save file into the adapter and see what changed"
orvex_exe def new "$(winpath "$pkg/Cti_par.txt")" -o "$(winpath "$demo/OLD_MCPARA.prg")"
# A technician's change: the first channel moves to command block 2.
cp "$demo/OLD_MCPARA.prg" "$pkg/MCPARA.prg"
printf '\x02' | dd of="$pkg/MCPARA.prg" bs=1 seek=32 conv=notrunc status=none
roll_fix_checksum "$pkg/MCPARA.prg"
orvex_exe sim session --write "$(winpath "$pkg/MCPARA.prg")" --no-reset | u8 | grep -E 'program write|WriteProgramImage|end:|parameter read|valid parameter' || true
orvex_exe def diff "$(winpath "$pkg/Cti_par.txt")" "$(winpath "$demo/OLD_MCPARA.prg")" \
  "$(winpath "$demo/adapter/Parameters.prg")" | u8 || true
unset ORVEX_SIM
echo "demo output: $demo"
