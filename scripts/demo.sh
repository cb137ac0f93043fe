#!/usr/bin/env bash
# make demo: the suite's main job end to end. A technician's update package (OrvexRoll.exe and
# its OrvexRoll.ini, OrvexSet.exe, OrvexFlash.exe, the definition file, program images for every
# processor, newer driver and library files) meets a simulated adapter with older firmware and
# parameters and an older installed driver; OrvexRoll runs under Xvfb, its start question and
# final box answered through the UI driver. Output folder: build/demo (the log, the run folder,
# screenshots of the log window).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/xvfb.sh
trap 'roll_remove_driver 2>/dev/null; orvex_stop_all' EXIT

scripts/build.sh windows host
scripts/wine-prefix.sh
orvex_start_xvfb
wineserver -p60 >/dev/null 2>&1 </dev/null
source scripts/roll-package.sh

demo=$ORVEX_BUILD_ROOT/demo
rm -rf "$demo"
mkdir -p "$demo/documents"
orvexui() { "$ORVEX_ROOT/scripts/wine-run" "$roll_win/tools/uidriver/orvexui.exe" "$@"; }
versions() { roll_orvex_exe sim show | roll_u8 | grep -E '^(mc|board\.[0-9]+) ' || true; }

echo "== the update package"
roll_make_package "$demo/package"
for tool in OrvexSet OrvexFlash; do
  case $(roll_tool $tool) in
    *roll_test_child.exe) echo "   ($tool.exe is not built yet: the test child stands in for it)" ;;
  esac
done
(cd "$demo/package" && find . -type f | sort | sed 's/^\.\//   /')
roll_orvex_exe ini show "$(roll_winpath "$demo/package/OrvexRoll.ini")" | roll_u8 | sed -n '1,12p'

echo "== a fresh simulated adapter with older firmware and parameters; an older driver installed"
roll_make_adapter "$demo/adapter" "$demo/package/Para/Cti_par.txt"
export ORVEX_SIM=$(roll_winpath "$demo/adapter")
roll_install_driver "$demo/installed"
cp "$demo/package/Bin/OrvexSet.exe" "$demo/package/Para/Cti_par.txt" "$demo/installed/Bin/"
versions | tee "$demo/versions-before.txt"

echo "== OrvexRoll.exe"
start=$(date +%s.%N)
pid=$(orvexui start --cwd "$(roll_winpath "$demo/package")" -- \
  "$(roll_winpath "$demo/package/OrvexRoll.exe")" "$(roll_winpath "$demo/package")" "$(roll_winpath "$demo/documents")" | tr -d '\r')
orvexui answer --pid "$pid" --timeout 60 --expect-text 自動更新を開始します --button ok --utf8
# The final box: success (OK) or, after a failure, the retry question (declined).
if ! orvexui answer --pid "$pid" --timeout 600 --expect-text 正常終了 --button ok --utf8; then
  orvexui answer --pid "$pid" --timeout 10 --button cancel --utf8 || true
  orvexui answer --pid "$pid" --timeout 10 --button yes --utf8 || true
fi
end=$(date +%s.%N)
sleep 1
roll_capture "KV-4100" "$demo/log-window.png" || true
orvexui close --pid "$pid" --caption "KV-4100CTIアダプター自動更新 <Win98>" || true
orvexui wait-exit --pid "$pid" --timeout 20 >/dev/null || true

run=$(ls -d "$WINEPREFIX/drive_c/OrvexRoll/"*/ 2>/dev/null | tail -1)
if [ -n "$run" ]; then
  mv "$run" "$demo/run"
  rmdir "$WINEPREFIX/drive_c/OrvexRoll" 2>/dev/null || true
fi
echo "== the log file"
roll_u8 < "$demo/run/OrvexRoll.log"
echo "== the adapter before and after"
versions > "$demo/versions-after.txt"
diff "$demo/versions-before.txt" "$demo/versions-after.txt" || true
if [ -f "$demo/run/OLD_MCPARA.prg" ] && [ -f "$demo/run/MCPARA.prg" ]; then
  echo "== what the parameter update changed: orvex def diff OLD_MCPARA.prg MCPARA.prg"
  roll_orvex_exe def diff "$(roll_winpath "$demo/package/Para/Cti_par.txt")" \
    "$(roll_winpath "$demo/run/OLD_MCPARA.prg")" "$(roll_winpath "$demo/run/MCPARA.prg")" | roll_u8 || true
fi
python3 -c "import sys; print(\"== wall time of the run: %.1f s\" % (float(sys.argv[2]) - float(sys.argv[1])))" "$start" "$end"

echo "== the layers underneath, through the orvex command line"
scripts/demo-session.sh > "$demo/session.txt" 2>&1 && echo "   build/demo/session.txt" || echo "   failed: see build/demo/session.txt"
echo "demo output: $demo"
